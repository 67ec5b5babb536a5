// The .xlsx reader: the zip is inflated part by part through QuaZip and each part is parsed by
// expat as a stream, so the sheet never sits in memory whole; only the shared strings do, packed
// into one buffer.
#include "import/Workbook.h"

#include "base/ErrorReport.h"
#include "import/Prefetcher.h"

#include <QBuffer>
#include <QHash>

#include <expat.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <string_view>

namespace orvida::import {

namespace {

constexpr qint64 ChunkBytes = 256 * 1024;
constexpr int MaxRows = 1048576; // Excel's own limits; anything beyond is a damaged file
constexpr int MaxColumns = 16384;
// The parsing thread hands the sheet over in batches of about this many bytes of cells (a batch
// ends with a row), and waits while this many batches are not yet taken: a few megabytes, whatever
// the sheet's length.
constexpr size_t BatchBytes = 256 * 1024;
constexpr int BatchDepth = 4;
constexpr int MaxCellCharacters = 32767; // what Excel lets a cell hold
// A UTF-8 byte count beyond which the text has more than MaxCellCharacters UTF-16 units for sure.
constexpr size_t MaxCellBytes = size_t(MaxCellCharacters) * 3;
constexpr qsizetype ShortSharedBytes = 256;
// Expat holds an unfinished tag (its name and attributes) whole until it ends. Beyond this many
// bytes past its last event a part is no spreadsheet, and the parser's buffer stops growing here.
constexpr qint64 MaxPendingBytes = ChunkBytes + (qint64(1) << 20);

const QString CorruptText = QStringLiteral("Fisierul .xlsx este deteriorat sau incomplet.");

// The element's name without its namespace prefix ("x:row" is "row").
const char* localName(const char* name)
{
    const char* colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

// The sheet's handlers run for every cell: a short literal is compared inline, not through a call.
template<size_t N> bool is(const char* name, const char (&literal)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (name[i] != literal[i])
            return false;
    return true;
}

const char* attribute(const char** atts, const char* name)
{
    for (int i = 0; atts[i]; i += 2)
        if (std::strcmp(localName(atts[i]), name) == 0)
            return atts[i + 1];
    return nullptr;
}

bool parseDouble(std::string_view s, double& out)
{
    const char* b = s.data();
    const char* e = b + s.size();
    while (b < e && (*b == ' ' || *b == '\t' || *b == '\n' || *b == '\r'))
        ++b;
    if (b < e && *b == '+')
        ++b;
    auto [ptr, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && ptr == e && std::isfinite(out);
}

bool parseIndex(std::string_view s, long long& out)
{
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size();
}

bool parseIndex(const char* s, long long& out)
{
    return s && parseIndex(std::string_view(s), out);
}

// Column 1 (0-based) -> "B", as Excel names it.
QString columnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QLatin1Char(char('A' + (c - 1) % 26)));
    return name;
}

// "B12" -> column 1 (0-based). -1 when the reference has no column letters or is out of range.
int columnOf(const char* ref)
{
    int col = 0;
    int letters = 0;
    for (; *ref >= 'A' && *ref <= 'Z'; ++ref, ++letters) {
        col = col * 26 + (*ref - 'A' + 1);
        if (col > MaxColumns)
            return -1;
    }
    return letters ? col - 1 : -1;
}

// The last row of a sheet's <dimension ref="A1:E1000"/>, 0 when the reference is not a
// plausible range of rows.
qint64 dimensionRows(const char* ref)
{
    if (!ref)
        return 0;
    const auto rowOf = [](const char* b, const char* e) -> qint64 {
        while (b < e && ((*b >= 'A' && *b <= 'Z') || *b == '$'))
            ++b;
        long long r = 0;
        auto [ptr, ec] = std::from_chars(b, e, r);
        return ec == std::errc() && ptr == e && r >= 1 && r <= MaxRows ? qint64(r) : 0;
    };
    const char* end = ref + std::strlen(ref);
    const char* colon = std::strchr(ref, ':');
    const qint64 first = rowOf(ref, colon ? colon : end);
    const qint64 last = colon ? rowOf(colon + 1, end) : first;
    return first > 0 && last >= first ? last : 0;
}

// A number format that shows a date or a time: the built-in ones, or a custom code with date
// letters outside quoted text and brackets.
bool isDateFormat(int id, const QString& code)
{
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47))
        return true;
    if (code.isEmpty())
        return false;
    bool quoted = false;
    bool bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (quoted) {
            quoted = c != QLatin1Char('"');
            continue;
        }
        if (bracket) {
            bracket = c != QLatin1Char(']');
            continue;
        }
        if (c == QLatin1Char('"'))
            quoted = true;
        else if (c == QLatin1Char('['))
            bracket = true;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*'))
            ++i; // the next character is literal or padding
        else if (QStringLiteral("dDmMyYhHsS").contains(c))
            return true;
    }
    return false;
}

