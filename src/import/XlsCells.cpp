// A small reader of the compound file and of the BIFF8 records that FreeXL does not type.
#include "import/XlsCells.h"

#include <algorithm>
#include <cstring>

namespace orvida::import {

namespace {

constexpr quint32 EndOfChain = 0xFFFFFFFE;

quint16 u16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}

quint32 u32(const QByteArray& b, qsizetype at)
{
    return quint32(u16(b, at)) | (quint32(u16(b, at + 2)) << 16);
}

class CompoundFile
{
public:
    explicit CompoundFile(const QByteArray& file)
        : m_f(file)
    { }

    // The named stream of the root storage; nullopt when missing or damaged.
    std::optional<QByteArray> stream(const char16_t* name);

private:
    bool load();
    std::optional<QByteArray> chain(quint32 start, qint64 size, bool mini);

    const QByteArray& m_f;
    int m_shift = 9;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
    QByteArray m_directory;
    QByteArray m_miniStream;
    quint32 m_cutoff = 4096;
};

bool CompoundFile::load()
{
    if (m_f.size() < 512)
        return false;
    m_shift = u16(m_f, 0x1E);
    if (m_shift != 9 && m_shift != 12)
        return false;
    const qsizetype sector = qsizetype(1) << m_shift;
    const qsizetype sectors = (m_f.size() - 512 + sector - 1) / sector;
    std::vector<quint32> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const quint32 s = u32(m_f, 0x4C + 4 * i);
        if (s < quint32(sectors))
            fatSectors.push_back(s);
    }
    quint32 difat = u32(m_f, 0x44);
    for (qsizetype guard = 0; difat < quint32(sectors) && guard < sectors; ++guard) {
        const qsizetype at = 512 + qsizetype(difat) * sector;
        if (at + sector > m_f.size())
            return false;
        for (qsizetype i = 0; i + 1 < sector / 4; ++i) {
            const quint32 s = u32(m_f, at + 4 * i);
            if (s < quint32(sectors))
                fatSectors.push_back(s);
        }
        difat = u32(m_f, at + sector - 4);
    }
    for (quint32 s : fatSectors) {
        const qsizetype at = 512 + qsizetype(s) * sector;
        if (at + sector > m_f.size())
            return false;
        for (qsizetype i = 0; i < sector / 4; ++i)
            m_fat.push_back(u32(m_f, at + 4 * i));
    }
    m_cutoff = u32(m_f, 0x38);
    auto dir = chain(u32(m_f, 0x30), -1, false);
    if (!dir || dir->size() < 128)
        return false;
    m_directory = *dir;
    auto miniFat = chain(u32(m_f, 0x3C), -1, false);
    if (miniFat)
        for (qsizetype i = 0; i + 4 <= miniFat->size(); i += 4)
            m_miniFat.push_back(u32(*miniFat, i));
    // The root entry's stream holds the small streams.
    auto mini = chain(u32(m_directory, 116), qint64(u32(m_directory, 120)), false);
    if (mini)
        m_miniStream = *mini;
    return true;
}

std::optional<QByteArray> CompoundFile::chain(quint32 start, qint64 size, bool mini)
{
    const std::vector<quint32>& fat = mini ? m_miniFat : m_fat;
    const qsizetype sector = mini ? 64 : (qsizetype(1) << m_shift);
    const QByteArray& source = mini ? m_miniStream : m_f;
    const qsizetype base = mini ? 0 : 512;
    QByteArray out;
    if (size > 0)
        out.reserve(qsizetype(std::min<qint64>(size, source.size())));
    quint32 s = start;
    for (size_t guard = 0; s != EndOfChain; ++guard) {
        if (s >= fat.size() || guard > fat.size())
            return size < 0 && s == EndOfChain ? std::optional<QByteArray>(out) : std::nullopt;
        const qsizetype at = base + qsizetype(s) * sector;
        if (at + sector > source.size()) {
            if (at >= source.size())
                return std::nullopt;
            out.append(source.constData() + at, source.size() - at); // a last sector cut short
        } else {
            out.append(source.constData() + at, sector);
        }
        if (size >= 0 && out.size() >= size)
            break;
        s = fat[s];
    }
    if (size >= 0) {
        if (out.size() < size)
            return std::nullopt;
        out.truncate(qsizetype(size));
    }
    return out;
}

std::optional<QByteArray> CompoundFile::stream(const char16_t* name)
{
    if (m_fat.empty() && !load())
        return std::nullopt;
    const size_t len = std::char_traits<char16_t>::length(name);
    for (qsizetype at = 0; at + 128 <= m_directory.size(); at += 128) {
        const quint16 nameBytes = u16(m_directory, at + 64);
        if (m_directory[at + 66] != 2 || nameBytes != (len + 1) * 2)
            continue;
        bool same = true;
        for (size_t i = 0; i < len && same; ++i)
            same = QChar(u16(m_directory, at + qsizetype(2 * i))).toUpper() == QChar(name[i]).toUpper();
        if (!same)
            continue;
        const qint64 size = u32(m_directory, at + 120);
        return chain(u32(m_directory, at + 116), size, quint32(size) < m_cutoff);
    }
    return std::nullopt;
}

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

// Walks the shared strings of an SST record and its CONTINUE records the way a reader must: a
// character array cut by a CONTINUE goes on after a fresh option byte. False when a string
// claims more than the records hold.
bool plausibleSst(const std::vector<QByteArray>& segments)
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
        while (chars > 0) {
            const qint64 fit = (segments[seg].size() - pos) / (wide ? 2 : 1);
            const qint64 take = std::min(chars, fit);
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
    }
    return true;
}

} // namespace

