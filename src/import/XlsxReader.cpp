// The .xlsx reader: the zip is inflated part by part through QuaZip and each part is parsed by
// expat as a stream, so the sheet never sits in memory whole; only the shared strings do, packed
// into one buffer.
#include "import/Workbook.h"

#include "base/ErrorReport.h"

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

namespace orvida::import {

namespace {

constexpr qint64 ChunkBytes = 256 * 1024;
constexpr int MaxRows = 1048576; // Excel's own limits; anything beyond is a damaged file
constexpr int MaxColumns = 16384;
constexpr qint64 MaxQueuedCells = 65536;
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

const char* attribute(const char** atts, const char* name)
{
    for (int i = 0; atts[i]; i += 2)
        if (std::strcmp(localName(atts[i]), name) == 0)
            return atts[i + 1];
    return nullptr;
}

bool parseDouble(const std::string& s, double& out)
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

bool parseIndex(const char* s, long long& out)
{
    if (!s)
        return false;
    const char* e = s + std::strlen(s);
    auto [ptr, ec] = std::from_chars(s, e, out);
    return ec == std::errc() && ptr == e;
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
    Cell finishCell();
    // Fails the sheet at the current cell for a text longer than Excel allows.
    void markTooLong();
    Cell textCell(QString text, bool error = false);

    XlsxWorkbook& m_book;
    std::unique_ptr<QuaZipFile> m_file;
    qint64 m_limit;
    qint64 m_read = 0;
    Parser m_parser { this };
    QByteArray m_chunk; // the parser may pause inside it
    bool m_lastChunk = false;
    bool m_suspended = false;
    bool m_done = false;
    bool m_bad = false;
    QString m_badReason; // when not the damaged-file text
    std::optional<Failure> m_failure; // once the rows before it are handed out
    std::deque<Row> m_ready;
    qint64 m_queuedCells = 0;

    // Parse state.
    std::atomic<qint64> m_dimensionRows { 0 };
    int m_lastRow = 0; // 1-based number of the last row emitted
    bool m_inRow = false;
    Row m_row;
    int m_nextCol = 0;
    bool m_inCell = false;
    int m_col = 0;
    std::string m_type;
    int m_style = 0;
    bool m_inValue = false; // <v>
    bool m_inInline = false; // <is>
    bool m_inText = false; // <t> inside <is>, not inside a phonetic run
    int m_phonetic = 0;
    bool m_hasValue = false;
    std::string m_value;
    std::string m_inlineText;
    // Long shared strings met since the caller last emptied the queue: one used by many cells is
    // held once, as it was in the table. Short ones are cheaper to copy than to look up.
    QHash<size_t, QString> m_sharedInUse;
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
    std::string* text = me->m_inValue ? &me->m_value : me->m_inText ? &me->m_inlineText : nullptr;
    if (!text || me->m_bad)
        return;
    // Stopped here, a cell of hundreds of megabytes never sits in memory.
    text->append(s, size_t(len));
    if (text->size() > MaxCellBytes) {
        me->markTooLong();
        me->fail();
    }
}

void XlsxSheet::markTooLong()
{
    m_badReason = QStringLiteral("Celula din randul %1, coloana %2, are mai mult de %3 de caractere.")
                      .arg(m_lastRow + 1)
                      .arg(columnName(m_col))
                      .arg(MaxCellCharacters);
    m_bad = true;
}

Cell XlsxSheet::textCell(QString text, bool error)
{
    if (text.size() > MaxCellCharacters) {
        markTooLong();
        return {};
    }
    return error ? Cell::ofError(std::move(text)) : Cell::ofText(std::move(text));
}

void XlsxSheet::start(const char* name, const char** atts)
{
    if (m_bad)
        return;
    if (m_inCell) {
        if (std::strcmp(name, "v") == 0) {
            m_inValue = true;
            m_hasValue = true;
            m_value.clear();
        } else if (std::strcmp(name, "is") == 0) {
            m_inInline = true;
            m_hasValue = true;
        } else if (std::strcmp(name, "rPh") == 0) {
            ++m_phonetic;
        } else if (m_inInline && m_phonetic == 0 && std::strcmp(name, "t") == 0) {
            m_inText = true;
        }
        return;
    }
    if (std::strcmp(name, "dimension") == 0) {
        if (m_lastRow == 0 && !m_inRow)
            m_dimensionRows = dimensionRows(attribute(atts, "ref"));
        return;
    }
    if (std::strcmp(name, "row") == 0) {
        long long r = 0;
        int number = m_lastRow + 1;
        if (const char* ref = attribute(atts, "r")) {
            if (!parseIndex(ref, r) || r <= m_lastRow || r > MaxRows)
                return fail();
            number = int(r);
        }
        // Rows missing from the file are empty rows of the sheet.
        while (m_lastRow + 1 < number) {
            m_ready.emplace_back();
            ++m_queuedCells;
            ++m_lastRow;
        }
        m_inRow = true;
        m_row.clear();
        m_nextCol = 0;
    } else if (std::strcmp(name, "c") == 0 && m_inRow) {
        m_col = m_nextCol;
        if (const char* ref = attribute(atts, "r")) {
            m_col = columnOf(ref);
            if (m_col < 0 || m_col < m_nextCol)
                return fail();
        }
        if (m_col >= MaxColumns)
            return fail();
        const char* t = attribute(atts, "t");
        m_type = t ? t : "n";
        long long s = 0;
        m_style = parseIndex(attribute(atts, "s"), s) && s >= 0 && s < MaxColumns * 64 ? int(s) : 0;
        m_inCell = true;
        m_hasValue = false;
        m_value.clear();
        m_inlineText.clear();
        m_phonetic = 0;
    }
}

Cell XlsxSheet::finishCell()
{
    if (!m_hasValue)
        return {};
    const auto text = [](const std::string& s) {
        return QString::fromUtf8(s.data(), qsizetype(s.size()));
    };
    if (m_type == "s") {
        long long i = 0;
        const auto& shared = m_book.sharedStrings();
        if (!parseIndex(m_value.c_str(), i) || i < 0 || size_t(i) >= shared.size()) {
            m_bad = true;
            return {};
        }
        const QByteArrayView bytes = shared.bytes(size_t(i));
        if (bytes.size() <= ShortSharedBytes)
            return Cell::ofText(QString::fromUtf8(bytes));
        auto known = m_sharedInUse.constFind(size_t(i));
        if (known != m_sharedInUse.constEnd())
            return Cell::ofText(*known);
        if (size_t(bytes.size()) > MaxCellBytes) {
            markTooLong();
            return {};
        }
        Cell cell = textCell(QString::fromUtf8(bytes));
        if (cell.type == Cell::Type::Text)
            m_sharedInUse.insert(size_t(i), cell.text);
        return cell;
    }
    if (m_type == "inlineStr")
        return textCell(text(m_inlineText));
    if (m_type == "str")
        return textCell(text(m_value));
    if (m_type == "e")
        return textCell(text(m_value), true);
    if (m_type == "b")
        return Cell::ofBoolean(m_value == "1" || m_value == "true");
    if (m_type == "d") { // ISO 8601 date
        const QDateTime dt = QDateTime::fromString(text(m_value).trimmed(), Qt::ISODate);
        if (!dt.isValid()) {
            m_bad = true;
            return {};
        }
        const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
        return Cell::ofDate(double(base.msecsTo(dt)) / 86400000.0);
    }
    double v = 0;
    if (m_value.empty())
        return {};
    if (!parseDouble(m_value, v)) {
        m_bad = true;
        return {};
    }
    if (m_book.isDateStyle(m_style))
        return Cell::ofDate(m_book.date1904() ? v + 1462 : v);
    return Cell::ofNumber(v);
}

void XlsxSheet::end(const char* name)
{
    if (m_bad)
        return;
    if (m_inCell) {
        if (std::strcmp(name, "v") == 0) {
            m_inValue = false;
        } else if (std::strcmp(name, "t") == 0) {
            m_inText = false;
        } else if (std::strcmp(name, "rPh") == 0) {
            --m_phonetic;
        } else if (std::strcmp(name, "is") == 0) {
            m_inInline = false;
        } else if (std::strcmp(name, "c") == 0) {
            m_inCell = false;
            Cell cell = finishCell();
            if (m_bad)
                return fail();
            if (cell.type != Cell::Type::Empty) {
                m_row.resize(size_t(m_col) + 1);
                m_row[size_t(m_col)] = std::move(cell);
            }
            m_nextCol = m_col + 1;
        }
        return;
    }
    if (std::strcmp(name, "row") == 0 && m_inRow) {
        m_inRow = false;
        m_queuedCells += qint64(m_row.size()) + 1;
        m_ready.push_back(std::move(m_row));
        m_row = {};
        ++m_lastRow;
        // Rows wait for the caller in memory: a chunk of wide rows (one cell far to the right
        // makes a row of 16,384 cells) must not pile up, so the parser pauses here.
        XML_ParsingStatus status;
        XML_GetParsingStatus(m_parser.get(), &status);
        if (m_queuedCells > MaxQueuedCells && status.parsing == XML_PARSING)
            XML_StopParser(m_parser.get(), XML_TRUE);
    }
}

Result<bool> XlsxSheet::nextRow(Row& row)
{
    while (m_ready.empty()) {
        if (m_failure)
            return *m_failure;
        if (m_done)
            return false;
        m_sharedInUse.clear(); // the rows handed out keep their own references
        XML_Status status;
        if (m_suspended) {
            status = XML_ResumeParser(m_parser.get());
        } else {
            m_chunk = m_file->read(ChunkBytes);
            m_read += m_chunk.size();
            if (m_read > m_limit)
                return Failure { err::Overflow, tooLarge(m_file->getActualFileName()).description };
            if (m_file->getZipError() != UNZ_OK)
                return Failure { err::PathFileAccess, CorruptText };
            m_lastChunk = m_chunk.isEmpty();
            status = XML_Parse(m_parser.get(), m_chunk.constData(), int(m_chunk.size()), m_lastChunk);
        }
        // The rows read before the fault are handed out first, so the fault shows at its own row.
        if (!m_badReason.isEmpty()) {
            m_failure = Failure { err::Overflow, m_badReason };
            continue;
        }
        if (status == XML_STATUS_ERROR || m_bad || (status == XML_STATUS_OK && tokenTooLong(m_parser.get(), m_read))) {
            m_failure = Failure { err::PathFileAccess, CorruptText };
            continue;
        }
        m_suspended = status == XML_STATUS_SUSPENDED;
        if (m_lastChunk && !m_suspended) {
            m_file->close();
            if (m_file->getZipError() != UNZ_OK) // a wrong checksum: the sheet is damaged
                return Failure { err::PathFileAccess, CorruptText };
            m_done = true;
        }
    }
    row = std::move(m_ready.front());
    m_ready.pop_front();
    m_queuedCells -= qint64(row.size()) + 1;
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