// An expat parser owned for one part.
class Parser
{
public:
    explicit Parser(void* user)
    {
        m_p = XML_ParserCreate(nullptr);
        XML_SetUserData(m_p, user);
    }
    ~Parser() { XML_ParserFree(m_p); }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
    XML_Parser get() const { return m_p; }

private:
    XML_Parser m_p;
};

// True when expat holds more unparsed bytes than any cell of a spreadsheet needs.
bool tokenTooLong(XML_Parser p, qint64 fed)
{
    return fed - std::max<qint64>(XML_GetCurrentByteIndex(p), 0) > MaxPendingBytes;
}

// The shared strings, packed: their UTF-8 bytes one after another, and where each ends.
class SharedStrings
{
public:
    size_t size() const { return m_ends.size(); }
    QByteArrayView bytes(size_t i) const
    {
        const quint32 begin = i == 0 ? 0 : m_ends[i - 1];
        return QByteArrayView(m_pool.constData() + begin, qsizetype(m_ends[i] - begin));
    }
    // The string being read grows at the end of the pool until it is closed.
    void restart() { m_pool.truncate(m_ends.empty() ? 0 : qsizetype(m_ends.back())); }
    void append(const char* s, int len) { m_pool.append(s, len); }
    bool close()
    {
        if (m_pool.size() > qsizetype(std::numeric_limits<quint32>::max()))
            return false;
        m_ends.push_back(quint32(m_pool.size()));
        return true;
    }

private:
    QByteArray m_pool;
    std::vector<quint32> m_ends;
};

class XlsxWorkbook;

// A sheet read on two threads: one inflates and parses the part and records each cell as the file
// has it (its column, kind, style and raw value bytes); the caller's thread makes the cells from
// them, beside whatever it does with the rows. Inflating and parsing take as long as storing the
// rows, so they run side by side. A fault in the file is recorded after the rows before it, and a
// cell that cannot be made fails at its own row, so the caller sees every fault at its row.
class XlsxSheet : public SheetReader
{
public:
    XlsxSheet(XlsxWorkbook& book, std::unique_ptr<QuaZipFile> file, qint64 limit);
    Result<bool> nextRow(Row& row) override;
    // The last row of the sheet's dimension, when it comes before the rows and is plausible.
    std::optional<qint64> expectedRows() const override
    {
        const qint64 rows = m_dimensionRows.load(std::memory_order_relaxed);
        return rows > 0 ? std::optional<qint64>(rows) : std::nullopt;
    }

private:
    enum class Kind : quint8 { Number, Shared, Inline, Formula, Error, Boolean, Date, Damaged };
    struct RawCell
    {
        int column;
        int style;
        quint32 begin; // of its value in the batch's bytes
        quint32 size;
        double number; // read while parsing: a number's value, a shared string's index
        Kind kind;
        bool hasValue;
    };
    struct RawRow
    {
        int number; // of the sheet, from 1; the rows between the previous one and this are empty
        quint32 cellsEnd;
    };
    struct Batch
    {
        std::vector<RawRow> rows;
        std::vector<RawCell> cells;
        std::string bytes;
        std::optional<Failure> failure; // after the rows
        std::optional<RawRow> unfinished; // the cells of the row the failure stopped in
        bool end = false; // after the rows
        size_t weight() const { return rows.size() * sizeof(RawRow) + cells.size() * sizeof(RawCell) + bytes.size(); }
    };

    // The parsing thread.
    bool produce(Batch& batch);
    static void XMLCALL onStart(void* self, const char* name, const char** atts);
    static void XMLCALL onEnd(void* self, const char* name);
    static void XMLCALL onText(void* self, const char* s, int len);
    void start(const char* name, const char** atts);
    void end(const char* name);
    void fail()
    {
        m_bad = true;
        XML_StopParser(m_parser.get(), XML_FALSE);
    }

    // The caller's thread.
    Cell makeCell(const RawCell& raw, int row);
    Cell textCell(QString text, const RawCell& raw, int row, bool error = false);
    void tooLong(int column, int row);

    XlsxWorkbook& m_book;

    // Used by the parsing thread alone.
    std::unique_ptr<QuaZipFile> m_file;
    qint64 m_limit;
    qint64 m_read = 0;
    Parser m_parser { this };
    QByteArray m_chunk; // the parser may pause inside it
    bool m_lastChunk = false;
    bool m_suspended = false;
    bool m_bad = false;
    QString m_badReason; // when not the damaged-file text
    Batch* m_batch = nullptr; // being filled
    std::atomic<qint64> m_dimensionRows { 0 }; // read by the inserting thread
    int m_lastRow = 0; // 1-based number of the last row recorded
    bool m_inRow = false;
    int m_nextCol = 0;
    bool m_inCell = false;
    RawCell m_cell {};
    bool m_inValue = false; // <v>
    bool m_inInline = false; // <is>
    bool m_inText = false; // <t> inside <is>, not inside a phonetic run
    int m_phonetic = 0;
    // What the cell's <v> and its inline text hold so far; only one of them is kept, by its kind.
    size_t m_valueBytes = 0;
    size_t m_inlineBytes = 0;

