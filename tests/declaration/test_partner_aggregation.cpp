#include "declaration/PartnerTotals.h"
#include "declaration/SemesterPasses.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <bit>
#include <optional>
#include <random>

using namespace orvida;
using namespace orvida::declaration;
using orvida::test::TestFolder;

namespace {

const char* tableOf(Journal journal)
{
    return journal == Journal::Purchases ? "zet_jct_UE" : "zet_jvt_UE";
}

// The one-pass totals against the grouped query, value for value (sums compared exactly).
void expectSameTotals(const TestFolder& folder,
                      Journal journal,
                      const QString& groupedSql,
                      const std::function<Result<store::RecordSet>(store::Connection&)>& onePass,
                      const char* sortCache)
{
    auto connection = store::openDatabase(folder.folder());
    ASSERT_TRUE(connection.ok());
    // A small sorter cache makes the grouped query spill to files and merge them.
    ASSERT_TRUE(connection->exec(QStringLiteral("PRAGMA cache_size=%1").arg(QLatin1String(sortCache))).ok());
    auto grouped = store::fetchAll(*connection, groupedSql);
    auto pass = onePass(*connection);
    ASSERT_TRUE(grouped.ok());
    ASSERT_TRUE(pass.ok());
    ASSERT_FALSE(grouped->isEmpty());
    EXPECT_EQ(pass->columns, grouped->columns);
    ASSERT_EQ(pass->size(), grouped->size()) << tableOf(journal);
    const int base = pass->columnIndex(QStringLiteral("Expr1"));
    for (int i = 0; i < grouped->size(); ++i)
        ASSERT_EQ(pass->rows[i], grouped->rows[i])
            << tableOf(journal) << " group " << i << ": " << grouped->rows[i][0].toText().toStdString() << " / "
            << grouped->rows[i][1].toText().toStdString() << " " << grouped->rows[i][base].toText().toStdString()
            << " vs " << pass->rows[i][base].toText().toStdString();
}

// The declaration's partner totals, then the semester's, which take other lines and sum other
// columns.
void expectSameAsGroupedQuery(const TestFolder& folder, Journal journal, const char* sortCache)
{
    {
        SCOPED_TRACE("declaration");
        expectSameTotals(
            folder, journal, partnerTotalsSql(journal),
            [journal](store::Connection& c) { return partnerTotals(c, journal); }, sortCache);
    }
    SCOPED_TRACE("semester");
    const GroupedTotals totals = semesterTotals(journal);
    expectSameTotals(
        folder, journal, groupedTotalsSql(totals), [&totals](store::Connection& c) { return groupedTotals(c, totals); },
        sortCache);
}

// Amounts whose sum depends on the order they are added in (large and small, tenths), and amounts
// stored as text (the amount columns refuse NULL).
const QStringList RoundedAmounts
    = { QStringLiteral("0"),        QStringLiteral("0.1"),   QStringLiteral("0.2"),   QStringLiteral("0.3"),
        QStringLiteral("1e16"),     QStringLiteral("-1e16"), QStringLiteral("3"),     QStringLiteral("1234.565"),
        QStringLiteral("0.005"),    QStringLiteral("-0.7"),  QStringLiteral("'abc'"), QStringLiteral("'12abc'"),
        QStringLiteral("99999.99"), QStringLiteral("1e-3") };
// The same without the text: numbers only, whose sums a merge of chunks would change.
const QStringList RoundedNumbers = { QStringLiteral("0"),    QStringLiteral("0.1"),      QStringLiteral("0.3"),
                                     QStringLiteral("1e16"), QStringLiteral("-1e16"),    QStringLiteral("3"),
                                     QStringLiteral("-0.7"), QStringLiteral("1234.565"), QStringLiteral("99999.99") };
// Whole amounts, as the import stores them, large ones among them.
const QStringList WholeAmounts = { QStringLiteral("0"),
                                   QStringLiteral("3"),
                                   QStringLiteral("-7"),
                                   QStringLiteral("1234"),
                                   QStringLiteral("1e9"),
                                   QStringLiteral("-250000"),
                                   QStringLiteral("99999"),
                                   QStringLiteral("1"),
                                   QStringLiteral("19.0"),
                                   QStringLiteral("123456789012"),
                                   QStringLiteral("-123456789011") };

// A journal made to catch a pass that groups, orders or adds differently from the grouped query:
// names and codes that differ only in case, spaces or accents, NULL beside the empty text, and
// the given amounts.
void fillRandomJournal(
    const TestFolder& folder, Journal journal, int lines, unsigned seed, const QStringList& amounts = RoundedAmounts)
{
    const QStringList names = { QStringLiteral("NULL"),
                                QStringLiteral("''"),
                                QStringLiteral("'Alfa'"),
                                QStringLiteral("'alfa'"),
                                QStringLiteral("'Alfa '"),
                                QStringLiteral("' Alfa'"),
                                QStringLiteral("'Beta SRL'"),
                                QStringLiteral("'Ştefan'"),
                                QStringLiteral("'Stefan'"),
                                QStringLiteral("'Beta SRL.'"),
                                QStringLiteral("'Z'"),
                                QStringLiteral("'123'"),
                                QStringLiteral("'Societatea Comerciala de Distributie Exemplu SRL'") };
    const QStringList codes = { QStringLiteral("NULL"),     QStringLiteral("''"),       QStringLiteral("'RO123'"),
                                QStringLiteral("'ro123'"),  QStringLiteral("'RO 123'"), QStringLiteral("'RO123 '"),
                                QStringLiteral("'RO1234'"), QStringLiteral("'123'"),    QStringLiteral("'RO12'") };
    const int lastColumn = journal == Journal::Purchases ? 17 : 10;
    std::mt19937 random(seed);
    auto pick = [&random](const QStringList& list) {
        return list[int(random() % unsigned(list.size()))];
    };
    QString sql = QStringLiteral("BEGIN;\n");
    QString columns = QStringLiteral("NUME, CODF, TOTAL");
    for (int c = 6; c <= lastColumn; ++c)
        columns += QStringLiteral(", COL%1").arg(c);
    for (int i = 0; i < lines; ++i) {
        QString values = pick(names) + QStringLiteral(", ") + pick(codes) + QStringLiteral(", ") + pick(amounts);
        for (int c = 6; c <= lastColumn; ++c)
            // Mostly zeros, so that lines are left out as well as taken in.
            values += QStringLiteral(", ") + (random() % 3 == 0 ? QStringLiteral("0") : pick(amounts));
        sql += QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);\n")
                   .arg(QLatin1String(tableOf(journal)), columns, values);
    }
    sql += QStringLiteral("COMMIT;");
    folder.exec(sql);
}

