#include "declaration/PartnerTotals.h"

#include "store/Database.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

namespace {

GroupedTotals partnerGroupedTotals(Journal journal)
{
    const JournalColumns c = journalColumns(journal);
    return { c.table,
             c.takesPart,
             true,
             { { QStringLiteral("Expr1"), c.base },
               { QStringLiteral("TVA"), c.vat },
               { QStringLiteral("Taxare"), c.reverseCharge } } };
}

} // namespace

QString groupedTotalsSql(const GroupedTotals& totals)
{
    QString sql = QStringLiteral("SELECT NUME, CODF");
    if (totals.countLines)
        sql += QStringLiteral(", Count(CODF) AS NrFac");
    for (const auto& [name, expression] : totals.sums)
        sql += QStringLiteral(", Sum(%1) AS %2").arg(expression, name);
    return sql
        + QStringLiteral(" FROM %1 WHERE %2 GROUP BY NUME, CODF ORDER BY NUME COLLATE BINARY, CODF COLLATE BINARY")
              .arg(totals.table, totals.takesPart);
}

QString partnerTotalsSql(Journal journal)
{
    return groupedTotalsSql(partnerGroupedTotals(journal));
}

namespace {

// The journal's lines that take part, with the values the grouped query sums, computed by the same
// expressions.
QString linesSql(const GroupedTotals& totals)
{
    QString sql = QStringLiteral("SELECT NUME, CODF");
    for (const auto& sum : totals.sums)
        sql += QStringLiteral(", ") + sum.second;
    return sql + QStringLiteral(" FROM %1 WHERE %2").arg(totals.table, totals.takesPart);
}

// SQLite's SUM up to 3.42: an exact integer total while every value is an integer, beside a double
// total added in the order the rows come; NULLs are skipped and no value at all gives NULL.
struct EngineSum
{
    qint64 integer = 0;
    double real = 0;
    qint64 count = 0;
    bool approximate = false;
    bool overflow = false;

    void add(const store::Statement& st, int column)
    {
        switch (st.columnStorage(column)) {
        case store::Statement::Storage::Null:
            return;
        case store::Statement::Storage::Integer: {
            const qint64 v = st.columnInteger(column);
            ++count;
            real += double(v);
            if (!approximate && !overflow && __builtin_add_overflow(integer, v, &integer))
                approximate = overflow = true;
            return;
        }
        default:
            // SUM reads a text or blob amount as the number it starts with, as columnReal does.
            ++count;
            real += st.columnReal(column);
            approximate = true;
            return;
        }
    }
    Value result() const
    {
        if (count == 0)
            return Value::null();
        if (approximate)
            return Value(real);
        return Value(integer);
    }
};

// The sums of one (NUME, CODF) group.
constexpr int MaxSums = 3;
struct Group
{
    qint64 lines = 0; // lines with a code
    std::array<EngineSum, MaxSums> sums;
};

// A group's key as one string: for NUME then CODF a byte telling NULL from text (a NULL and the
// empty text are different keys, as in GROUP BY), NUME's length, then the bytes.
struct KeyParts
{
    bool nameNull;
    std::string_view name;
    bool codeNull;
    std::string_view code;
};

void makeKey(std::string& key, bool nameNull, QByteArrayView name, bool codeNull, QByteArrayView code)
{
    key.clear();
    key.push_back(nameNull ? '\0' : '\1');
    const quint32 nameSize = quint32(name.size());
    key.append(reinterpret_cast<const char*>(&nameSize), sizeof nameSize);
    key.append(name.data(), size_t(name.size()));
    key.push_back(codeNull ? '\0' : '\1');
    key.append(code.data(), size_t(code.size()));
}

KeyParts splitKey(const std::string& key)
{
    quint32 nameSize = 0;
    std::memcpy(&nameSize, key.data() + 1, sizeof nameSize);
    const size_t codeAt = 1 + sizeof nameSize + nameSize;
    return { key[0] == '\0', std::string_view(key).substr(1 + sizeof nameSize, nameSize), key[codeAt] == '\0',
             std::string_view(key).substr(codeAt + 1) };
}

// BINARY collation: NULL first, then the bytes as unsigned, a prefix before the longer text.
int compareKey(bool aNull, std::string_view a, bool bNull, std::string_view b)
{
    if (aNull || bNull)
        return int(bNull) - int(aNull);
    return a.compare(b);
}

// The grouped query's result when the pass cannot stand for it: an SQLite whose SUM adds
// differently (3.43 compensates the rounding), a database not stored in UTF-8 (the bytes would
// not order as the engine orders them), a blob as name or code, a SUM that overflows.
// More sums than a group holds also take the query.
Result<store::RecordSet> groupedQuery(store::Connection& connection, const GroupedTotals& totals)
{
    return store::fetchAll(connection, groupedTotalsSql(totals));
}

} // namespace

