#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"

#include <QString>

namespace orvida {

// The company parameters of the current run. Each field bears the name of its column. Dates are
// day counts from 30 December 1899 (see base/Dates.h). Before the first load every field is
// empty: texts empty, numbers and flags 0, dates 0.
struct ParaSoc
{
    QString Banca, Casa, Client, Creditori, Debitori, CDIFCONV, VDIFCONV, VENSCFARADED, Furniz, PROFIT, VENSCCUDED,
        VENEXPORT, TVACumparare, TVAVanzare, FurnizoriImobilizari, TVANeexigibila;
    quint8 Capital = 0, Chelt = 0, IMO = 0, STOC = 0, VENIT = 0;
    QString ContCheltDifConversie, ContVenitDifConversie;
    double DataIN = 0, DataSN = 0;
    bool EsteCentru = false;
    double Abatere = 0;
    bool CODSucursalaInNote = false;
    double ProcPenalizare = 0;
    qint32 PlanC = 0;
};

// Loads `paraSoc` from the first row of Zet_Par and PlanC from Zet_Info. A failure is reported
// to `sink` naming the step's label and ends the load; fields of later steps keep their values.
// A Null DataIN or DataSN takes the clock's date and time.
void InitParaSoc(const ProgramFolder& folder, const Clock& clock, ParaSoc& paraSoc, MessageSink& sink);

} // namespace orvida
