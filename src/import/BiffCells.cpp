// The BIFF8 records of a workbook stream: the checks made before FreeXL may read it, and the
// cells that FreeXL does not type.
#include "import/BiffCells.h"

#include "import/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace orvida::import {

using le::u16;
using le::u32;

namespace {

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

// A BIFF8 string of `count` characters at `at` with its option byte first; nullopt if cut.
std::optional<QString> biffString(const QByteArray& r, qsizetype at, qsizetype count)
{
    if (at >= r.size())
        return std::nullopt;
    const bool wide = quint8(r[at]) & 1;
    const bool rich = quint8(r[at]) & 8;
    const bool phonetic = quint8(r[at]) & 4;
    at += 1 + (rich ? 2 : 0) + (phonetic ? 4 : 0);
    if (at + count * (wide ? 2 : 1) > r.size())
        return std::nullopt;
    QString s;
    s.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        s += wide ? QChar(u16(r, at + 2 * i)) : QChar(quint8(r[at + i]));
    return s;
}

// Bytes a BIFF8 string of `count` characters needs from its option byte on.
qsizetype stringBytes(const QByteArray& r, qsizetype at, qsizetype count)
{
    if (at >= r.size())
        return count ? r.size() + 1 : 0;
    const quint8 flags = quint8(r[at]);
    return 1 + ((flags & 8) ? 2 : 0) + ((flags & 4) ? 4 : 0) + count * ((flags & 1) ? 2 : 1);
}

// True when one of `count` characters from `at` is NUL.
bool holdsNul(const QByteArray& r, qsizetype at, qint64 count, bool wide)
{
    for (qint64 i = 0; i < count; ++i)
        if (wide ? u16(r, at + 2 * i) == 0 : r[at + i] == 0)
            return true;
    return false;
}

// Walks the shared strings of an SST record and its CONTINUE records the way a reader must: a
// character array cut by a CONTINUE goes on after a fresh option byte. False when a string
// claims more than the records hold. `withNul`, when given, gets the index of every string that
// holds a NUL character.
bool walkSst(const std::vector<QByteArray>& segments, std::set<quint32>* withNul = nullptr)
{
    if (segments.empty() || segments.front().size() < 8)
        return false;
    const quint32 unique = u32(segments.front(), 4);
    size_t seg = 0;
    qsizetype pos = 8;
    const auto atEnd = [&] {
        return seg >= segments.size();
    };
    const auto nextSegment = [&] {
        ++seg;
        pos = 0;
        return !atEnd();
    };
    // Skips n bytes that may run on into the next records without an option byte.
    const auto skip = [&](qint64 n) {
        while (n > 0) {
            if (pos >= segments[seg].size() && !nextSegment())
                return false;
            const qint64 take = std::min<qint64>(n, segments[seg].size() - pos);
            pos += take;
            n -= take;
        }
        return true;
    };
    for (quint32 i = 0; i < unique; ++i) {
        if (pos >= segments[seg].size() && !nextSegment())
            return false;
        const QByteArray& r = segments[seg];
        if (pos + 3 > r.size())
            return false;
        qint64 chars = u16(r, pos);
        const quint8 flags = quint8(r[pos + 2]);
        pos += 3;
        bool wide = flags & 1;
        qint64 runs = 0;
        qint64 ext = 0;
        if (flags & 8) {
            if (pos + 2 > r.size())
                return false;
            runs = u16(r, pos);
            pos += 2;
        }
        if (flags & 4) {
            if (pos + 4 > r.size())
                return false;
            ext = u32(r, pos);
            pos += 4;
        }
        bool nul = false;
        while (chars > 0) {
            const qint64 fit = (segments[seg].size() - pos) / (wide ? 2 : 1);
            const qint64 take = std::min(chars, fit);
            nul = nul || (withNul && holdsNul(segments[seg], pos, take, wide));
            pos += take * (wide ? 2 : 1);
            chars -= take;
            if (chars == 0)
                break;
            if (!nextSegment() || segments[seg].isEmpty())
                return false;
            wide = quint8(segments[seg][0]) & 1;
            pos = 1;
        }
        if (!skip(runs * 4 + ext))
            return false;
        if (nul)
            withNul->insert(i);
    }
    return true;
}

} // namespace

