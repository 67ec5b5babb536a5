#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "import/Workbook.h"

#include <QString>

namespace orvida::import {

// What the import window collects.
struct ImportInputs
{
    QString tipOp = QStringLiteral("C"); // "C" the purchase journal; anything else the sales journal
    QString path; // the workbook, as typed or chosen
    bool checkIni = true; // " Initializare baza de date": empty the journal first
    bool checkTaxareInv = false; // " Cu Taxare Inversa": every row is a reverse-charge document
};

// How a run ended. On failure, `label` is the failing step (the one the structure message
// shows) and `failure` says why, for a log or the command line's error stream.
struct ImportOutcome
{
    int label = 0;
    Failure failure;
    qint64 rowsWritten = 0;

    bool ok() const { return label == 0; }
    // The window stays open after a failure that came before the workbook was open, so the
    // user can correct the path.
    bool failedBeforeWorkbookOpen() const { return label != 0 && label <= 140; }
};

// Imports the sheet "Sheet1" of the workbook into the purchase or sales journal and reports the
// outcome to the sink: "Importul s-a realizat cu succes", or the structure message with the
// failing step. Emptying the journal and every row are one transaction: after any failure the
// journal is exactly as it was.
ImportOutcome
ImportXLS(const ImportInputs& inputs, const ProgramFolder& folder, MessageSink& sink, const Limits& limits = {});

} // namespace orvida::import
