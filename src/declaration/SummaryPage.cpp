#include "declaration/SummaryPage.h"

#include "base/ErrorReport.h"
#include "base/Text.h"

#include <cmath>

namespace orvida::declaration {

namespace {

// A column of the company row as the page prints it: nothing when it is missing or empty.
std::optional<QString> filled(const store::RecordSet& info, const char* column)
{
    const Value v = info.value(0, QLatin1String(column));
    if (v.isEmpty() || v.isNull() || v.isEmptyText())
        return std::nullopt;
    return v.toText();
}

QString wholeNumber(double value)
{
    return text::groupDigits(qint64(std::llround(text::roundHalfEven(value, 0))));
}

} // namespace

Result<SummaryPage>
makeSummaryPage(const store::RecordSet& info, int semester, const QDate& semStart, const SemesterTotals& totals)
{
    if (info.isEmpty())
        return Failure { err::NoCurrentRecord, QStringLiteral("Tabela Zet_Info nu are nicio inregistrare.") };
    SummaryPage page;
    page.pages = info.size();
    page.anul = semStart.toString(QStringLiteral("yyyy"));
    page.sem = semester == 1 ? QStringLiteral("1") : QStringLiteral("2");

    if (auto cf = filled(info, "CODFISCAL"))
        page.cf = cf->mid(2, 8);
    if (auto v = filled(info, "DENUMIRE"))
        page.nume = *v;
    // Each part of the address is followed by a space, except the apartment; a missing part is
    // left out with its space.
    for (const char* column : { "JUDET1", "ORAS1", "STRADA1", "NR1", "BLOC1", "SECTOR1" })
        if (auto v = filled(info, column))
            page.adresa += *v + QLatin1Char(' ');
    if (auto v = filled(info, "AP1"))
        page.adresa += *v;
    if (auto v = filled(info, "TELEFON1"))
        page.tel = *v;
    if (auto v = filled(info, "FAX1"))
        page.fax = *v;
    if (auto v = filled(info, "EMAIL1"))
        page.email = *v;

    page.nrTerti = text::groupDigits(totals.NRTERTI);
    page.bazaL = wholeNumber(totals.nBazaLivrari);
    page.tvaL = wholeNumber(totals.nTVALivrari);
    page.bazaA = wholeNumber(totals.nBazaAchizitii);
    page.tvaA = wholeNumber(totals.nTVAAchizitii);
    return page;
}

} // namespace orvida::declaration