bool plausibleXls(const QByteArray& w)
{
    if (w.size() < 4 || u16(w, 0) != 0x0809)
        return false;
    const bool biff8 = w.size() >= 6 && u16(w, 4) == 0x0600;
    std::vector<QByteArray> sst; // the SST record and the CONTINUE records after it
    bool inSst = false;
    for (qsizetype at = 0; at + 4 <= w.size();) {
        const quint16 id = u16(w, at);
        const quint16 len = u16(w, at + 2);
        if (len > 8224 || at + 4 + len > w.size())
            return false;
        const QByteArray r = QByteArray::fromRawData(w.constData() + at + 4, len);
        at += 4 + len;
        if (!biff8)
            continue;
        if (id == 0x00FC) {
            if (!sst.empty())
                return false; // one table of shared strings per workbook
            inSst = true;
            sst.push_back(r);
            continue;
        }
        if (inSst && id == 0x003C) {
            sst.push_back(r);
            continue;
        }
        if (inSst && !walkSst(sst))
            return false;
        inSst = false;
        qsizetype need = 0;
        switch (id) {
        case 0x0085: // BOUNDSHEET
            need = r.size() < 8 ? r.size() + 1 : 7 + stringBytes(r, 7, quint8(r[6]));
            break;
        case 0x0204: // LABEL
            need = r.size() < 9 ? r.size() + 1 : 8 + stringBytes(r, 8, u16(r, 6));
            break;
        case 0x041E: // FORMAT
            need = r.size() < 5 ? r.size() + 1 : 4 + stringBytes(r, 4, u16(r, 2));
            break;
        case 0x0031: // FONT
            need = r.size() < 16 ? r.size() + 1 : 15 + stringBytes(r, 15, quint8(r[14]));
            break;
        default:
            break;
        }
        if (need > r.size())
            return false;
    }
    return !inSst || walkSst(sst);
}

void fitDimensions(char* stream, qsizetype size)
{
    // Read through a view; written in place, so a stream in a mapped copy is not copied again.
    const QByteArray w = QByteArray::fromRawData(stream, size);
    const auto put16 = [&](qsizetype at, quint16 v) {
        stream[at] = char(v & 0xFF);
        stream[at + 1] = char(v >> 8);
    };
    struct Frame
    {
        qsizetype dimensions = -1; // where the DIMENSIONS record's data starts
        quint16 length = 0;
        qint64 rows = 0; // one past the last row that holds a record
        qint64 columns = 0;
    };
    std::vector<Frame> frames;
    const auto fit = [&](const Frame& f) {
        if (f.dimensions < 0)
            return;
        // BIFF8 counts rows in 32 bits, BIFF5 in 16; columns in 16 bits in both.
        const bool wide = f.length >= 14;
        const qsizetype rowEnd = f.dimensions + (wide ? 4 : 2);
        const qsizetype columnEnd = f.dimensions + (wide ? 10 : 6);
        const qint64 rows = std::min<qint64>(wide ? u32(w, rowEnd) : u16(w, rowEnd), f.rows);
        const qint64 columns = std::min<qint64>(u16(w, columnEnd), f.columns);
        if (wide) {
            put16(rowEnd, quint16(rows & 0xFFFF));
            put16(rowEnd + 2, quint16(rows >> 16));
        } else {
            put16(rowEnd, quint16(rows));
        }
        put16(columnEnd, quint16(columns));
    };
    for (qsizetype at = 0; at + 4 <= w.size();) {
        const quint16 id = u16(w, at);
        const quint16 len = u16(w, at + 2);
        const qsizetype data = at + 4;
        if (data + len > w.size())
            return;
        at = data + len;
        if (id == 0x0809) {
            frames.emplace_back();
            continue;
        }
        if (frames.empty())
            continue;
        Frame& f = frames.back();
        if (id == 0x000A) {
            fit(f);
            frames.pop_back();
            continue;
        }
        if (id == 0x0200 && len >= 10) {
            f.dimensions = data;
            f.length = len;
            continue;
        }
        qint64 lastColumn = -1;
        switch (id) {
        case 0x0006: // FORMULA
        case 0x0201: // BLANK
        case 0x0203: // NUMBER
        case 0x0204: // LABEL
        case 0x0205: // BOOLERR
        case 0x027E: // RK
        case 0x00D6: // RSTRING
        case 0x00FD: // LABELSST
            if (len >= 4)
                lastColumn = u16(w, data + 2);
            break;
        case 0x00BD: // MULRK
        case 0x00BE: // MULBLANK
            if (len >= 6)
                lastColumn = u16(w, data + len - 2);
            break;
        case 0x0208: // ROW
            if (len >= 2)
                lastColumn = 0;
            break;
        default:
            continue;
        }
        if (lastColumn < 0)
            continue;
        f.rows = std::max<qint64>(f.rows, qint64(u16(w, data)) + 1);
        f.columns = std::max<qint64>(f.columns, lastColumn + 1);
    }
}

