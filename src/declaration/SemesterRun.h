#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "declaration/SemesterTotals.h"
#include "declaration/SummaryPage.h"

#include <QDate>
#include <QString>

#include <optional>

namespace orvida::declaration {

struct DeclarationInputs;
struct DeclarationContext;
struct DeclarationOutcome;

// The label that a failure while preparing or writing the printed summary names in its report.
constexpr int SemesterSummaryLabel = 51;

struct SemesterResult
{
    int semester = 1; // 1 or 2
    QDate start; // the semester's first day
    QDate end; // six months on
    QString year; // the year of the semester's end, four digits
    QString code; // the company code
    SemesterTotals totals;
    QString declarationFile; // the report or the restore file written
    QString errorListFile; // empty when no error list was written
    std::optional<SummaryPage> summary; // the printed summary, when the run got that far
};

// The semester declaration (before 2012), run by runDeclaration when `rules2012` is cleared. It
// shows its own checks and messages, and reports a failure through the declaration run's report
// (report::declarationRun) before returning. Reads the semester, the kind of file, the declarant
// and the checked period from `inputs`; the fiscal year from the context's company parameters, the
// authority's program from its path. The outcome always carries the semester result.
DeclarationOutcome
runSemesterDeclaration(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink);

} // namespace orvida::declaration
