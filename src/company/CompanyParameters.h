#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"

#include <QString>

namespace orvida::company {

// The company parameters of the current run (the first row of Zet_Par, and PlanC of Zet_Info). Each field bears the
// name of its column. Dates are day counts from 30 December 1899 (see base/Dates.h). Before the first load every field
// is empty: texts empty, numbers and flags 0, dates 0.
struct CompanyParameters
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

// Loads `parameters` from the first row of Zet_Par and PlanC from Zet_Info, on one connection. A
// failure is reported to `sink` naming the step's label, ends the load and is returned; fields of
// later steps keep their values. A Null DataIN or DataSN takes the clock's date and time.
Status loadCompanyParameters(const ProgramFolder& folder,
                             const Clock& clock,
                             CompanyParameters& parameters,
                             MessageSink& sink);

} // namespace orvida::company
