#include "declaration/PartnerTotals.h"

#include "store/Database.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
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
    bool any = false; // a value was added
    bool approximate = false;
    bool overflow = false;

    void add(const store::Statement& st, int column)
    {
        switch (st.columnStorage(column)) {
        case store::Statement::Storage::Null:
            return;
        case store::Statement::Storage::Integer: {
            const qint64 v = st.columnInteger(column);
            any = true;
            real += double(v);
            if (!approximate && !overflow && __builtin_add_overflow(integer, v, &integer))
                approximate = overflow = true;
            return;
        }
        default:
            // SUM reads a text or blob amount as the number it starts with, as columnReal does.
            any = true;
            real += st.columnReal(column);
            approximate = true;
            return;
        }
    }
    Value result() const
    {
        if (!any)
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

KeyParts splitKey(std::string_view key)
{
    quint32 nameSize = 0;
    std::memcpy(&nameSize, key.data() + 1, sizeof nameSize);
    const size_t codeAt = 1 + sizeof nameSize + nameSize;
    return { key[0] == '\0', key.substr(1 + sizeof nameSize, nameSize), key[codeAt] == '\0', key.substr(codeAt + 1) };
}

// The groups in the order first seen, their keys one after another in one text, found through an
// index of slots probed in turn (a power of two of them, at most half full): a line's lookup
// touches a slot, its key and its group, where a node-based map chases more pointers.
class GroupTable
{
public:
    Group& find(std::string_view key)
    {
        if ((entries_.size() + 1) * 2 > slots_.size())
            grow();
        const size_t hash = std::hash<std::string_view>()(key);
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.entry == 0) {
                slot = { hash, entries_.size() + 1 };
                entries_.push_back({ keys_.size(), key.size(), Group() });
                keys_.append(key);
                return entries_.back().group;
            }
            if (slot.hash == hash && keyOf(slot.entry - 1) == key)
                return entries_[slot.entry - 1].group;
        }
    }
    size_t size() const { return entries_.size(); }
    // Lets go of the index and the spare room once every line is in: the groups are then only
    // read, while the rows are made beside them.
    void finish()
    {
        slots_ = std::vector<Slot>();
        entries_.shrink_to_fit();
        keys_.shrink_to_fit();
    }
    std::string_view keyOf(size_t index) const
    {
        return std::string_view(keys_).substr(entries_[index].keyAt, entries_[index].keySize);
    }
    const Group& group(size_t index) const { return entries_[index].group; }

private:
    struct Slot
    {
        size_t hash = 0;
        size_t entry = 0; // the entry's index + 1, 0 when free
    };
    struct Entry
    {
        size_t keyAt;
        size_t keySize;
        Group group;
    };
    void grow()
    {
        std::vector<Slot> fresh(std::max<size_t>(1024, slots_.size() * 2));
        const size_t mask = fresh.size() - 1;
        for (const Slot& old : slots_) {
            if (old.entry == 0)
                continue;
            size_t i = old.hash & mask;
            while (fresh[i].entry != 0)
                i = (i + 1) & mask;
            fresh[i] = old;
        }
        slots_ = std::move(fresh);
    }
    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
    std::string keys_;
};

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

Result<store::RecordSet> groupedTotals(store::Connection& connection, const GroupedTotals& grouping)
{
    auto fallback = [&connection, &grouping] {
        return groupedQuery(connection, grouping);
    };
    const int sumCount = int(grouping.sums.size());
    if (store::sqliteVersion() >= 3043000 || sumCount > MaxSums)
        return fallback();
    {
        auto encoding = store::fetchAll(connection, QStringLiteral("PRAGMA encoding"));
        if (!encoding)
            return encoding.failure();
        if (encoding->rows.size() != 1 || encoding->rows[0][0].toText() != QLatin1String("UTF-8"))
            return fallback();
    }
    auto st = connection.prepare(linesSql(grouping));
    if (!st)
        return st.failure();

    // The grouped query sorts the lines by their key alone and its sorter keeps equal keys in the
    // order they came (the table's order), so each group's sums add in the table's order, as here.
    GroupTable groups;
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
        Group& g = groups.find(key);
        if (!codeNull)
            ++g.lines;
        for (int i = 0; i < sumCount; ++i)
            g.sums[size_t(i)].add(*st, 2 + i);
    }

    groups.finish();
    std::vector<size_t> order;
    order.reserve(groups.size());
    for (size_t index = 0; index < groups.size(); ++index) {
        const Group& g = groups.group(index);
        for (int i = 0; i < sumCount; ++i)
            if (g.sums[size_t(i)].overflow)
                return fallback();
        order.push_back(index);
    }
    std::sort(order.begin(), order.end(), [&groups](size_t a, size_t b) {
        const KeyParts x = splitKey(groups.keyOf(a));
        const KeyParts y = splitKey(groups.keyOf(b));
        const int byName = compareKey(x.nameNull, x.name, y.nameNull, y.name);
        if (byName != 0)
            return byName < 0;
        return compareKey(x.codeNull, x.code, y.codeNull, y.code) < 0;
    });

    store::RecordSet totals;
    totals.columns = { QStringLiteral("NUME"), QStringLiteral("CODF") };
    if (grouping.countLines)
        totals.columns.append(QStringLiteral("NrFac"));
    for (const auto& sum : grouping.sums)
        totals.columns.append(sum.first);
    totals.rows.reserve(qsizetype(order.size()));
    auto text = [](bool isNull, std::string_view bytes) {
        return isNull ? Value::null() : Value(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    };
    for (size_t index : order) {
        const KeyParts k = splitKey(groups.keyOf(index));
        const Group& g = groups.group(index);
        QList<Value> row;
        row.reserve(totals.columns.size());
        row << text(k.nameNull, k.name) << text(k.codeNull, k.code);
        if (grouping.countLines)
            row << Value(g.lines);
        for (int i = 0; i < sumCount; ++i)
            row << g.sums[size_t(i)].result();
        totals.rows.append(std::move(row));
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
