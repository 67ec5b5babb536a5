#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

class QIODevice;

namespace orvida::import {

// The largest compound file read: a version 3 compound file, the one Excel 97-2003 writes,
// holds at most 2 GiB.
constexpr qint64 MaxCompoundFileBytes = qint64(1) << 31;

// The longest workbook stream a clean copy can hold: its header names at most 109 FAT sectors
// of 4096 bytes, each listing 1024 sectors, the directory and those FAT sectors among them.
constexpr qint64 MaxCleanStreamBytes = (109 * 1024 - 1 - 109) * qint64(4096);

// Reads the streams of a compound file from a device that can seek, without holding the file:
// the header, the sector tables and only the sectors of the stream asked for. Every chain is
// followed at most once through each sector, so the work is bounded by the file's size; a chain
// that comes back to a sector it passed is damage, as is any table or chain that leaves the file.
class CompoundFile
{
public:
    struct Entry
    {
        quint32 start = 0;
        qint64 size = 0;
    };

    // The device must stay open while the reader is used.
    explicit CompoundFile(QIODevice& device);

    // The entry of the stream named `name` (compared without regard to case); nullopt when the
    // file has none or is damaged.
    std::optional<Entry> find(const char16_t* name);
    // The stream's bytes; nullopt when its chain is damaged.
    std::optional<QByteArray> read(const Entry& entry);
    // Whether the stream's chain is whole, told before room is made for its bytes.
    bool holds(const Entry& entry);
    // The stream's bytes into `out`, which has room for entry.size bytes; false when the chain is
    // damaged.
    bool readInto(const Entry& entry, char* out);

private:
    bool load();
    std::optional<QByteArray> bytesAt(qint64 at, qint64 n);
    bool readAt(qint64 at, char* out, qint64 n);
    std::optional<std::vector<quint32>> sectorsOf(const Entry& entry);
    std::optional<std::vector<quint32>>
    chain(const std::vector<quint32>& table, quint32 start, qint64 maxLength = -1) const;
    bool loadMiniStream();

    QIODevice& m_device;
    qint64 m_size = 0;
    enum class State { Unread, Good, Damaged } m_state = State::Unread;
    int m_shift = 9;
    quint32 m_sectors = 0; // whole or partial sectors in the file after the header
    quint32 m_cutoff = 4096; // streams shorter than this live in the mini stream
    std::vector<quint32> m_fat;
    std::vector<quint32> m_directory; // the directory's sectors
    std::optional<std::vector<quint32>> m_miniFat;
    std::optional<std::vector<quint32>> m_miniStream; // the root entry's sectors
    qint64 m_miniStreamSize = 0;
};

// A clean compound file (4096-byte sectors) holding the workbook stream as its one stream
// "Workbook", padded to at least 4096 bytes so it lives in regular sectors. FreeXL is handed this
// instead of the user's file: its reading of a damaged container is not to be trusted. Given as
// the bytes before the stream (`head`, one sector) and after it (`tail`: the padding, the
// directory and the table), so the stream is read straight into place. nullopt when the stream
// is longer than MaxCleanStreamBytes.
struct CleanFrame
{
    QByteArray head;
    QByteArray tail;
};
std::optional<CleanFrame> cleanCompoundFrame(qint64 streamBytes);

// True for a compound file that holds an "EncryptedPackage" stream: an .xlsx that Excel saved
// with a password to open.
bool isEncryptedPackage(QIODevice& file);
bool isEncryptedPackage(const QByteArray& file);

} // namespace orvida::import