    // Used by the caller's thread alone.
    Batch m_current;
    size_t m_nextRow = 0; // in m_current
    size_t m_nextCell = 0;
    int m_handedOut = 0; // the number of the last row handed out
    std::optional<Failure> m_failure; // once the rows before it are handed out
    bool m_done = false;
    std::optional<Failure> m_cellFailure; // of the cell being made
    // Long shared strings of the current batch: one used by many cells is held once, as it is in
    // the table. Short ones are cheaper to copy than to look up.
    QHash<size_t, QString> m_sharedInUse;

    // Last, so that it stops and waits for the parsing thread before anything it uses goes.
    Prefetcher<Batch> m_prefetch { BatchDepth };
};

struct Relationship
{
    QString id;
    QString type;
    QString target;
};
using Relationships = std::vector<Relationship>; // in the order of the part

class XlsxWorkbook : public Workbook
{
public:
    XlsxWorkbook(std::unique_ptr<QIODevice> device, const Limits& limits)
        : m_device(std::move(device))
        , m_zip(m_device.get())
        , m_limits(limits)
    { }

    bool open(ReadFailure& failure);
    QStringList sheetNames() const override
    {
        QStringList out;
        for (const auto& s : m_sheets)
            out << s.name;
        return out;
    }
    std::unique_ptr<SheetReader> openSheet(const QString& name, ReadFailure& failure) override;

    const SharedStrings& sharedStrings() const { return m_shared; }
    bool isDateStyle(int style) const
    {
        return style >= 0 && size_t(style) < m_dateStyles.size() && m_dateStyles[size_t(style)];
    }
    bool date1904() const { return m_date1904; }

private:
    struct SheetEntry
    {
        QString name;
        QString relId;
    };
    // Inflates a whole part (bounded by `limit`). False with `failure` set when it cannot.
    bool readPart(const QString& path, qint64 limit, QByteArray& out, ReadFailure& failure, bool optional = false);
    std::unique_ptr<QuaZipFile> openPart(const QString& path, qint64 limit, ReadFailure& failure);
    static bool parseRelationships(const QByteArray& xml, Relationships& rels);
    // The first relationship of a type (named by its last segment): a part named many times is
    // still read once.
    static const Relationship* firstOfType(const Relationships& rels, QLatin1StringView type);
    bool parseWorkbook(const QByteArray& xml);
    bool parseSharedStrings(const QString& path, ReadFailure& failure);
    bool parseStyles(const QByteArray& xml);
    QString resolve(const QString& base, const QString& target) const;

    std::unique_ptr<QIODevice> m_device;
    QuaZip m_zip;
    Limits m_limits;
    QString m_workbookPath;
    std::vector<SheetEntry> m_sheets;
    Relationships m_workbookRels;
    bool m_partsRead = false; // the shared strings and the styles
    SharedStrings m_shared;
    std::vector<bool> m_dateStyles;
    bool m_date1904 = false;
};

ReadFailure corrupt(const QString& detail = {})
{
    return { ReadError::Corrupt, detail.isEmpty() ? CorruptText : CorruptText + QLatin1Char(' ') + detail };
}

ReadFailure tooLarge(const QString& part)
{
    return { ReadError::TooLarge,
             QStringLiteral("Partea %1 a fisierului .xlsx depaseste dimensiunea admisa dupa dezarhivare.").arg(part) };
}

// Runs expat over a whole buffer with the given handlers.
bool parseAll(const QByteArray& xml,
              void* user,
              XML_StartElementHandler start,
              XML_EndElementHandler end,
              XML_CharacterDataHandler text,
              bool* bad)
{
    Parser p(user);
    XML_SetElementHandler(p.get(), start, end);
    if (text)
        XML_SetCharacterDataHandler(p.get(), text);
    const bool ok = XML_Parse(p.get(), xml.constData(), int(xml.size()), XML_TRUE) == XML_STATUS_OK;
    return ok && !(bad && *bad);
}

std::unique_ptr<QuaZipFile> XlsxWorkbook::openPart(const QString& path, qint64 limit, ReadFailure& failure)
{
    if (!m_zip.setCurrentFile(path, QuaZip::csInsensitive)) {
        failure = corrupt(QStringLiteral("Lipseste partea %1.").arg(path));
        return nullptr;
    }
    QuaZipFileInfo64 info;
    if (!m_zip.getCurrentFileInfo(&info)) {
        failure = corrupt();
        return nullptr;
    }
    if (info.flags & 1) {
        failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
        return nullptr;
    }
    if (qint64(info.uncompressedSize) > limit) {
        failure = tooLarge(path);
        return nullptr;
    }
    auto file = std::make_unique<QuaZipFile>(&m_zip);
    if (!file->open(QIODevice::ReadOnly)) {
        failure = corrupt();
        return nullptr;
    }
    return file;
}