Result<store::RecordSet> groupedTotals(store::Connection& connection, const GroupedTotals& spec)
{
    auto fallback = [&connection, &spec] {
        return groupedQuery(connection, spec);
    };
    const int sumCount = int(spec.sums.size());
    if (store::sqliteVersion() >= 3043000 || sumCount > MaxSums)
        return fallback();
    {
        auto encoding = store::fetchAll(connection, QStringLiteral("PRAGMA encoding"));
        if (!encoding)
            return encoding.failure();
        if (encoding->rows.size() != 1 || encoding->rows[0][0].toText() != QLatin1String("UTF-8"))
            return fallback();
    }
    auto st = connection.prepare(linesSql(spec));
    if (!st)
        return st.failure();

    // The grouped query sorts the lines by their key alone and its sorter keeps equal keys in the
    // order they came (the table's order), so each group's sums add in the table's order, as here.
    using Groups = std::unordered_map<std::string, Group>;
    Groups groups;
    std::string key;
    for (;;) {
        auto more = st->step();
        if (!more)
            return more.failure();
        if (!*more)
            break;
        const auto nameStorage = st->columnStorage(0);
        const auto codeStorage = st->columnStorage(1);
        if (nameStorage == store::Statement::Storage::Blob || codeStorage == store::Statement::Storage::Blob)
            return fallback();
        const bool nameNull = nameStorage == store::Statement::Storage::Null;
        const bool codeNull = codeStorage == store::Statement::Storage::Null;
        // Text columns: numbers are stored as text, so a value here is NULL or text.
        makeKey(key, nameNull, nameNull ? QByteArrayView() : st->columnBytes(0), codeNull,
                codeNull ? QByteArrayView() : st->columnBytes(1));
        auto found = groups.find(key);
        if (found == groups.end())
            found = groups.emplace(key, Group()).first;
        Group& g = found->second;
        if (!codeNull)
            ++g.lines;
        for (int i = 0; i < sumCount; ++i)
            g.sums[size_t(i)].add(*st, 2 + i);
    }

    std::vector<Groups::iterator> order;
    order.reserve(groups.size());
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        const Group& g = it->second;
        for (int i = 0; i < sumCount; ++i)
            if (g.sums[size_t(i)].overflow)
                return fallback();
        order.push_back(it);
    }
    std::sort(order.begin(), order.end(), [](Groups::iterator a, Groups::iterator b) {
        const KeyParts x = splitKey(a->first);
        const KeyParts y = splitKey(b->first);
        const int byName = compareKey(x.nameNull, x.name, y.nameNull, y.name);
        if (byName != 0)
            return byName < 0;
        return compareKey(x.codeNull, x.code, y.codeNull, y.code) < 0;
    });

    store::RecordSet totals;
    totals.columns = { QStringLiteral("NUME"), QStringLiteral("CODF") };
    if (spec.countLines)
        totals.columns.append(QStringLiteral("NrFac"));
    for (const auto& sum : spec.sums)
        totals.columns.append(sum.first);
    totals.rows.reserve(qsizetype(order.size()));
    auto text = [](bool isNull, std::string_view bytes) {
        return isNull ? Value::null() : Value(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    };
    // Each group is let go once its row is made, so the table and the rows are not held whole
    // at the same time.
    for (Groups::iterator it : order) {
        const KeyParts k = splitKey(it->first);
        const Group& g = it->second;
        QList<Value> row;
        row.reserve(totals.columns.size());
        row << text(k.nameNull, k.name) << text(k.codeNull, k.code);
        if (spec.countLines)
            row << Value(g.lines);
        for (int i = 0; i < sumCount; ++i)
            row << g.sums[size_t(i)].result();
        totals.rows.append(std::move(row));
        groups.erase(it);
    }
    return totals;
}

Result<store::RecordSet> partnerTotals(store::Connection& connection, Journal journal)
{
    return groupedTotals(connection, partnerGroupedTotals(journal));
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
    auto totals = partnerTotals(connection, journal);
    if (!totals)
        return totals.failure();
    return acceptedPartners2012(journal, *totals);
}

} // namespace orvida::declaration