// Doubles compared bit for bit: a sum added in another order may differ in its last bit only.
bool sameBits(const QList<Value>& a, const QList<Value>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].type() != b[i].type())
            return false;
        if (a[i].type() == Value::Type::Real
                ? std::bit_cast<quint64>(a[i].toDouble()) != std::bit_cast<quint64>(b[i].toDouble())
                : a[i] != b[i])
            return false;
    }
    return true;
}

void expectSameRows(const Result<store::RecordSet>& got, const Result<store::RecordSet>& grouped, const char* journal)
{
    ASSERT_TRUE(got.ok()) << journal;
    ASSERT_TRUE(grouped.ok()) << journal;
    EXPECT_EQ(got->columns, grouped->columns) << journal;
    ASSERT_EQ(got->size(), grouped->size()) << journal;
    for (int i = 0; i < grouped->size(); ++i)
        ASSERT_TRUE(sameBits(got->rows[i], grouped->rows[i]))
            << journal << " group " << i << ": " << grouped->rows[i][0].toText().toStdString() << " / "
            << grouped->rows[i][1].toText().toStdString();
}

// Both journals' totals read in chunks on two threads against the grouped queries, for the
// declaration's totals and the semester's, and which journals the chunks could give the
// declaration's totals.
void expectChunksSameAsGroupedQuery(const TestFolder& folder, std::optional<TotalsPaths> expectedPaths)
{
    const std::pair<GroupedTotals, GroupedTotals> groupings[]
        = { { partnerGroupedTotals(Journal::Purchases), partnerGroupedTotals(Journal::Sales) },
            { semesterTotals(Journal::Purchases), semesterTotals(Journal::Sales) } };
    auto connection = store::openDatabase(folder.folder());
    ASSERT_TRUE(connection.ok());
    for (const auto& [purchases, sales] : groupings) {
        TotalsPaths paths;
        const auto [p, s] = journalTotals(folder.folder(), *connection, purchases, sales, &paths);
        expectSameRows(p, store::fetchAll(*connection, groupedTotalsSql(purchases)), "purchases");
        expectSameRows(s, store::fetchAll(*connection, groupedTotalsSql(sales)), "sales");
        if (expectedPaths) {
            EXPECT_EQ(paths.purchases, expectedPaths->purchases);
            EXPECT_EQ(paths.sales, expectedPaths->sales);
        }
        expectedPaths.reset();
    }
}

