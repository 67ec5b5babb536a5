#pragma once

#include "app/Clock.h"
#include "app/Message.h"
#include "app/ProgramFolder.h"

#include <QDate>
#include <QString>

namespace orvida::declaration {

struct DeclarationInputs;
struct DeclarationContext;

// The totals of a semester declaration, as the printed summary shows them.
struct SemesterTotals
{
    qint32 NRTERTI = 0;
    double nBazaLivrari = 0;
    double nTVALivrari = 0;
    double nBazaAchizitii = 0;
    double nTVAAchizitii = 0;

    bool operator==(const SemesterTotals&) const = default;
};

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
};

// The semester declaration (before 2012), run by cmdCalcul_Click when CheckD394_2012 is cleared.
// It shows its own checks and messages, and reports a failure through the declaration run's trap
// (report::declarationRun) before returning.
SemesterResult
runSemesterDeclaration(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink);

} // namespace orvida::declaration