bool XlsxWorkbook::readPart(const QString& path, qint64 limit, QByteArray& out, ReadFailure& failure, bool optional)
{
    if (optional && !m_zip.setCurrentFile(path, QuaZip::csInsensitive))
        return true;
    auto file = openPart(path, limit, failure);
    if (!file)
        return false;
    out.clear();
    QByteArray chunk;
    for (;;) {
        chunk = file->read(ChunkBytes);
        if (chunk.isEmpty())
            break;
        out += chunk;
        if (out.size() > limit) { // the declared size lied
            failure = tooLarge(path);
            return false;
        }
    }
    const bool clean = file->getZipError() == UNZ_OK;
    file->close(); // checks the part's checksum
    if (!clean || file->getZipError() != UNZ_OK) {
        failure = corrupt();
        return false;
    }
    return true;
}

// Relationship targets are relative to the folder of the part that owns them, or absolute.
QString XlsxWorkbook::resolve(const QString& base, const QString& target) const
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList parts = base.split(QLatin1Char('/'));
    parts.removeLast();
    for (const QString& p : target.split(QLatin1Char('/'))) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (p != QLatin1String(".") && !p.isEmpty())
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

struct RelsState
{
    Relationships* rels;
};

bool XlsxWorkbook::parseRelationships(const QByteArray& xml, Relationships& rels)
{
    RelsState st { &rels };
    return parseAll(
        xml, &st,
        [](void* u, const char* name, const char** atts) {
            if (std::strcmp(localName(name), "Relationship") != 0)
                return;
            const char* id = attribute(atts, "Id");
            const char* type = attribute(atts, "Type");
            const char* target = attribute(atts, "Target");
            if (id && target)
                static_cast<RelsState*>(u)->rels->push_back(
                    { QString::fromUtf8(id), QString::fromUtf8(type ? type : ""), QString::fromUtf8(target) });
        },
        [](void*, const char*) {}, nullptr, nullptr);
}

const Relationship* XlsxWorkbook::firstOfType(const Relationships& rels, QLatin1StringView type)
{
    for (const Relationship& r : rels)
        if (r.type.endsWith(QLatin1Char('/') + type))
            return &r;
    return nullptr;
}

bool XlsxWorkbook::parseWorkbook(const QByteArray& xml)
{
    return parseAll(
        xml, this,
        [](void* u, const char* name, const char** atts) {
            auto* self = static_cast<XlsxWorkbook*>(u);
            const char* local = localName(name);
            if (std::strcmp(local, "sheet") == 0) {
                const char* n = attribute(atts, "name");
                const char* id = attribute(atts, "id"); // r:id
                if (n && id)
                    self->m_sheets.push_back({ QString::fromUtf8(n), QString::fromUtf8(id) });
            } else if (std::strcmp(local, "workbookPr") == 0) {
                const char* d = attribute(atts, "date1904");
                self->m_date1904 = d && (std::strcmp(d, "1") == 0 || std::strcmp(d, "true") == 0);
            }
        },
        [](void*, const char*) {}, nullptr, nullptr);
}

struct StylesState
{
    QHash<int, QString> formats;
    std::vector<int> xfFormats;
    bool inCellXfs = false;
};

bool XlsxWorkbook::parseStyles(const QByteArray& xml)
{
    StylesState st;
    const bool ok = parseAll(
        xml, &st,
        [](void* u, const char* name, const char** atts) {
            auto* s = static_cast<StylesState*>(u);
            const char* local = localName(name);
            if (std::strcmp(local, "numFmt") == 0) {
                long long id = 0;
                const char* code = attribute(atts, "formatCode");
                if (parseIndex(attribute(atts, "numFmtId"), id) && code && id >= 0 && id < 100000)
                    s->formats.insert(int(id), QString::fromUtf8(code));
            } else if (std::strcmp(local, "cellXfs") == 0) {
                s->inCellXfs = true;
            } else if (s->inCellXfs && std::strcmp(local, "xf") == 0) {
                long long id = 0;
                s->xfFormats.push_back(parseIndex(attribute(atts, "numFmtId"), id) && id >= 0 && id < 100000 ? int(id)
                                                                                                             : 0);
            }
        },
        [](void* u, const char* name) {
            if (std::strcmp(localName(name), "cellXfs") == 0)
                static_cast<StylesState*>(u)->inCellXfs = false;
        },
        nullptr, nullptr);
    if (!ok)
        return false;
    m_dateStyles.clear();
    for (int id : st.xfFormats)
        m_dateStyles.push_back(isDateFormat(id, st.formats.value(id)));
    return true;
}

