#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "import/Workbook.h"
#include "store/Journal.h"

#include <QString>

namespace orvida::import {

using store::Journal;

// What an import is asked to do: the window and the command line collect it.
struct ImportInputs
{
    Journal journal = Journal::Purchases;
    QString path; // the workbook, as typed or chosen
    bool replaceJournal = true; // empty the journal first (" Initializare baza de date", no --append)
    bool reverseCharge = false; // every row is a reverse-charge document (" Cu Taxare Inversa")
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
importJournal(const ImportInputs& inputs, const ProgramFolder& folder, MessageSink& sink, const Limits& limits = {});

} // namespace orvida::import
