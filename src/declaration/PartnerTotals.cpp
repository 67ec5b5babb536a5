#include "declaration/PartnerTotals.h"

#include "store/Database.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
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

// Whole amounts below 2^53 in magnitude are doubles added without rounding.
constexpr double ExactWhole = 9007199254740992.0;

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
    // The same for a whole amount of at most 2^53 stored as a number, keeping the largest
    // magnitude seen on the line; false, adding nothing, for any other value.
    bool addWhole(const store::Statement& st, int column, double& largest)
    {
        double v = 0;
        switch (st.columnStorage(column)) {
        case store::Statement::Storage::Null:
            return true;
        case store::Statement::Storage::Integer: {
            const qint64 i = st.columnInteger(column);
            if (i > qint64(ExactWhole) || i < -qint64(ExactWhole))
                return false;
            integer += i; // the caller keeps the total within 2^53
            v = double(i);
            break;
        }
        case store::Statement::Storage::Real:
            v = st.columnReal(column);
            if (!(std::abs(v) <= ExactWhole) || v != std::trunc(v))
                return false;
            approximate = true;
            break;
        default:
            return false;
        }
        any = true;
        real += v;
        largest = std::max(largest, std::abs(v));
        return true;
    }
    // The sum of two shares of a group's lines added by addWhole: exact, so equal to the sum in
    // the table's order.
    void merge(const EngineSum& other)
    {
        integer += other.integer;
        real += other.real;
        any = any || other.any;
        approximate = approximate || other.approximate;
        overflow = overflow || other.overflow;
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
    // Added by addWhole: the sum of each line's largest magnitude, which bounds every partial sum
    // of the group's values in any order. Below 2^53 it is exact itself, and no addition rounds;
    // a sum at or past 2^53 may have rounded down to 2^53, which the checks refuse as well.
    double magnitude = 0;

    bool addWhole(const store::Statement& st, int sumCount)
    {
        double largest = 0;
        for (int i = 0; i < sumCount; ++i)
            if (!sums[size_t(i)].addWhole(st, 2 + i, largest))
                return false;
        magnitude += largest;
        return magnitude < ExactWhole;
    }
    // False when the two shares' lines together could round in some order.
    bool merge(const Group& other)
    {
        lines += other.lines;
        for (size_t i = 0; i < sums.size(); ++i)
            sums[i].merge(other.sums[i]);
        magnitude += other.magnitude;
        return magnitude < ExactWhole;
    }
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

// The groups in the order first seen, found through an index of slots probed in turn (a power of
// two of them, at most half full). A short key is kept in its group's entry, two cache lines: a
// line's lookup then touches a slot and the entry, where a node-based map chases more pointers.
// A longer key is kept in one text with the others.
class GroupTable
{
public:
    Group& find(std::string_view key)
    {
        if ((entries_.size() + 1) * 2 > slots_.size())
            grow();
        const size_t hash = std::hash<std::string_view>()(key);
        const quint32 tag = quint32(hash >> 32);
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.entry == 0) {
                slot = { tag, quint32(entries_.size() + 1) };
                add(key);
                return entries_.back().group;
            }
            if (slot.tag == tag && keyOf(slot.entry - 1) == key)
                return entries_[slot.entry - 1].group;
        }
    }
    size_t size() const { return entries_.size(); }
    // Takes in another table's groups, which it lets go of; false when a group's merged sums
    // might differ from the sums in the table's order.
    bool merge(GroupTable&& other)
    {
        bool exact = true;
        for (size_t index = 0; index < other.size(); ++index)
            exact = find(other.keyOf(index)).merge(other.group(index)) && exact;
        other = GroupTable();
        return exact;
    }
    // Lets go of the index and the spare room once every line is in: the groups are then only
    // read, while the rows are made beside them.
    void finish()
    {
        slots_ = std::vector<Slot>();
        entries_.shrink_to_fit();
        longKeys_.shrink_to_fit();
    }
    std::string_view keyOf(size_t index) const
    {
        const Entry& e = entries_[index];
        if (e.keySize <= InlineKey)
            return std::string_view(e.key, e.keySize);
        size_t at = 0;
        std::memcpy(&at, e.key, sizeof at);
        return std::string_view(longKeys_).substr(at, e.keySize);
    }
    const Group& group(size_t index) const { return entries_[index].group; }