// Shared strings: <si> holds either one <t> or rich-text runs <r><t>; phonetic runs <rPh> are
// readings for Asian text, not part of the value.
struct SharedState
{
    SharedStrings* out = nullptr;
    bool inSi = false;
    bool inT = false;
    bool full = false;
    int phonetic = 0;
};

bool XlsxWorkbook::parseSharedStrings(const QString& path, ReadFailure& failure)
{
    auto file = openPart(path, m_limits.sharedStringsBytes, failure);
    if (!file)
        return false;
    // The table is held in memory, so it may inflate only so far beyond the bytes it takes in the
    // file: a small file cannot hold millions of strings.
    const qint64 compressed = std::min<qint64>(file->csize(), m_device->size());
    const qint64 limit = std::min(m_limits.sharedStringsBytes,
                                  std::max<qint64>(compressed, 0) * m_limits.sharedStringsRatio + ChunkBytes);
    SharedState st;
    st.out = &m_shared;
    Parser p(&st);
    XML_SetElementHandler(
        p.get(),
        [](void* u, const char* name, const char**) {
            auto* s = static_cast<SharedState*>(u);
            const char* local = localName(name);
            if (std::strcmp(local, "si") == 0) {
                s->inSi = true;
                s->out->restart();
            } else if (std::strcmp(local, "rPh") == 0) {
                ++s->phonetic;
            } else if (s->inSi && std::strcmp(local, "t") == 0 && s->phonetic == 0) {
                s->inT = true;
            }
        },
        [](void* u, const char* name) {
            auto* s = static_cast<SharedState*>(u);
            const char* local = localName(name);
            if (std::strcmp(local, "si") == 0) {
                s->full = s->full || !s->out->close();
                s->inSi = false;
            } else if (std::strcmp(local, "rPh") == 0) {
                --s->phonetic;
            } else if (std::strcmp(local, "t") == 0) {
                s->inT = false;
            }
        });
    XML_SetCharacterDataHandler(p.get(), [](void* u, const char* s, int len) {
        auto* state = static_cast<SharedState*>(u);
        if (state->inT)
            state->out->append(s, len);
    });
    qint64 total = 0;
    for (;;) {
        const QByteArray chunk = file->read(ChunkBytes);
        total += chunk.size();
        if (total > limit || st.full) {
            failure = tooLarge(path);
            return false;
        }
        const bool last = chunk.isEmpty();
        if (XML_Parse(p.get(), chunk.constData(), int(chunk.size()), last) != XML_STATUS_OK
            || file->getZipError() != UNZ_OK || tokenTooLong(p.get(), total)) {
            failure = corrupt();
            return false;
        }
        if (last)
            break;
    }
    file->close();
    if (file->getZipError() != UNZ_OK) {
        failure = corrupt();
        return false;
    }
    return true;
}

bool XlsxWorkbook::open(ReadFailure& failure)
{
    if (!m_zip.open(QuaZip::mdUnzip)) {
        failure = corrupt();
        return false;
    }
    // The workbook part is named by the package relationships; Excel always calls it
    // xl/workbook.xml, which is the fallback.
    QByteArray xml;
    Relationships rootRels;
    m_workbookPath = QStringLiteral("xl/workbook.xml");
    if (!readPart(QStringLiteral("_rels/.rels"), m_limits.smallPartBytes, xml, failure, true))
        return false;
    if (!xml.isEmpty() && parseRelationships(xml, rootRels))
        if (const Relationship* r = firstOfType(rootRels, QLatin1StringView("officeDocument")))
            m_workbookPath = resolve(QString(), r->target);
    if (!readPart(m_workbookPath, m_limits.smallPartBytes, xml, failure))
        return false;
    if (!parseWorkbook(xml)) {
        failure = corrupt();
        return false;
    }
    const QString relsPath
        = resolve(m_workbookPath,
                  QStringLiteral("_rels/") + m_workbookPath.section(QLatin1Char('/'), -1) + QStringLiteral(".rels"));
    xml.clear();
    if (!readPart(relsPath, m_limits.smallPartBytes, xml, failure) || !parseRelationships(xml, m_workbookRels)) {
        if (failure.description.isEmpty())
            failure = corrupt();
        return false;
    }
    return true;
}

