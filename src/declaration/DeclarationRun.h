#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "company/ParaSoc.h"
#include "declaration/SemesterRun.h"

#include <QDate>
#include <QString>

#include <optional>

namespace orvida::declaration {

// Everything the declaration window holds when "OK" is pressed, under the controls' own names.
// The defaults are the window's state when it opens, before Form_Load puts the fiscal year into
// DTPdela and DTPla.
struct DeclarationInputs
{
    // Declarant, as typed (never trimmed).
    QString TextNume;
    QString TextPrenume = QStringLiteral(" ");
    QString TextFunctie;

    // The declaration from 2012 on.
    bool CheckD394_2012 = true; // cleared: the semester declaration runs instead
    bool CheckD394_2013 = true; // the 2013 line variant and nrFact
    QDate DTPdela;
    QDate DTPla;

    // The semester declaration (before 2012).
    bool CheckD394 = false;
    bool Check1 = true; // report file
    bool Check394 = false; // restore file for the authority's program
    bool Option1 = true; // first semester
    bool Option2 = false; // second semester
    bool CheckD392 = false; // read by no run
    QDate DTPickerdela = QDate(1999, 1, 1); // hidden pickers: only tested, never changed by the window
    QDate DTPickerla = QDate(1999, 12, 31);
};

// What the run works with besides the window's inputs. The window and the command line fill it
// from the program folder they were given, the clock, and the parameters loaded when the window
// opened.
struct DeclarationContext
{
    ProgramFolder folder;
    const Clock& clock;
    ParaSoc paraSoc;
    // Full path of the authority's D394.exe (it may be absent); only the semester declaration uses it.
    QString authorityProgram;
};

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

// The run of the declaration window's "OK" (cmdCalcul_Click). Every message goes to `sink` in
// the order the window shows them; each says which box it belongs in.
DeclarationOutcome
cmdCalcul_Click(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink);

// The period codes of the declaration from 2012 on.
struct PeriodCodes
{
    QString luna; // the end date's month, "01" to "12"
    QString an; // the end date's year
    QString tip_D394; // "L", "T", "S", "A", or empty for any other number of months
};
PeriodCodes periodCodes(const QDate& start, const QDate& end);

// The company code: CODFISCAL from its third character on.
QString companyCode(const QString& codFiscal);

} // namespace orvida::declaration
