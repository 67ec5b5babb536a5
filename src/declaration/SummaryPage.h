#pragma once

#include "base/Result.h"
#include "declaration/SemesterTotals.h"
#include "store/RecordSet.h"

#include <QDate>
#include <QString>

namespace orvida::declaration {

// The texts of the printed summary, one field per label of the page. Part B of the form is never
// filled and has no fields here.
struct SummaryPage
{
    QString anul, sem;
    QString cf, nume, adresa, tel, fax, email;
    QString nrTerti, bazaL, tvaL, bazaA, tvaA;
    int pages = 1; // one page per company row, all alike
};

// Fills the page from the company rows ("SELECT * FROM ZET_INFO ") and the run's totals. An empty
// company table is a failure: there is no row to print.
// `semStart` is the first day of the semester (its year is printed), `semester` 1 or 2.
Result<SummaryPage>
makeSummaryPage(const store::RecordSet& info, int semester, const QDate& semStart, const SemesterTotals& totals);

// The page's size and layout unit: A4 in twips (1/1440 inch).
constexpr int PageWidthTwips = 11906;
constexpr int PageHeightTwips = 16838;

} // namespace orvida::declaration