std::unique_ptr<SheetReader> XlsxWorkbook::openSheet(const QString& name, ReadFailure& failure)
{
    const SheetEntry* sheet = nullptr;
    for (const auto& s : m_sheets)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0) {
            sheet = &s;
            break;
        }
    if (!sheet) {
        failure = { ReadError::NoSuchSheet, QStringLiteral("Registrul nu are foaia \"%1\".").arg(name) };
        return nullptr;
    }
    const auto rel = std::find_if(m_workbookRels.begin(), m_workbookRels.end(),
                                  [&](const Relationship& r) { return r.id == sheet->relId; });
    if (rel == m_workbookRels.end()) {
        failure = corrupt();
        return nullptr;
    }
    if (!m_partsRead) {
        if (const Relationship* r = firstOfType(m_workbookRels, QLatin1StringView("sharedStrings")))
            if (!parseSharedStrings(resolve(m_workbookPath, r->target), failure))
                return nullptr;
        if (const Relationship* r = firstOfType(m_workbookRels, QLatin1StringView("styles"))) {
            QByteArray xml;
            if (!readPart(resolve(m_workbookPath, r->target), m_limits.smallPartBytes, xml, failure, true))
                return nullptr;
            if (!parseStyles(xml)) {
                failure = corrupt();
                return nullptr;
            }
        }
        m_partsRead = true;
    }
    auto file = openPart(resolve(m_workbookPath, rel->target), m_limits.sheetBytes, failure);
    if (!file)
        return nullptr;
    return std::make_unique<XlsxSheet>(*this, std::move(file), m_limits.sheetBytes);
}

XlsxSheet::XlsxSheet(XlsxWorkbook& book, std::unique_ptr<QuaZipFile> file, qint64 limit)
    : m_book(book)
    , m_file(std::move(file))
    , m_limit(limit)
{
    XML_SetElementHandler(m_parser.get(), &XlsxSheet::onStart, &XlsxSheet::onEnd);
    XML_SetCharacterDataHandler(m_parser.get(), &XlsxSheet::onText);
    m_prefetch.start([this](Batch& batch) { return produce(batch); });
}

bool XlsxSheet::produce(Batch& batch)
{
    m_batch = &batch;
    const auto stop = [&](Failure failure) {
        // The cells of the row the fault stopped in are made first: one that cannot be made was
        // met before the fault.
        if (m_inRow)
            batch.unfinished = RawRow { m_lastRow + 1, quint32(batch.cells.size()) };
        batch.failure = std::move(failure);
        return false;
    };
    for (;;) {
        if (m_prefetch.stopping())
            return false;
        XML_Status status;
        if (m_suspended) {
            status = XML_ResumeParser(m_parser.get());
        } else {
            m_chunk = m_file->read(ChunkBytes);
            m_read += m_chunk.size();
            if (m_read > m_limit)
                return stop({ err::Overflow, tooLarge(m_file->getActualFileName()).description });
            if (m_file->getZipError() != UNZ_OK)
                return stop({ err::PathFileAccess, CorruptText });
            m_lastChunk = m_chunk.isEmpty();
            status = XML_Parse(m_parser.get(), m_chunk.constData(), int(m_chunk.size()), m_lastChunk);
        }
        if (!m_badReason.isEmpty())
            return stop({ err::Overflow, m_badReason });
        if (status == XML_STATUS_ERROR || m_bad || (status == XML_STATUS_OK && tokenTooLong(m_parser.get(), m_read)))
            return stop({ err::PathFileAccess, CorruptText });
        m_suspended = status == XML_STATUS_SUSPENDED;
        if (m_suspended) // at the end of a row, the batch full
            return true;
        if (m_lastChunk) {
            m_file->close();
            if (m_file->getZipError() != UNZ_OK) // a wrong checksum: the sheet is damaged
                return stop({ err::PathFileAccess, CorruptText });
            batch.end = true;
            return false;
        }
    }
}

void XMLCALL XlsxSheet::onStart(void* self, const char* name, const char** atts)
{
    static_cast<XlsxSheet*>(self)->start(localName(name), atts);
}

void XMLCALL XlsxSheet::onEnd(void* self, const char* name)
{
    static_cast<XlsxSheet*>(self)->end(localName(name));
}

void XMLCALL XlsxSheet::onText(void* self, const char* s, int len)
{
    auto* me = static_cast<XlsxSheet*>(self);
    if (me->m_bad || !(me->m_inValue || me->m_inText))
        return;
    size_t& held = me->m_inValue ? me->m_valueBytes : me->m_inlineBytes;
    held += size_t(len);
    // Stopped here, a cell of hundreds of megabytes never sits in memory.
    if (held > MaxCellBytes) {
        me->m_badReason = QStringLiteral("Celula din randul %1, coloana %2, are mai mult de %3 de caractere.")
                              .arg(me->m_lastRow + 1)
                              .arg(columnName(me->m_cell.column))
                              .arg(MaxCellCharacters);
        me->fail();
        return;
    }
    // An inline string keeps the text of its <t>, any other cell the text of its <v>.
    if (me->m_inValue == (me->m_cell.kind != Kind::Inline))
        me->m_batch->bytes.append(s, size_t(len));
}

