#include "declaration/PartnerTotals.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::declaration;
using orvida::test::TestFolder;

namespace {

// One partner's journal lines, each "COLUMNS|VALUES" as in an INSERT, and what the totals make of
// them: "tip count base VAT", or empty when the partner is absent from the declaration.
struct TotalsCase
{
    const char* partner;
    QStringList lines;
    const char* expected;
};

QMap<QString, QString> totalsByPartner(Journal journal, const QList<TotalsCase>& cases)
{
    TestFolder folder;
    const QString table = journal == Journal::Purchases ? QStringLiteral("zet_jct_UE") : QStringLiteral("zet_jvt_UE");
    int code = 1000;
    for (const TotalsCase& c : cases) {
        ++code;
        for (const QString& line : c.lines) {
            const QStringList parts = line.split(QLatin1Char('|'));
            folder.exec(QStringLiteral("INSERT INTO %1 (NUME, CODF, %2) VALUES ('%3', '%4', %5)")
                            .arg(table, parts[0], QString::fromUtf8(c.partner), QString::number(code), parts[1]));
        }
    }
    auto connection = store::openDatabase(folder.folder());
    EXPECT_TRUE(connection.ok());
    auto rows = readPartners2012(*connection, journal);
    EXPECT_TRUE(rows.ok());
    QMap<QString, QString> out;
    if (!rows.ok())
        return out;
    for (const PartnerRow& r : *rows)
        out.insert(r.denP, QStringLiteral("%1 %2 %3 %4").arg(r.tip).arg(r.nrFact).arg(r.baza).arg(r.tva));
    return out;
}

void expectTotals(Journal journal, const QList<TotalsCase>& cases)
{
    const QMap<QString, QString> got = totalsByPartner(journal, cases);
    for (const TotalsCase& c : cases)
        EXPECT_EQ(got.value(QString::fromUtf8(c.partner)).toStdString(), c.expected) << c.partner;
}

} // namespace

// Which columns select a purchase line and which ones are summed as base, VAT and reverse charge.
TEST(PartnerTotals, PurchaseColumns)
{
    expectTotals(Journal::Purchases,
                 {
                     { "every ordinary pair",
                       { QStringLiteral("TOTAL,COL6,COL7,COL8,COL9,COL10,COL11,COL12,COL13,COL14,COL15|"
                                        "99999,1,2,10,20,100,200,1000,2000,10000,20000") },
                       "A 1 11111 22222" },
                     { "COL7 alone", { QStringLiteral("COL7|7") }, "A 1 0 7" },
                     { "COL9 alone", { QStringLiteral("COL9|9") }, "A 1 0 9" },
                     { "COL11 alone", { QStringLiteral("COL11|11") }, "A 1 0 11" },
                     { "COL13 alone", { QStringLiteral("COL13|13") }, "A 1 0 13" },
                     { "COL15 alone", { QStringLiteral("COL15|15") }, "A 1 0 15" },
                     // A reverse-charge base alone selects the line and marks the partner.
                     { "COL16 alone", { QStringLiteral("COL16|16") }, "C 1 16 0" },
                     // Bases, the reverse-charge VAT and the total alone select nothing.
                     { "bases only", { QStringLiteral("COL6,COL8,COL10,COL12,COL14|6,8,10,12,14") }, "" },
                     { "COL17 alone", { QStringLiteral("COL17|17") }, "" },
                     { "TOTAL alone", { QStringLiteral("TOTAL|100") }, "" },
                     { "reverse charge",
                       { QStringLiteral("TOTAL,COL16,COL17|595,500,95"), QStringLiteral("TOTAL,COL6,COL7|119,100,19") },
                       "C 2 600 114" },
                     // The reverse-charge VAT counts as VAT but does not make the partner reverse charge.
                     { "VAT in COL17 only", { QStringLiteral("COL6,COL7,COL17|100,19,5") }, "A 1 100 24" },
                     // A credit note that cancels the reverse-charge base leaves the partner ordinary.
                     { "cancelled reverse charge",
                       { QStringLiteral("COL16,COL17|500,95"), QStringLiteral("COL16,COL17|-500,-95") },
                       "A 2 0 0" },
                 });
}

// Sales: the reverse-charge VAT is the total less the base, on reverse-charge lines only.
TEST(PartnerTotals, SalesColumns)
{
    expectTotals(Journal::Sales,
                 {
                     { "ordinary", { QStringLiteral("TOTAL,COL6,COL7,COL8,COL9|130,100,19,10,1") }, "L 1 110 20" },
                     { "COL7 alone", { QStringLiteral("COL7|7") }, "L 1 0 7" },
                     { "COL9 alone", { QStringLiteral("TOTAL,COL9|50,9") }, "L 1 0 9" },
                     { "reverse charge", { QStringLiteral("TOTAL,COL10|600,500") }, "V 1 500 100" },
                     { "reverse charge without VAT", { QStringLiteral("TOTAL,COL10|500,500") }, "V 1 500 0" },
                     { "mixed",
                       { QStringLiteral("TOTAL,COL6,COL7|119,100,19"), QStringLiteral("TOTAL,COL10|240,200") },
                       "V 2 300 59" },
                     { "bases only", { QStringLiteral("TOTAL,COL6,COL8|30,10,20") }, "" },
                     { "TOTAL alone", { QStringLiteral("TOTAL|100") }, "" },
                 });
}