namespace {

void put16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32(QByteArray& b, qsizetype at, quint32 v)
{
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}

QByteArray directoryEntry(const char16_t* name, quint8 type, quint32 child, quint32 start, quint64 size)
{
    QByteArray e(128, '\0');
    const size_t len = std::char_traits<char16_t>::length(name);
    for (size_t i = 0; i < len; ++i)
        put16(e, qsizetype(2 * i), quint16(name[i]));
    put16(e, 64, quint16((len + 1) * 2));
    e[66] = char(type);
    e[67] = 1; // black
    put32(e, 68, 0xFFFFFFFF); // left sibling
    put32(e, 72, 0xFFFFFFFF); // right sibling
    put32(e, 76, child);
    put32(e, 116, start);
    put32(e, 120, quint32(size & 0xFFFFFFFF));
    put32(e, 124, quint32(size >> 32));
    return e;
}

} // namespace

QByteArray cleanCompoundFile(const QByteArray& workbookStream)
{
    constexpr qsizetype Sector = 4096;
    constexpr quint32 Free = 0xFFFFFFFF;
    constexpr quint32 FatSect = 0xFFFFFFFD;
    QByteArray stream = workbookStream;
    if (stream.size() < Sector)
        stream.append(QByteArray(Sector - stream.size(), '\0'));
    const quint32 streamSectors = quint32((stream.size() + Sector - 1) / Sector);
    stream.append(QByteArray(qsizetype(streamSectors) * Sector - stream.size(), '\0'));
    // Sectors: the stream, then the directory, then the FAT itself.
    quint32 fatSectors = 1;
    while ((streamSectors + 1 + fatSectors) > fatSectors * (Sector / 4))
        ++fatSectors;
    if (fatSectors > 109)
        return {}; // beyond what the header's own list of FAT sectors can name (over 400 MB)
    const quint32 dirSector = streamSectors;

    QByteArray out(Sector, '\0'); // the header, padded to one sector
    out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(out, 0x18, 0x003E);
    put16(out, 0x1A, 0x0004);
    put16(out, 0x1C, 0xFFFE);
    put16(out, 0x1E, 12);
    put16(out, 0x20, 6);
    put32(out, 0x28, 1);
    put32(out, 0x2C, fatSectors);
    put32(out, 0x30, dirSector);
    put32(out, 0x38, 4096);
    put32(out, 0x3C, EndOfChain);
    put32(out, 0x44, EndOfChain);
    for (quint32 i = 0; i < 109; ++i)
        put32(out, 0x4C + qsizetype(4 * i), i < fatSectors ? dirSector + 1 + i : Free);

    out += stream;
    QByteArray dir = directoryEntry(u"Root Entry", 5, 1, EndOfChain, 0)
        + directoryEntry(u"Workbook", 2, Free, 0, quint64(stream.size()));
    dir.append(QByteArray(Sector - dir.size(), '\0'));
    for (qsizetype at = 256; at < Sector; at += 128) { // unused entries
        put32(dir, at + 68, Free);
        put32(dir, at + 72, Free);
        put32(dir, at + 76, Free);
    }
    out += dir;
    QByteArray fat(qsizetype(fatSectors) * Sector, '\xFF');
    for (quint32 i = 0; i < streamSectors; ++i)
        put32(fat, 4 * qsizetype(i), i + 1 < streamSectors ? i + 1 : EndOfChain);
    put32(fat, 4 * qsizetype(dirSector), EndOfChain);
    for (quint32 i = 0; i < fatSectors; ++i)
        put32(fat, 4 * qsizetype(dirSector + 1 + i), FatSect);
    out += fat;
    return out;
}

bool isEncryptedPackage(const QByteArray& file)
{
    CompoundFile cf(file);
    return cf.stream(u"EncryptedPackage").has_value();
}

std::optional<QByteArray> xlsWorkbookStream(const QByteArray& file)
{
    CompoundFile cf(file);
    auto stream = cf.stream(u"Workbook");
    if (!stream)
        stream = cf.stream(u"Book"); // BIFF5
    return stream;
}

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
        if (inSst && !plausibleSst(sst))
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
    return !inSst || plausibleSst(sst);
}

std::optional<CellOverlay> scanXlsSheetCells(const QByteArray& w, const QString& sheetName)
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
    while (record(at, id, data)) {
        at += 4 + data.size();
        if (id == 0x0085 && data.size() >= 8) {
            auto name = biffString(data, 7, quint8(data[6]));
            if (name && name->compare(sheetName, Qt::CaseInsensitive) == 0 && sheetAt < 0)
                sheetAt = u32(data, 0);
        } else if (id == 0x000A) {
            break;
        }
    }
    CellOverlay cells;
    if (sheetAt < 0 || sheetAt >= w.size())
        return cells; // FreeXL decides whether the sheet exists
    at = qsizetype(sheetAt);
    std::optional<std::pair<unsigned, unsigned>> pendingString;
    for (bool first = true; record(at, id, data); first = false) {
        at += 4 + data.size();
        if (first && id != 0x0809)
            return std::nullopt;
        if (id == 0x000A)
            return cells;
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
            cells[*pendingString] = Cell::ofText(*s);
            pendingString.reset();
        } else if (id == 0x0205 && data.size() >= 8) { // BOOLERR
            const std::pair<unsigned, unsigned> key { u16(data, 0), u16(data, 2) };
            cells[key] = data[7] ? Cell::ofError(errorText(quint8(data[6]))) : Cell::ofBoolean(data[6] != 0);
        }
    }
    return std::nullopt; // the sheet ends without its EOF: cut short
}

} // namespace orvida::import