void XlsxSheet::start(const char* name, const char** atts)
{
    if (m_bad)
        return;
    if (m_inCell) {
        if (is(name, "v")) {
            m_inValue = true;
            m_cell.hasValue = true;
            m_valueBytes = 0;
            if (m_cell.kind != Kind::Inline) // a second value replaces the first
                m_batch->bytes.resize(m_cell.begin);
        } else if (is(name, "is")) {
            m_inInline = true;
            m_cell.hasValue = true;
        } else if (is(name, "rPh")) {
            ++m_phonetic;
        } else if (m_inInline && m_phonetic == 0 && is(name, "t")) {
            m_inText = true;
        }
        return;
    }
    if (is(name, "dimension")) {
        if (m_lastRow == 0 && !m_inRow)
            m_dimensionRows = dimensionRows(attribute(atts, "ref"));
        return;
    }
    if (is(name, "row")) {
        long long r = 0;
        int number = m_lastRow + 1;
        if (const char* ref = attribute(atts, "r")) {
            if (!parseIndex(ref, r) || r <= m_lastRow || r > MaxRows)
                return fail();
            number = int(r);
        }
        // Rows missing from the file are empty rows of the sheet: the last of them is recorded,
        // the caller makes the others.
        if (number > m_lastRow + 1)
            m_batch->rows.push_back({ number - 1, quint32(m_batch->cells.size()) });
        m_lastRow = number - 1;
        m_inRow = true;
        m_nextCol = 0;
    } else if (is(name, "c") && m_inRow) {
        // One pass over the attributes; the first of each name counts, as attribute() takes it.
        const char* ref = nullptr;
        const char* type = nullptr;
        const char* style = nullptr;
        for (int i = 0; atts[i]; i += 2) {
            const char* att = localName(atts[i]);
            if (!ref && is(att, "r"))
                ref = atts[i + 1];
            else if (!type && is(att, "t"))
                type = atts[i + 1];
            else if (!style && is(att, "s"))
                style = atts[i + 1];
        }
        int column = m_nextCol;
        if (ref) {
            column = columnOf(ref);
            if (column < 0 || column < m_nextCol)
                return fail();
        }
        if (column >= MaxColumns)
            return fail();
        long long s = 0;
        m_cell.column = column;
        m_cell.style = parseIndex(style, s) && s >= 0 && s < MaxColumns * 64 ? int(s) : 0;
        m_cell.begin = quint32(m_batch->bytes.size());
        m_cell.size = 0;
        m_cell.kind = !type         ? Kind::Number
            : is(type, "s")         ? Kind::Shared
            : is(type, "inlineStr") ? Kind::Inline
            : is(type, "str")       ? Kind::Formula
            : is(type, "e")         ? Kind::Error
            : is(type, "b")         ? Kind::Boolean
            : is(type, "d")         ? Kind::Date
                                    : Kind::Number;
        m_cell.hasValue = false;
        m_inCell = true;
        m_valueBytes = 0;
        m_inlineBytes = 0;
        m_phonetic = 0;
    }
}

void XlsxSheet::end(const char* name)
{
    if (m_bad)
        return;
    if (m_inCell) {
        if (is(name, "v")) {
            m_inValue = false;
        } else if (is(name, "t")) {
            m_inText = false;
        } else if (is(name, "rPh")) {
            --m_phonetic;
        } else if (is(name, "is")) {
            m_inInline = false;
        } else if (is(name, "c")) {
            m_inCell = false;
            if (m_cell.hasValue) {
                m_cell.size = quint32(m_batch->bytes.size() - m_cell.begin);
                // Numbers and shared-string indexes are read here, beside the parsing: the other
                // thread has the rows to store. A damaged one fails when its row is made.
                if (m_cell.kind == Kind::Number || m_cell.kind == Kind::Shared) {
                    const std::string_view value(m_batch->bytes.data() + m_cell.begin, m_cell.size);
                    long long index = 0;
                    if (m_cell.kind == Kind::Number && value.empty())
                        m_cell.hasValue = false; // an empty cell
                    else if (m_cell.kind == Kind::Number && !parseDouble(value, m_cell.number))
                        m_cell.kind = Kind::Damaged;
                    else if (m_cell.kind == Kind::Shared && parseIndex(value, index) && index >= 0
                             && size_t(index) < m_book.sharedStrings().size())
                        m_cell.number = double(index);
                    else if (m_cell.kind == Kind::Shared)
                        m_cell.kind = Kind::Damaged;
                    m_batch->bytes.resize(m_cell.begin);
                    m_cell.size = 0;
                }
                if (m_cell.hasValue)
                    m_batch->cells.push_back(m_cell);
            }
            m_nextCol = m_cell.column + 1;
        }
        return;
    }
    if (is(name, "row") && m_inRow) {
        m_inRow = false;
        ++m_lastRow;
        m_batch->rows.push_back({ m_lastRow, quint32(m_batch->cells.size()) });
        // The batch goes to the caller once full; the parser pauses at this row's end, since the
        // next row's cells go to the next batch.
        XML_ParsingStatus status;
        XML_GetParsingStatus(m_parser.get(), &status);
        if (m_batch->weight() >= BatchBytes && status.parsing == XML_PARSING)
            XML_StopParser(m_parser.get(), XML_TRUE);
    }
}