private:
    struct Slot
    {
        quint32 tag = 0; // the hash's high half (its low bits choose the slot)
        quint32 entry = 0; // the entry's index + 1, 0 when free (groups are far fewer than 2^32)
    };
    static constexpr size_t InlineKey = 128 - sizeof(Group) - sizeof(quint32);
    struct alignas(64) Entry
    {
        Group group;
        quint32 keySize = 0;
        char key[InlineKey]; // the key, or where it starts in longKeys_
    };
    static_assert(sizeof(Entry) == 128);
    void add(std::string_view key)
    {
        Entry& e = entries_.emplace_back();
        e.keySize = quint32(key.size());
        if (key.size() <= InlineKey) {
            std::memcpy(e.key, key.data(), key.size());
            return;
        }
        const size_t at = longKeys_.size();
        std::memcpy(e.key, &at, sizeof at);
        longKeys_.append(key);
    }
    void grow()
    {
        std::vector<Slot> fresh(std::max<size_t>(1024, slots_.size() * 2));
        const size_t mask = fresh.size() - 1;
        for (const Slot& old : slots_) {
            if (old.entry == 0)
                continue;
            size_t i = std::hash<std::string_view>()(keyOf(old.entry - 1)) & mask;
            while (fresh[i].entry != 0)
                i = (i + 1) & mask;
            fresh[i] = old;
        }
        slots_ = std::move(fresh);
    }
    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
    std::string longKeys_;
};

// The group of the statement's line (NUME, CODF first), the line counted when it has a code; null
// for a blob as name or code.
Group* countLine(const store::Statement& st, GroupTable& groups, std::string& key)
{
    const auto nameStorage = st.columnStorage(0);
    const auto codeStorage = st.columnStorage(1);
    if (nameStorage == store::Statement::Storage::Blob || codeStorage == store::Statement::Storage::Blob)
        return nullptr;
    const bool nameNull = nameStorage == store::Statement::Storage::Null;
    const bool codeNull = codeStorage == store::Statement::Storage::Null;
    // Text columns: numbers are stored as text, so a value here is NULL or text.
    makeKey(key, nameNull, nameNull ? QByteArrayView() : st.columnBytes(0), codeNull,
            codeNull ? QByteArrayView() : st.columnBytes(1));
    Group& g = groups.find(key);
    if (!codeNull)
        ++g.lines;
    return &g;
}

// BINARY collation: NULL first, then the bytes as unsigned, a prefix before the longer text.
int compareKey(bool aNull, std::string_view a, bool bNull, std::string_view b)
{
    if (aNull || bNull)
        return int(bNull) - int(aNull);
    return a.compare(b);
}

// The groups as the grouped query's rows, in its order.
store::RecordSet sortedRows(GroupTable& groups, const GroupedTotals& grouping)
{
    groups.finish();
    std::vector<size_t> order(groups.size());
    for (size_t index = 0; index < order.size(); ++index)
        order[index] = index;
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
        for (int i = 0; i < int(grouping.sums.size()); ++i)
            row << g.sums[size_t(i)].result();
        totals.rows.append(std::move(row));
    }
    return totals;
}

// The grouped query's result when the pass cannot stand for it: an SQLite whose SUM adds
// differently (3.43 compensates the rounding), a database not stored in UTF-8 (the bytes would
// not order as the engine orders them), a blob as name or code, a SUM that overflows.
// More sums than a group holds also take the query.
Result<store::RecordSet> groupedQuery(store::Connection& connection, const GroupedTotals& totals)
{
    return store::fetchAll(connection, groupedTotalsSql(totals));
}

// Whether a pass over the lines can stand for the grouped query on this engine and database.
Result<bool> passStandsForQuery(store::Connection& connection, const GroupedTotals& grouping)
{
    if (store::sqliteVersion() >= 3043000 || grouping.sums.size() > MaxSums)
        return false;
    auto encoding = store::fetchAll(connection, QStringLiteral("PRAGMA encoding"));
    if (!encoding)
        return encoding.failure();
    return encoding->rows.size() == 1 && encoding->rows[0][0].toText() == QLatin1String("UTF-8");
}

} // namespace

