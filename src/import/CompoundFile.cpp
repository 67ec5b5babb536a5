// The compound file that holds an Excel 97-2003 workbook: a reader of its streams, and the
// writer of the clean copy FreeXL is given.
#include "import/CompoundFile.h"

#include "import/LittleEndian.h"

#include <QString>

#include <algorithm>
#include <string>
#include <vector>

namespace orvida::import {

using le::put16;
using le::put32;
using le::u16;
using le::u32;

namespace {

constexpr quint32 EndOfChain = 0xFFFFFFFE;

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

} // namespace orvida::import
