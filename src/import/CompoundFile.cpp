// The compound file that holds an Excel 97-2003 workbook: a reader of its streams, and the
// writer of the clean copy FreeXL is given.
#include "import/CompoundFile.h"

#include "import/LittleEndian.h"

#include <QBuffer>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <string>

namespace orvida::import {

using le::put16;
using le::put32;
using le::u16;
using le::u32;

namespace {

constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr qint64 MiniSector = 64;
constexpr qint64 DirectoryEntry = 128;

} // namespace

CompoundFile::CompoundFile(QIODevice& device)
    : m_device(device)
    , m_size(device.size())
{ }

std::optional<QByteArray> CompoundFile::bytesAt(qint64 at, qint64 n)
{
    if (at < 0 || n < 0 || at + n > m_size)
        return std::nullopt;
    QByteArray bytes(qsizetype(n), Qt::Uninitialized);
    if (!readAt(at, bytes.data(), n))
        return std::nullopt;
    return bytes;
}

bool CompoundFile::readAt(qint64 at, char* out, qint64 n)
{
    return at >= 0 && n >= 0 && at + n <= m_size && m_device.seek(at) && m_device.read(out, n) == n;
}

std::optional<std::vector<quint32>>
CompoundFile::chain(const std::vector<quint32>& table, quint32 start, qint64 maxLength) const
{
    std::vector<quint32> sectors;
    std::vector<bool> seen(table.size());
    for (quint32 s = start; s != EndOfChain && (maxLength < 0 || qint64(sectors.size()) < maxLength); s = table[s]) {
        if (s >= table.size() || seen[s])
            return std::nullopt;
        seen[s] = true;
        sectors.push_back(s);
    }
    return sectors;
}

bool CompoundFile::load()
{
    if (m_state != State::Unread)
        return m_state == State::Good;
    m_state = State::Damaged;
    auto header = bytesAt(0, 512);
    if (!header)
        return false;
    m_shift = u16(*header, 0x1E);
    if (m_shift != 9 && m_shift != 12)
        return false;
    const qint64 sector = qint64(1) << m_shift;
    if (m_size > MaxCompoundFileBytes + sector)
        return false;
    // Sectors after the header (which fills the first one), the last one possibly cut short.
    m_sectors = quint32(std::max<qint64>(0, (m_size - sector + (sector - 1)) / sector));
    const qint64 entries = sector / 4;

    // The FAT's own sectors: 109 named in the header, the rest along the DIFAT chain. Names past
    // the file's end are free slots; a sector named twice is damage.
    std::vector<quint32> fatSectors;
    std::vector<bool> named(m_sectors);
    const auto name = [&](quint32 s) {
        if (s >= m_sectors)
            return true;
        if (named[s])
            return false;
        named[s] = true;
        fatSectors.push_back(s);
        return true;
    };
    for (int i = 0; i < 109; ++i)
        if (!name(u32(*header, 0x4C + 4 * i)))
            return false;
    std::vector<bool> difatSeen(m_sectors);
    for (quint32 difat = u32(*header, 0x44); difat < m_sectors;) {
        if (difatSeen[difat])
            return false;
        difatSeen[difat] = true;
        auto d = bytesAt(qint64(difat + 1) << m_shift, sector);
        if (!d)
            return false;
        for (qint64 i = 0; i + 1 < entries; ++i)
            if (!name(u32(*d, 4 * i)))
                return false;
        difat = u32(*d, sector - 4);
    }
    // The table needs no entry past the file's last sector: a link there leaves the file.
    for (quint32 s : fatSectors) {
        if (m_fat.size() >= m_sectors)
            break;
        auto f = bytesAt(qint64(s + 1) << m_shift, sector);
        if (!f)
            return false;
        for (qint64 i = 0; i < entries && m_fat.size() < m_sectors; ++i)
            m_fat.push_back(u32(*f, 4 * i));
    }
    m_cutoff = u32(*header, 0x38);
    auto directory = chain(m_fat, u32(*header, 0x30));
    if (!directory || directory->empty())
        return false;
    m_directory = std::move(*directory);
    // The mini stream's table; a damaged one matters only to a stream read from it.
    if (auto miniFatSectors = chain(m_fat, u32(*header, 0x3C))) {
        std::vector<quint32> miniFat;
        for (quint32 s : *miniFatSectors) {
            auto f = bytesAt(qint64(s + 1) << m_shift, sector);
            if (!f)
                break;
            for (qint64 i = 0; i < entries; ++i)
                miniFat.push_back(u32(*f, 4 * i));
        }
        if (qint64(miniFat.size()) == qint64(miniFatSectors->size()) * entries)
            m_miniFat = std::move(miniFat);
    }
    m_state = State::Good;
    return true;
}

std::optional<CompoundFile::Entry> CompoundFile::find(const char16_t* name)
{
    if (!load())
        return std::nullopt;
    const size_t len = std::char_traits<char16_t>::length(name);
    const qint64 sector = qint64(1) << m_shift;
    for (size_t d = 0; d < m_directory.size(); ++d) {
        // The file's last sector may be cut short: its whole entries still count.
        const qint64 from = qint64(m_directory[d] + 1) << m_shift;
        auto entries = bytesAt(from, std::min(sector, m_size - from));
        if (!entries)
            return std::nullopt;
        for (qint64 at = 0; at + DirectoryEntry <= entries->size(); at += DirectoryEntry) {
            if (d == 0 && at == 0) { // the root entry: where the mini stream lives
                m_miniStreamSize = u32(*entries, 120);
                if (!m_miniStream)
                    m_miniStream = chain(m_fat, u32(*entries, 116), (m_miniStreamSize + sector - 1) >> m_shift);
            }
            const quint16 nameBytes = u16(*entries, at + 64);
            if ((*entries)[at + 66] != 2 || nameBytes != (len + 1) * 2)
                continue;
            bool same = true;
            for (size_t i = 0; i < len && same; ++i)
                same = QChar(u16(*entries, at + qsizetype(2 * i))).toUpper() == QChar(name[i]).toUpper();
            if (same)
                return Entry { u32(*entries, at + 116), qint64(u32(*entries, at + 120)) };
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> CompoundFile::read(const Entry& entry)
{
    if (entry.size > m_size)
        return std::nullopt;
    QByteArray out(qsizetype(entry.size), Qt::Uninitialized);
    if (!readInto(entry, out.data()))
        return std::nullopt;
    return out;
}

std::optional<std::vector<quint32>> CompoundFile::sectorsOf(const Entry& entry)
{
    if (!load() || entry.size > m_size)
        return std::nullopt;
    const bool mini = entry.size < qint64(m_cutoff);
    const qint64 unit = mini ? MiniSector : (qint64(1) << m_shift);
    if (mini && (!m_miniFat || !m_miniStream))
        return std::nullopt;
    auto sectors = chain(mini ? *m_miniFat : m_fat, entry.start, (entry.size + unit - 1) / unit);
    if (!sectors || qint64(sectors->size()) * unit < entry.size)
        return std::nullopt;
    return sectors;
}

bool CompoundFile::holds(const Entry& entry)
{
    return sectorsOf(entry).has_value();
}

bool CompoundFile::readInto(const Entry& entry, char* out)
{
    const auto sectors = sectorsOf(entry);
    if (!sectors)
        return false;
    const bool mini = entry.size < qint64(m_cutoff);
    const qint64 unit = mini ? MiniSector : (qint64(1) << m_shift);
    qint64 done = 0;
    for (size_t i = 0; i < sectors->size() && done < entry.size;) {
        qint64 at = 0;
        qint64 n = std::min(unit, entry.size - done);
        if (mini) {
            const qint64 inStream = qint64((*sectors)[i]) * MiniSector;
            const size_t holder = size_t(inStream >> m_shift);
            if (inStream + n > m_miniStreamSize || holder >= m_miniStream->size())
                return false;
            at = (qint64((*m_miniStream)[holder] + 1) << m_shift) + (inStream & ((qint64(1) << m_shift) - 1));
            ++i;
        } else {
            // Neighbouring sectors are read in one piece; the file's last sector may be cut short.
            at = qint64((*sectors)[i] + 1) << m_shift;
            size_t run = 1;
            while (i + run < sectors->size() && (*sectors)[i + run] == (*sectors)[i] + run)
                ++run;
            n = std::min<qint64>(qint64(run) * unit, entry.size - done);
            n = std::min(n, m_size - at);
            i += run;
        }
        if (!readAt(at, out + done, n))
            return false;
        done += n;
    }
    return done == entry.size;
}

namespace {

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

std::optional<CleanFrame> cleanCompoundFrame(qint64 streamBytes)
{
    constexpr qsizetype Sector = 4096;
    constexpr quint32 Free = 0xFFFFFFFF;
    constexpr quint32 FatSect = 0xFFFFFFFD;
    if (streamBytes < 0 || streamBytes > MaxCleanStreamBytes)
        return std::nullopt;
    const quint32 streamSectors = quint32((std::max<qint64>(streamBytes, Sector) + Sector - 1) / Sector);
    // Sectors: the stream, then the directory, then the FAT itself.
    quint32 fatSectors = 1;
    while ((streamSectors + 1 + fatSectors) > fatSectors * (Sector / 4))
        ++fatSectors;
    if (fatSectors > 109)
        return std::nullopt;
    const quint32 dirSector = streamSectors;

    QByteArray header(Sector, '\0'); // padded to one sector
    header.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(header, 0x18, 0x003E);
    put16(header, 0x1A, 0x0004);
    put16(header, 0x1C, 0xFFFE);
    put16(header, 0x1E, 12);
    put16(header, 0x20, 6);
    put32(header, 0x28, 1);
    put32(header, 0x2C, fatSectors);
    put32(header, 0x30, dirSector);
    put32(header, 0x38, 4096);
    put32(header, 0x3C, EndOfChain);
    put32(header, 0x44, EndOfChain);
    for (quint32 i = 0; i < 109; ++i)
        put32(header, 0x4C + qsizetype(4 * i), i < fatSectors ? dirSector + 1 + i : Free);

    QByteArray dir = directoryEntry(u"Root Entry", 5, 1, EndOfChain, 0)
        + directoryEntry(u"Workbook", 2, Free, 0, quint64(streamSectors) * Sector);
    dir.append(QByteArray(Sector - dir.size(), '\0'));
    for (qsizetype at = 256; at < Sector; at += 128) { // unused entries
        put32(dir, at + 68, Free);
        put32(dir, at + 72, Free);
        put32(dir, at + 76, Free);
    }
    QByteArray fat(qsizetype(fatSectors) * Sector, '\xFF');
    for (quint32 i = 0; i < streamSectors; ++i)
        put32(fat, 4 * qsizetype(i), i + 1 < streamSectors ? i + 1 : EndOfChain);
    put32(fat, 4 * qsizetype(dirSector), EndOfChain);
    for (quint32 i = 0; i < fatSectors; ++i)
        put32(fat, 4 * qsizetype(dirSector + 1 + i), FatSect);

    const QByteArray padding(qsizetype(qint64(streamSectors) * Sector - streamBytes), '\0');
    return CleanFrame { header, padding + dir + fat };
}

bool isEncryptedPackage(QIODevice& file)
{
    CompoundFile cf(file);
    return cf.find(u"EncryptedPackage").has_value();
}

bool isEncryptedPackage(const QByteArray& file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    return isEncryptedPackage(buffer);
}

} // namespace orvida::import