Result<store::RecordSet> groupedTotals(store::Connection& connection, const GroupedTotals& grouping)
{
    const auto stands = passStandsForQuery(connection, grouping);
    if (!stands)
        return stands.failure();
    if (!*stands)
        return groupedQuery(connection, grouping);
    auto st = connection.prepare(linesSql(grouping));
    if (!st)
        return st.failure();

    // The grouped query sorts the lines by their key alone and its sorter keeps equal keys in the
    // order they came (the table's order), so each group's sums add in the table's order, as here.
    const int sumCount = int(grouping.sums.size());
    GroupTable groups;
    std::string key;
    for (;;) {
        auto more = st->step();
        if (!more)
            return more.failure();
        if (!*more)
            break;
        Group* g = countLine(*st, groups, key);
        if (!g)
            return groupedQuery(connection, grouping);
        for (int i = 0; i < sumCount; ++i)
            g->sums[size_t(i)].add(*st, 2 + i);
    }
    for (size_t index = 0; index < groups.size(); ++index)
        for (const EngineSum& sum : groups.group(index).sums)
            if (sum.overflow)
                return groupedQuery(connection, grouping);
    return sortedRows(groups, grouping);
}

namespace {

// The chunked reading of both journals. Each journal's lines are split into ranges of rowids, the
// chunks, taken by two threads with a connection each until none is left, so that neither waits
// for the other's longer journal. A thread adds every chunk it takes into its own table of groups
// for that journal; the two tables are merged and sorted once.
// Merging reorders the additions, which gives the sums of the table's order only when no addition
// rounds: every value a whole number and, per group, the sum of the lines' magnitudes below 2^53.
// A journal with any other line is read again in one pass, as are both when the database changed
// while they were read (the chunks would mix two states of it).
constexpr int ChunksPerJournal = 8;

struct ChunkedJournal
{
    explicit ChunkedJournal(const GroupedTotals& g)
        : grouping(g)
    { }
    const GroupedTotals& grouping;
    QString sql; // the lines within a range of rowids
    qint64 first = 0;
    qint64 last = 0;
    int chunks = 0; // none: read in one pass
    std::atomic<bool> stopped { false }; // a chunk failed, or met a line it cannot add exactly
};

// What one thread made of a journal's chunks.
struct ChunkShare
{
    GroupTable groups;
    std::optional<Failure> failure;
    bool inexact = false;
};
using ChunkShares = std::array<ChunkShare, 2>;

struct ChunkedRead
{
    ChunkedRead(const GroupedTotals& purchases, const GroupedTotals& sales)
        : journals { ChunkedJournal(purchases), ChunkedJournal(sales) }
    { }
    std::array<ChunkedJournal, 2> journals;
    // The chunks not yet taken, the purchases' then the sales': the connection's thread takes them
    // from the front, the helper from the back, so that each mostly fills one table of groups.
    std::mutex taking;
    int front = 0;
    int back = 0;
    std::atomic<bool> changed { false };