void fillBothJournals(const TestFolder& folder, int lines, unsigned seed, const QStringList& amounts)
{
    fillRandomJournal(folder, Journal::Purchases, lines, seed, amounts);
    fillRandomJournal(folder, Journal::Sales, lines, seed + 1, amounts);
}

} // namespace

TEST(PartnerAggregation, SameAsGroupedQueryOnTheFixtures)
{
    for (const char* fixture : { "/declaration_fixture.sql", "/semester/fixture.sql" }) {
        TestFolder folder;
        folder.load(QStringLiteral(ORVIDA_TEST_DATA) + QLatin1String(fixture));
        for (Journal journal : { Journal::Purchases, Journal::Sales }) {
            SCOPED_TRACE(fixture);
            expectSameAsGroupedQuery(folder, journal, "-2000");
        }
    }
}

// Sums in the table's order: the grouped query's sorter keeps lines with the same key in the order
// they came, whether it sorts in memory or merges spilled runs.
TEST(PartnerAggregation, SameAsGroupedQueryOnARandomJournal)
{
    struct Case
    {
        int lines;
        unsigned seed;
        const char* sortCache;
    };
    const Case cases[] = { { 3000, 1, "-2000" }, { 3000, 2, "-2000" }, { 40000, 3, "5" } };
    for (const Case& c : cases) {
        for (Journal journal : { Journal::Purchases, Journal::Sales }) {
            SCOPED_TRACE(c.seed);
            TestFolder folder;
            fillRandomJournal(folder, journal, c.lines, c.seed);
            expectSameAsGroupedQuery(folder, journal, c.sortCache);
        }
    }
}

// The random journal is worth comparing on: its groups' sums change when their lines are added in
// another order, so a pass adding in any order but the grouped query's would be caught.
TEST(PartnerAggregation, RandomJournalSumsDependOnTheOrder)
{
    TestFolder folder;
    fillRandomJournal(folder, Journal::Sales, 3000, 1);
    auto connection = store::openDatabase(folder.folder());
    ASSERT_TRUE(connection.ok());
    const QString perLine
        = QStringLiteral("SELECT NUME, CODF, COL6+COL8+COL10 AS b FROM zet_jvt_UE "
                         "WHERE (COL7<>0 OR COL9<>0 OR COL10<>0) AND b IS NOT NULL ORDER BY rowid %1");
    auto forward = store::fetchAll(*connection, perLine.arg(QLatin1String("ASC")));
    auto backward = store::fetchAll(*connection, perLine.arg(QLatin1String("DESC")));
    ASSERT_TRUE(forward.ok());
    ASSERT_TRUE(backward.ok());
    QHash<QString, double> sumForward;
    QHash<QString, double> sumBackward;
    auto keyOf = [](const QList<Value>& r) {
        return QString::number(int(r[0].type())) + r[0].toText() + QChar(0) + QString::number(int(r[1].type()))
            + r[1].toText();
    };
    for (const QList<Value>& r : forward->rows)
        sumForward[keyOf(r)] += r[2].toDouble();
    for (const QList<Value>& r : backward->rows)
        sumBackward[keyOf(r)] += r[2].toDouble();
    int differing = 0;
    for (auto it = sumForward.cbegin(); it != sumForward.cend(); ++it)
        if (it.value() != sumBackward.value(it.key()))
            ++differing;
    EXPECT_GT(differing, 0);
}

