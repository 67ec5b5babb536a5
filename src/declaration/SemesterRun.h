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

// The label that a failure while preparing or writing the printed summary names in its report.
constexpr int SemesterSummaryLabel = 51;

struct SemesterResult
{
    // True once the files are written and their messages shown: the summary is then shown.
    bool completed = false;
    int semester = 1; // 1 or 2
    QDate SemStart;
    QDate SemEnd;
    QString strAn;
    QString strCodFiscal;
    SemesterTotals totals;
    QString declarationFile; // the report or the restore file written
    QString errorListFile; // empty when no error list was written
    std::optional<SummaryPage> summary; // the printed summary, when the run got that far
};

// The semester declaration (before 2012), run by cmdCalcul_Click when CheckD394_2012 is cleared.
// It shows its own checks and messages, and reports a failure through the declaration run's trap
// (report::declarationRun) before returning. Reads Option1/Option2, Check1/Check394, the declarant
// texts and the hidden pickers DTPickerdela/DTPickerla from `inputs`; the fiscal year from the
// context's ParaSoc, the authority's program from its path.
SemesterResult
runSemesterDeclaration(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink);

} // namespace orvida::declaration