    std::optional<int> take(bool fromBack)
    {
        const std::lock_guard lock(taking);
        if (front == back)
            return std::nullopt;
        return fromBack ? --back : front++;
    }
};

// The connection's count of the changes other connections made to the database.
std::optional<qint64> dataVersion(store::Connection& connection)
{
    auto rs = store::fetchAll(connection, QStringLiteral("PRAGMA data_version"));
    if (!rs || rs->rows.size() != 1)
        return std::nullopt;
    return rs->rows[0][0].toInteger();
}

// Splits the journal into chunks of about equal ranges of rowids; leaves it to one pass when the
// chunks cannot stand for the grouped query, or when there is no line (nothing to share).
void planChunks(store::Connection& connection, ChunkedJournal& journal)
{
    const auto stands = passStandsForQuery(connection, journal.grouping);
    if (!stands || !*stands)
        return;
    // Each bound alone reads one end of the table; min and max together would read all of it.
    auto range = store::fetchAll(
        connection,
        QStringLiteral("SELECT (SELECT min(rowid) FROM %1), (SELECT max(rowid) FROM %1)").arg(journal.grouping.table));
    if (!range || range->rows.size() != 1 || !range->rows[0][0].isNumber())
        return;
    journal.first = range->rows[0][0].toInteger();
    journal.last = range->rows[0][1].toInteger();
    const quint64 span = quint64(journal.last) - quint64(journal.first);
    journal.chunks = int(std::min<quint64>(ChunksPerJournal, span + 1));
    journal.sql = linesSql(journal.grouping) + QStringLiteral(" AND rowid BETWEEN ?1 AND ?2");
}

// The rowids of a chunk, none when the chunks before it reach the last line.
std::optional<std::pair<qint64, qint64>> chunkRange(const ChunkedJournal& journal, int chunk)
{
    const quint64 span = quint64(journal.last) - quint64(journal.first);
    const quint64 size = span / quint64(journal.chunks) + 1;
    const quint64 offset = size * quint64(chunk);
    if (offset > span)
        return std::nullopt;
    const qint64 from = qint64(quint64(journal.first) + offset);
    const qint64 to = chunk + 1 == journal.chunks || size - 1 > span - offset ? journal.last : from + qint64(size - 1);
    return std::pair { from, to };
}

// Adds one chunk's lines into the thread's groups: false at a line it cannot add exactly.
Result<bool> addChunk(store::Connection& connection, ChunkedJournal& journal, int chunk, GroupTable& groups)
{
    const auto range = chunkRange(journal, chunk);
    if (!range)
        return true;
    auto st = connection.prepare(journal.sql);
    if (!st)
        return st.failure();
    if (Status s = st->bindAll({ Value(range->first), Value(range->second) }); !s)
        return s.failure();
    const int sumCount = int(journal.grouping.sums.size());
    std::string key;
    for (;;) {
        auto more = st->step();
        if (!more)
            return more.failure();
        if (!*more || journal.stopped.load(std::memory_order_relaxed))
            return true;
        Group* g = countLine(*st, groups, key);
        if (!g || !g->addWhole(*st, sumCount))
            return false;
    }
}

// Takes chunks until none is left, then notes whether the database changed since versionBefore.
void takeChunks(store::Connection& connection,
                std::optional<qint64> versionBefore,
                ChunkedRead& read,
                bool fromBack,
                ChunkShares& shares)
{
    const int purchaseChunks = read.journals[0].chunks;
    while (const auto taken = read.take(fromBack)) {
        const int task = *taken;
        const size_t j = task < purchaseChunks ? 0 : 1;
        ChunkedJournal& journal = read.journals[j];
        if (journal.stopped.load())
            continue;
        auto added
            = addChunk(connection, journal, task < purchaseChunks ? task : task - purchaseChunks, shares[j].groups);
        if (!added || !*added) {
            journal.stopped = true;
            if (!added)
                shares[j].failure = added.failure();
            shares[j].inexact = added && !*added;
            shares[j].groups = GroupTable();
        }
    }
    if (!versionBefore || dataVersion(connection) != versionBefore)
        read.changed = true;
}

// One journal's totals from both threads' shares, or from one pass when the chunks could not
// give them.
Result<store::RecordSet> finishJournal(
    store::Connection& connection, ChunkedRead& read, size_t j, ChunkShare& own, ChunkShare& other, bool* chunked)
{
    if (own.failure)
        return *own.failure;
    if (other.failure)
        return *other.failure;
    ChunkedJournal& journal = read.journals[j];
    const bool exact = journal.chunks > 0 && !own.inexact && !other.inexact && !read.changed
        && own.groups.merge(std::move(other.groups));
    if (!exact) {
        own.groups = GroupTable();
        other.groups = GroupTable();
        return groupedTotals(connection, journal.grouping);
    }
    if (chunked)
        *chunked = true;
    return sortedRows(own.groups, journal.grouping);
}

} // namespace

std::pair<Result<store::RecordSet>, Result<store::RecordSet>> journalTotals(const ProgramFolder& folder,
                                                                            store::Connection& connection,
                                                                            const GroupedTotals& purchases,
                                                                            const GroupedTotals& sales,
                                                                            TotalsPaths* paths)
{
    ChunkedRead read(purchases, sales);
    ChunkShares mine;
    ChunkShares helpers;
    const auto versionBefore = dataVersion(connection);
    planChunks(connection, read.journals[0]);
    planChunks(connection, read.journals[1]);
    read.back = read.journals[0].chunks + read.journals[1].chunks;
    auto helper = std::async(std::launch::async, [&folder, &read, &helpers]() -> Result<store::Connection> {
        auto helperConnection = store::openDatabase(folder);
        if (!helperConnection) {
            read.journals[1].stopped = true;
            return helperConnection.failure();
        }
        takeChunks(*helperConnection, dataVersion(*helperConnection), read, true, helpers);
        return helperConnection;
    });
    takeChunks(connection, versionBefore, read, false, mine);
    auto helperConnection = helper.get();
    std::future<Result<store::RecordSet>> salesDone;
    if (helperConnection)
        salesDone = std::async(std::launch::async, [&] {
            return finishJournal(*helperConnection, read, 1, helpers[1], mine[1], paths ? &paths->sales : nullptr);
        });
    auto purchaseTotals = finishJournal(connection, read, 0, mine[0], helpers[0], paths ? &paths->purchases : nullptr);
    if (!helperConnection)
        return { std::move(purchaseTotals), helperConnection.failure() };
    return { std::move(purchaseTotals), salesDone.get() };
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
