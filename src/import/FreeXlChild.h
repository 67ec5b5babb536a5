#pragma once

#include "import/Workbook.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <memory>

namespace orvida::import::freexl {

// FreeXL trusts the lengths and offsets written in the file: fuzzing found damaged workbooks on
// which it reads and writes past its buffers and frees memory twice. So on Unix it runs in a
// child process that hands back what it read as bytes through a pipe: a file that still trips it
// costs that process, not the program.

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
    QFile& file() { return *m_file; }
    QByteArray path() const { return m_path; }

private:
    std::unique_ptr<QFile> m_file;
    QByteArray m_path;
};

// What opening the workbook told.
struct Head
{
    bool opened = false; // FreeXL could open it; nothing else is set otherwise
    bool obfuscated = false; // the workbook is protected with a password
    QStringList sheetNames;
};

// FreeXL reading the workbook at `path`, and its answer read back as it comes, in the order it
// is written: the result of opening the workbook, the password flag and the sheet names; then,
// when `sheet` is not negative, that sheet's size and every cell row by row. The child writes
// only as fast as the cells are taken, so a sheet is never held whole: one text shared by many
// cells is repeated in the answer for each of them.
class Answer
{
public:
    Answer(const QByteArray& path, int sheet);
    // Stops the child if it is still writing.
    ~Answer();
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;

    // False when the answer is cut short.
    bool head(Head& head);
    // The selected sheet's size; false when FreeXL could not select it.
    bool sheetSize(unsigned& rows, unsigned& columns);
    // The next cell of the sheet; dates and times as their day count.
    bool cell(Cell& cell);
    // True when nothing is left to read and the child ended normally.
    bool finish();

private:
    bool fill(qsizetype n);
    bool take(void* v, size_t n);
    bool text(QString& s);
    void stop();

    QByteArray m_buffer;
    qsizetype m_at = 0;
    int m_fd = -1; // the pipe from the child
    qint64 m_pid = -1;
    bool m_endedWell = false; // the child wrote its whole answer and exited normally
};

} // namespace orvida::import::freexl