void XlsxSheet::tooLong(int column, int row)
{
    m_cellFailure = Failure { err::Overflow,
                              QStringLiteral("Celula din randul %1, coloana %2, are mai mult de %3 de caractere.")
                                  .arg(row)
                                  .arg(columnName(column))
                                  .arg(MaxCellCharacters) };
}

Cell XlsxSheet::textCell(QString text, const RawCell& raw, int row, bool error)
{
    if (text.size() > MaxCellCharacters) {
        tooLong(raw.column, row);
        return {};
    }
    return error ? Cell::ofError(std::move(text)) : Cell::ofText(std::move(text));
}

Cell XlsxSheet::makeCell(const RawCell& raw, int row)
{
    const std::string_view value(m_current.bytes.data() + raw.begin, raw.size);
    const auto text = [&value] {
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    };
    const auto damaged = [this] {
        m_cellFailure = Failure { err::PathFileAccess, CorruptText };
        return Cell {};
    };
    switch (raw.kind) {
    case Kind::Shared: {
        const size_t i = size_t(raw.number);
        const QByteArrayView bytes = m_book.sharedStrings().bytes(i);
        if (bytes.size() <= ShortSharedBytes)
            return Cell::ofText(QString::fromUtf8(bytes));
        auto known = m_sharedInUse.constFind(i);
        if (known != m_sharedInUse.constEnd())
            return Cell::ofText(*known);
        if (size_t(bytes.size()) > MaxCellBytes) {
            tooLong(raw.column, row);
            return {};
        }
        Cell cell = textCell(QString::fromUtf8(bytes), raw, row);
        if (cell.type == Cell::Type::Text)
            m_sharedInUse.insert(i, cell.text);
        return cell;
    }
    case Kind::Inline:
    case Kind::Formula:
        return textCell(text(), raw, row);
    case Kind::Error:
        return textCell(text(), raw, row, true);
    case Kind::Boolean:
        return Cell::ofBoolean(value == "1" || value == "true");
    case Kind::Date: { // ISO 8601 date
        const QDateTime dt = QDateTime::fromString(text().trimmed(), Qt::ISODate);
        if (!dt.isValid())
            return damaged();
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
        return Cell::ofDate(double(base.msecsTo(dt)) / 86400000.0);
    }
    case Kind::Damaged:
        return damaged();
    case Kind::Number:
        break;
    }
    if (m_book.isDateStyle(raw.style))
        return Cell::ofDate(m_book.date1904() ? raw.number + 1462 : raw.number);
    return Cell::ofNumber(raw.number);
}

Result<bool> XlsxSheet::nextRow(Row& row)
{
    for (;;) {
        if (m_failure)
            return *m_failure;
        if (m_done)
            return false;
        if (m_nextRow < m_current.rows.size())
            break;
        if (m_current.failure) {
            m_failure = m_current.failure;
            if (m_current.unfinished)
                for (; m_nextCell < m_current.unfinished->cellsEnd && !m_cellFailure; ++m_nextCell)
                    (void)makeCell(m_current.cells[m_nextCell], m_current.unfinished->number);
            if (m_cellFailure)
                m_failure = m_cellFailure;
            continue;
        }
        if (m_current.end) {
            m_done = true;
            continue;
        }
        std::optional<Batch> next = m_prefetch.take();
        if (!next) { // not met: the last batch ends the sheet or says why it stopped
            m_done = true;
            continue;
        }
        m_current = std::move(*next);
        m_nextRow = 0;
        m_nextCell = 0;
        m_sharedInUse.clear(); // the rows handed out keep their own references
    }
    row.clear();
    const RawRow& raw = m_current.rows[m_nextRow];
    if (m_handedOut + 1 < raw.number) { // a row missing from the file
        ++m_handedOut;
        return true;
    }
    for (; m_nextCell < raw.cellsEnd; ++m_nextCell) {
        const RawCell& c = m_current.cells[m_nextCell];
        Cell cell = makeCell(c, raw.number);
        if (m_cellFailure) {
            m_failure = std::move(m_cellFailure);
            return *m_failure;
        }
        if (cell.type != Cell::Type::Empty) {
            row.resize(size_t(c.column) + 1);
            row[size_t(c.column)] = std::move(cell);
        }
    }
    ++m_nextRow;
    m_handedOut = raw.number;
    return true;
}

} // namespace

std::unique_ptr<Workbook> openXlsx(std::unique_ptr<QIODevice> device, ReadFailure& failure, const Limits& limits)
{
    auto book = std::make_unique<XlsxWorkbook>(std::move(device), limits);
    if (!book->open(failure))
        return nullptr;
    return book;
}

} // namespace orvida::import
