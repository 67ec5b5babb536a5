#pragma once

#include "import/Workbook.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <memory>
#include <vector>

namespace orvida::import::freexl {

// FreeXL trusts the lengths and offsets written in the file: fuzzing found damaged workbooks on
// which it reads and writes past its buffers and frees memory twice. So on Unix it runs in a
// child process that hands back what it read as bytes through a pipe: a file that still trips it
// costs that process, not the program. A child that spins is stopped by its processor-time limit.

// The clean copy of a workbook that FreeXL reads (FreeXL reads files by name only). On Unix the
// copy has no name in any folder: on Linux it is a file in memory, elsewhere a temporary file
// removed as soon as it is open. Either way the system frees it when the last process holding it
// ends, so a crash leaves nothing behind. FreeXL is given the path of its open descriptor.
class InputFile
{
public:
    InputFile();
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when no copy can be made.
    bool open();
    QByteArray path() const { return m_path; }
    // Sizes the open copy and maps it for writing in place, so the workbook stream is read
    // straight into it; nullptr when it cannot be. The mapping lasts as long as this object.
    char* map(qint64 size);

private:
    std::unique_ptr<QFile> m_file;
    QByteArray m_path;
    void* m_map = nullptr;
    qint64 m_mapSize = 0;
};

// What opening the workbook told.
struct Head
{
    bool opened = false; // FreeXL could open it; nothing else is set otherwise
    bool obfuscated = false; // the workbook is protected with a password
    QStringList sheetNames;
};

// FreeXL reading the workbook at `path`, once: the child opens it and writes the result, the
// password flag and the sheet names, then waits to be told which sheet to read, and writes that
// sheet's size and every cell row by row. The child writes only as fast as the cells are taken,
// so a sheet is never held whole; a text that many cells share crosses once.
class Answer
{
public:
    explicit Answer(const QByteArray& path);
    // Stops the child if it is still working.
    ~Answer();
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;

    // False when the answer is cut short.
    bool head(Head& head);
    // Asks for one sheet (once); false when the child is gone. The child selects it and starts on
    // its cells while the caller does something else.
    bool askSheet(int sheet);
    // The size of the sheet asked for; false when FreeXL could not select it or the child failed.
    bool sheetSize(unsigned& rows, unsigned& columns);
    bool selected() const { return m_selected; }
    // The next cell of the sheet; dates and times as their day count.
    bool cell(Cell& cell);
    // True when nothing is left to read and the child ended normally.
    bool finish();
    // From another thread, while a cell is being waited for: the wait ends and the answer with it.
    void interrupt();

private:
    bool fill(qsizetype n);
    bool take(void* v, size_t n);
    void stop();

    QByteArray m_buffer;
    qsizetype m_at = 0; // the next byte to take
    qsizetype m_end = 0; // past the last byte read
    std::vector<QString> m_texts; // the shared texts that crossed, by their number
    qint64 m_sharedBytes = 0;
    bool m_selected = false;
    int m_fd = -1; // the socket to and from the child, open until stop()
    bool m_drained = false; // the child's end is closed, or the reading interrupted
    qint64 m_pid = -1;
    bool m_endedWell = false; // the child wrote its whole answer and exited normally
#ifndef Q_OS_UNIX
    const void* m_handle = nullptr; // FreeXL in this process
#endif
};

// For the tests: what the next children do instead of their work, to show that a crash or a
// spin ends as a damaged file.
// SpinInCells is stopped by a limit of a second, SpinLongInCells by the usual one of minutes.
enum class Fault { None, CrashOnOpen, CrashInCells, SpinInCells, SpinLongInCells };
void injectFault(Fault fault);

} // namespace orvida::import::freexl