// The chunks stand for the grouped query on whole amounts; any other amount in any chunk sends its
// journal back to one pass, which still gives the grouped query's rows.
TEST(PartnerAggregation, ChunksSameAsGroupedQuery)
{
    struct Case
    {
        const char* name;
        QStringList amounts;
        const char* changedPurchase; // one purchase line in the middle of the journal changed so
        TotalsPaths paths;
    };
    const Case cases[] = {
        { "whole amounts", WholeAmounts, nullptr, { true, true } },
        { "amounts that round", RoundedNumbers, nullptr, { false, false } },
        { "one line with decimals", WholeAmounts, "COL7 = 0.1", { false, true } },
        { "one amount past 2^53", WholeAmounts, "COL7 = 1e16", { false, true } },
        // Summed alone, the reverse-charge base reaches the sum as stored (the semester's totals
        // do not sum it).
        { "one amount stored as text", WholeAmounts, "COL16 = '12abc'", { false, true } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        fillBothJournals(folder, 3000, 7, c.amounts);
        if (c.changedPurchase)
            folder.exec(
                QStringLiteral("UPDATE zet_jct_UE SET %1 WHERE rowid = 1700").arg(QLatin1String(c.changedPurchase)));
        expectChunksSameAsGroupedQuery(folder, c.paths);
    }
}

// One partner's lines spread over the whole journal, so that every chunk adds some of them.
TEST(PartnerAggregation, ChunksSplittingAGroup)
{
    TestFolder folder;
    QString sql = QStringLiteral("BEGIN;\n");
    for (int i = 0; i < 40; ++i)
        sql += QStringLiteral(
                   "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7, COL16) VALUES ('%1', 'RO%2', %3, %4, %5);\n")
                   .arg(i % 2 == 0 ? QStringLiteral("Alfa") : QStringLiteral("Beta %1").arg(i))
                   .arg(i % 2 == 0 ? 1 : i)
                   .arg(1000 + i)
                   .arg(190 + i)
                   .arg(i % 5 == 0 ? 100 : 0);
    folder.exec(sql + QStringLiteral("COMMIT;"));
    expectChunksSameAsGroupedQuery(folder, TotalsPaths { true, false });

    auto connection = store::openDatabase(folder.folder());
    ASSERT_TRUE(connection.ok());
    const auto [purchases, sales] = journalTotals(
        folder.folder(), *connection, partnerGroupedTotals(Journal::Purchases), partnerGroupedTotals(Journal::Sales));
    ASSERT_TRUE(purchases.ok());
    ASSERT_TRUE(sales.ok());
    EXPECT_TRUE(sales->isEmpty());
    ASSERT_FALSE(purchases->isEmpty());
    // 20 lines: bases 1000, 1002... 1038 and four reverse-charge bases of 100; VAT 190, 192... 228.
    EXPECT_EQ(purchases->rows[0],
              (QList<Value> { QStringLiteral("Alfa"), QStringLiteral("RO1"), qint64(20), 20 * 1019.0 + 400, 20 * 209.0,
                              400.0 }));
}

// 2^53 - 1, then 2 and -2 at the other end of the journal, where the other thread likely takes
// them: each share alone adds exactly, but in the table's order 2^53 - 1 + 2 rounds, so the
// journal must be added again in one pass.
TEST(PartnerAggregation, ChunksWhoseMergedSumsWouldRound)
{
    TestFolder folder;
    QString sql = QStringLiteral("BEGIN;\n");
    auto line = [&sql](const char* name, const QString& vat) {
        sql += QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, COL7) VALUES ('%1', 'RO1', %2);\n")
                   .arg(QLatin1String(name), vat);
    };
    line("Alfa", QStringLiteral("9007199254740991"));
    for (int i = 0; i < 3000; ++i)
        line("Beta", QString::number(i + 1));
    line("Alfa", QStringLiteral("2"));
    line("Alfa", QStringLiteral("-2"));
    folder.exec(sql + QStringLiteral("COMMIT;"));
    expectChunksSameAsGroupedQuery(folder, TotalsPaths { false, false });
}

TEST(PartnerAggregation, ChunksSameAsGroupedQueryOnTheFixtures)
{
    for (const char* fixture : { "/declaration_fixture.sql", "/semester/fixture.sql" }) {
        SCOPED_TRACE(fixture);
        TestFolder folder;
        folder.load(QStringLiteral(ORVIDA_TEST_DATA) + QLatin1String(fixture));
        expectChunksSameAsGroupedQuery(folder, std::nullopt);
    }
}
