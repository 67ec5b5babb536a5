#include "declaration/PartnerTotals.h"

#include "store/Database.h"

namespace orvida::declaration {

JournalColumns journalColumns(Journal journal)
{
    if (journal == Journal::Purchases)
        return { QStringLiteral("zet_jct_UE"), QStringLiteral("COL6+COL8+COL10+COL12+COL14+COL16"),
                 QStringLiteral("COL7+COL9+COL11+COL13+COL15+COL17"), QStringLiteral("COL16"),
                 QStringLiteral("(COL7<>0 OR COL9<>0 OR COL11<>0 OR COL13<>0 OR COL15<>0 OR COL16<>0)") };
    return { QStringLiteral("zet_jvt_UE"), QStringLiteral("COL6+COL8+COL10"),
             QStringLiteral("COL7+COL9+CASE WHEN COL10<>0 THEN TOTAL-COL10 ELSE 0 END"), QStringLiteral("COL10"),
             QStringLiteral("(COL7<>0 OR COL9<>0 OR COL10<>0)") };
}

QString partnerTotalsSql(Journal journal)
{
    const JournalColumns c = journalColumns(journal);
    return QStringLiteral(
               "SELECT NUME, CODF, Count(CODF) AS NrFac, Sum(%1) AS Expr1, Sum(%2) AS TVA, Sum(%3) AS Taxare "
               "FROM %4 WHERE %5 GROUP BY NUME, CODF ORDER BY NUME COLLATE BINARY, CODF COLLATE BINARY")
        .arg(c.base, c.vat, c.reverseCharge, c.table, c.takesPart);
}

QList<PartnerRow> acceptedPartners2012(Journal journal, const store::RecordSet& totals)
{
    const ScreeningRule rule = rule2012(journal);
    const int cNume = totals.columnIndex(QStringLiteral("NUME"));
    const int cCodf = totals.columnIndex(QStringLiteral("CODF"));
    const int cCount = totals.columnIndex(QStringLiteral("NrFac"));
    const int cBase = totals.columnIndex(QStringLiteral("Expr1"));
    const int cVat = totals.columnIndex(QStringLiteral("TVA"));
    const int cTaxare = totals.columnIndex(QStringLiteral("Taxare"));
    QList<PartnerRow> out;
    for (const QList<Value>& r : totals.rows) {
        const auto code = screen(rule, journal, r[cNume], r[cCodf]);
        if (!code)
            continue;
        const Value& taxare = r[cTaxare];
        const bool reverseCharge = hasValue(taxare) && taxare.toDouble() != 0;
        PartnerRow row;
        if (journal == Journal::Purchases)
            row.tip = reverseCharge ? QLatin1Char('C') : QLatin1Char('A');
        else
            row.tip = reverseCharge ? QLatin1Char('V') : QLatin1Char('L');
        row.cuiP = *code;
        row.denP = r[cNume].toText();
        row.nrFact = r[cCount].toInteger();
        row.baza = r[cBase].toDouble();
        row.tva = r[cVat].toDouble();
        out.append(row);
    }
    return out;
}

Result<QList<PartnerRow>> readPartners2012(store::Connection& connection, Journal journal)
{
    auto totals = store::fetchAll(connection, partnerTotalsSql(journal));
    if (!totals)
        return totals.failure();
    return acceptedPartners2012(journal, *totals);
}

} // namespace orvida::declaration
