#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "company/CompanyParameters.h"
#include "declaration/CompanyIdentity.h"
#include "declaration/SemesterRun.h"

#include <QDate>
#include <QString>

#include <optional>

namespace orvida::declaration {

// What the declaration window holds when "OK" is pressed. The defaults are the window's state
// when it opens, before the fiscal year is put into the period.
struct DeclarationInputs
{
    Declarant declarant;

    bool rules2012 = true; // the declaration from 2012 on; cleared: the semester declaration runs instead

    // The declaration from 2012 on.
    bool variant2013 = true; // the 2013 line variant and nrFact
    QDate from;
    QDate to;

    // The semester declaration (before 2012).
    bool firstSemester = true; // cleared: the second semester
    bool reportFile = true; // cleared: the restore file for the authority's program
    // The period the semester declaration checks; the window keeps it hidden and never changes it.
    QDate checkedFrom = QDate(1999, 1, 1);
    QDate checkedTo = QDate(1999, 12, 31);
};

// What the run works with besides the window's inputs. The window and the command line fill it
// from the program folder they were given, the clock, and the parameters loaded when the window
// opened.
struct DeclarationContext
{
    ProgramFolder folder;
    const Clock& clock;
    company::CompanyParameters parameters;
    // Full path of the authority's D394.exe (it may be absent); only the semester declaration uses it.
    QString authorityProgram;
};

// How a declaration run ended, and what it wrote.
struct DeclarationOutcome
{
    enum class End {
        Written, // every file of the run was written
        Check, // an input check stopped the run
        Failure, // the failure report was shown
    };
    End end = End::Failure;

    // From 2012 on: the files written (the XML stays when the text file fails).
    QString xmlFile;
    QString textFile;

    // The semester declaration's result, when that path ran.
    std::optional<SemesterResult> semester;
};

// The declaration window's "OK": the declaration from 2012 on, or the semester declaration when
// `rules2012` is cleared. Every message goes to `sink` in the order the window shows them; each
// says which box it belongs in.
DeclarationOutcome
runDeclaration(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink);

// How either run ends on an input check (the platform's box) or on a failure (its report, naming
// the step's label); the outcome keeps what was written before.
DeclarationOutcome stoppedByCheck(DeclarationOutcome outcome, const QString& check, MessageSink& sink);
DeclarationOutcome stoppedByFailure(DeclarationOutcome outcome, const Failure& f, int label, MessageSink& sink);

// A failure and the label of the step that met it.
struct StepFailure
{
    Failure failure;
    int label;
};

// The period codes of the declaration from 2012 on.
struct PeriodCodes
{
    QString luna; // the end date's month, "01" to "12"
    QString an; // the end date's year
    QString tip_D394; // "L", "T", "S", "A", or empty for any other number of months
};
PeriodCodes periodCodes(const QDate& start, const QDate& end);

} // namespace orvida::declaration