std::optional<SheetCells> scanXlsSheetCells(const QByteArray& w, const QString& sheetName)
{
    const auto record = [&](qsizetype at, quint16& id, QByteArray& data) {
        if (at + 4 > w.size())
            return false;
        id = u16(w, at);
        const quint16 len = u16(w, at + 2);
        if (at + 4 + len > w.size())
            return false;
        data = QByteArray::fromRawData(w.constData() + at + 4, len);
        return true;
    };
    // Globals: find the sheet's BOF by its name.
    qsizetype at = 0;
    quint16 id = 0;
    QByteArray data;
    qint64 sheetAt = -1;
    std::vector<QByteArray> sst; // the SST record and the CONTINUE records after it
    bool inSst = false;
    while (record(at, id, data)) {
        at += 4 + data.size();
        if (id == 0x00FC || (inSst && id == 0x003C)) {
            inSst = true;
            sst.push_back(data);
            continue;
        }
        inSst = false;
        if (id == 0x0085 && data.size() >= 8) {
            auto name = biffString(data, 7, quint8(data[6]));
            if (name && name->compare(sheetName, Qt::CaseInsensitive) == 0 && sheetAt < 0)
                sheetAt = u32(data, 0);
        } else if (id == 0x000A) {
            break;
        }
    }
    SheetCells out;
    CellOverlay& cells = out.typed;
    if (sheetAt < 0 || sheetAt >= w.size())
        return out; // FreeXL decides whether the sheet exists
    std::set<quint32> sharedWithNul;
    if (!sst.empty() && !walkSst(sst, &sharedWithNul))
        return std::nullopt;
    at = qsizetype(sheetAt);
    std::optional<std::pair<unsigned, unsigned>> pendingString;
    for (bool first = true; record(at, id, data); first = false) {
        at += 4 + data.size();
        if (first && id != 0x0809)
            return std::nullopt;
        if (id == 0x000A)
            return out;
        if (id == 0x0006 && data.size() >= 20) { // FORMULA with its cached result
            const std::pair<unsigned, unsigned> key { u16(data, 0), u16(data, 2) };
            pendingString.reset();
            if (u16(data, 12) != 0xFFFF) {
                double v;
                std::memcpy(&v, data.constData() + 6, sizeof v);
                cells[key] = Cell::ofNumber(v);
            } else {
                switch (quint8(data[6])) {
                case 0:
                    pendingString = key; // the text follows in a STRING record
                    break;
                case 1:
                    cells[key] = Cell::ofBoolean(data[8] != 0);
                    break;
                case 2:
                    cells[key] = Cell::ofError(errorText(quint8(data[8])));
                    break;
                default:
                    cells[key] = Cell::ofText(QString());
                    break;
                }
            }
        } else if (id == 0x0207 && pendingString && data.size() >= 3) { // STRING
            auto s = biffString(data, 2, u16(data, 0));
            if (!s)
                return std::nullopt;
            if (s->contains(QChar(0)))
                out.withNul.insert(*pendingString);
            cells[*pendingString] = Cell::ofText(*s);
            pendingString.reset();
        } else if (id == 0x00FD && data.size() >= 10) { // LABELSST
            if (sharedWithNul.count(u32(data, 6)))
                out.withNul.insert({ u16(data, 0), u16(data, 2) });
        } else if ((id == 0x0204 || id == 0x00D6) && data.size() >= 9) { // LABEL, RSTRING
            auto s = biffString(data, 8, u16(data, 6));
            if (s && s->contains(QChar(0)))
                out.withNul.insert({ u16(data, 0), u16(data, 2) });
        } else if (id == 0x0205 && data.size() >= 8) { // BOOLERR
            const std::pair<unsigned, unsigned> key { u16(data, 0), u16(data, 2) };
            cells[key] = data[7] ? Cell::ofError(errorText(quint8(data[6]))) : Cell::ofBoolean(data[6] != 0);
        }
    }
    return std::nullopt; // the sheet ends without its EOF: cut short
}

} // namespace orvida::import
