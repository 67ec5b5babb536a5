// FreeXL in a child process, and the bytes in which the child hands back what it read.
#include "import/FreeXlChild.h"

#include "base/Dates.h"

#include <QDir>
#include <QTemporaryFile>

#include <freexl.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace orvida::import::freexl {

namespace {

// The child's answer, in the machine's own byte order (both ends are the same program). With a
// descriptor, the bytes go out in pieces as they are written; false from flush() when they
// cannot.
class Writer
{
public:
    explicit Writer(int fd = -1)
        : m_fd(fd)
    { }
    void u8(quint8 v) { put(&v, sizeof v); }
    void u32(quint32 v) { put(&v, sizeof v); }
    void i32(qint32 v) { put(&v, sizeof v); }
    void f64(double v) { put(&v, sizeof v); }
    void text(const char* s)
    {
        const quint32 n = s ? quint32(std::strlen(s)) : 0;
        u32(n);
        put(s, n);
    }
    bool flush()
    {
#ifdef Q_OS_UNIX
        for (qsizetype at = 0; m_fd >= 0 && at < m_out.size();) {
            const ssize_t n = write(m_fd, m_out.constData() + at, size_t(m_out.size() - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += n;
        }
        if (m_fd >= 0)
            m_out.clear();
#endif
        return true;
    }
    QByteArray& bytes()
    {
        return m_out;
    }

private:
    void put(const void* v, size_t n)
    {
        m_out.append(static_cast<const char*>(v), qsizetype(n));
        if (m_fd >= 0 && m_out.size() >= (1 << 16) && !flush())
            std::_Exit(2);
    }

    int m_fd;
    QByteArray m_out;
};

// Opens the file with FreeXL and writes: the result code, the password flag and the sheet names;
// then, when `sheet` is given, that sheet's size and every cell row by row.
void readWithFreeXL(const QByteArray& path, int sheet, Writer& out)
{
    const void* h = nullptr;
    const int rc = freexl_open(path.constData(), &h);
    out.i32(rc);
    if (rc == FREEXL_OK) {
        unsigned info = 0;
        out.u32(freexl_get_info(h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED);
        unsigned count = 0;
        if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK || count > 65535)
            count = 0;
        out.u32(count);
        for (unsigned i = 0; i < count; ++i) {
            const char* name = nullptr;
            out.text(freexl_get_worksheet_name(h, static_cast<unsigned short>(i), &name) == FREEXL_OK ? name : "");
        }
        if (sheet >= 0) {
            unsigned rows = 0;
            unsigned short columns = 0;
            if (freexl_select_active_worksheet(h, static_cast<unsigned short>(sheet)) != FREEXL_OK
                || freexl_worksheet_dimensions(h, &rows, &columns) != FREEXL_OK) {
                rows = 0;
                columns = 0;
                out.i32(-1);
            } else {
                out.i32(0);
            }
            out.u32(rows);
            out.u32(columns);
            for (unsigned r = 0; r < rows; ++r)
                for (unsigned short c = 0; c < columns; ++c) {
                    FreeXL_CellValue v;
                    if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK)
                        v.type = FREEXL_CELL_NULL;
                    out.u8(v.type);
                    switch (v.type) {
                    case FREEXL_CELL_INT:
                        out.i32(v.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        out.f64(v.value.double_value);
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        out.text(v.value.text_value);
                        break;
                    default:
                        break;
                    }
                }
        }
    }
    freexl_close(h);
}

} // namespace

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

bool InputFile::open()
{
#ifdef Q_OS_UNIX
    int fd = -1;
#ifdef Q_OS_LINUX
    fd = memfd_create("orvida-xls", MFD_CLOEXEC);
#endif
    if (fd < 0) {
        QByteArray name = QFile::encodeName(QDir::tempPath() + QStringLiteral("/orvida-xls-XXXXXX"));
        fd = mkstemp(name.data());
        if (fd >= 0)
            unlink(name.constData());
    }
    if (fd < 0)
        return false;
    m_file = std::make_unique<QFile>();
    if (!m_file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    m_path = "/dev/fd/" + QByteArray::number(fd);
    return true;
#else
    // No descriptor paths here: a named temporary file, removed when the reader closes.
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/orvida-xls-XXXXXX"));
    if (!file->open())
        return false;
    m_path = QFile::encodeName(file->fileName());
    m_file = std::move(file);
    return true;
#endif
}

Answer::Answer(const QByteArray& path, int sheet)
{
#ifdef Q_OS_UNIX
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        close(fds[0]);
        Writer out(fds[1]);
        readWithFreeXL(path, sheet, out);
        _exit(out.flush() ? 0 : 2);
    }
    close(fds[1]);
    m_fd = fds[0];
    m_pid = pid;
#else
    Writer out;
    readWithFreeXL(path, sheet, out);
    m_buffer = std::move(out.bytes());
    m_endedWell = true;
#endif
}

Answer::~Answer()
{
    stop();
}

// Closes the pipe and collects the child; one still writing is stopped first.
void Answer::stop()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (m_pid > 0) {
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid_t(m_pid), &status, WNOHANG)) < 0 && errno == EINTR) { }
        if (done == 0) {
            kill(pid_t(m_pid), SIGKILL);
            while (waitpid(pid_t(m_pid), &status, 0) < 0 && errno == EINTR) { }
        }
        m_pid = -1;
        m_endedWell = done > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
#endif
}

// Makes `n` bytes ready in the buffer; false when the answer ends first.
bool Answer::fill(qsizetype n)
{
    if (m_buffer.size() - m_at >= n)
        return true;
#ifdef Q_OS_UNIX
    if (m_at > 0) {
        m_buffer.remove(0, m_at);
        m_at = 0;
    }
    char chunk[1 << 16];
    while (m_fd >= 0 && m_buffer.size() < n) {
        const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            close(m_fd);
            m_fd = -1;
            break;
        }
        m_buffer.append(chunk, qsizetype(got));
    }
#endif
    return m_buffer.size() - m_at >= n;
}

bool Answer::finish()
{
    // Nothing may be left unread; at the pipe's end the child has written everything and exits.
    if (m_fd >= 0 && fill(1))
        return false;
#ifdef Q_OS_UNIX
    if (m_pid > 0) {
        int status = 0;
        while (waitpid(pid_t(m_pid), &status, 0) < 0 && errno == EINTR) { }
        m_pid = -1;
        m_endedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
#endif
    return m_endedWell && m_at == m_buffer.size();
}

bool Answer::take(void* v, size_t n)
{
    if (!fill(qsizetype(n)))
        return false;
    std::memcpy(v, m_buffer.constData() + m_at, n);
    m_at += qsizetype(n);
    return true;
}

bool Answer::text(QString& s)
{
    // FreeXL's texts are at most 65,535 characters, four bytes each in UTF-8.
    quint32 n = 0;
    if (!take(&n, sizeof n) || n > (quint32(1) << 18) || !fill(qsizetype(n)))
        return false;
    s = QString::fromUtf8(m_buffer.constData() + m_at, qsizetype(n));
    m_at += n;
    return true;
}

bool Answer::head(Head& head)
{
    head = {};
    qint32 rc = 0;
    if (!take(&rc, sizeof rc))
        return false;
    if (rc != FREEXL_OK)
        return true;
    quint32 obfuscated = 0;
    quint32 count = 0;
    if (!take(&obfuscated, sizeof obfuscated) || !take(&count, sizeof count) || count > 65535)
        return false;
    for (quint32 i = 0; i < count; ++i) {
        QString n;
        if (!text(n))
            return false;
        head.sheetNames << n;
    }
    head.opened = true;
    head.obfuscated = obfuscated != 0;
    return true;
}

bool Answer::sheetSize(unsigned& rows, unsigned& columns)
{
    qint32 rc = -1;
    quint32 r = 0;
    quint32 c = 0;
    if (!take(&rc, sizeof rc) || rc != 0 || !take(&r, sizeof r) || !take(&c, sizeof c))
        return false;
    rows = r;
    columns = c;
    return true;
}

bool Answer::cell(Cell& cell)
{
    quint8 type = 0;
    if (!take(&type, sizeof type))
        return false;
    switch (type) {
    case FREEXL_CELL_INT: {
        qint32 v = 0;
        if (!take(&v, sizeof v))
            return false;
        cell = Cell::ofNumber(v);
        return true;
    }
    case FREEXL_CELL_DOUBLE: {
        double v = 0;
        if (!take(&v, sizeof v))
            return false;
        cell = Cell::ofNumber(v);
        return true;
    }
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        QString s;
        if (!text(s))
            return false;
        if (type == FREEXL_CELL_TEXT || type == FREEXL_CELL_SST_TEXT) {
            cell = Cell::ofText(s);
        } else if (type == FREEXL_CELL_TIME) {
            // FreeXL gives dates and times as text; the day count is what the sheet holds.
            const QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
            cell = Cell::ofDate(t.isValid() ? t.msecsSinceStartOfDay() / 86400000.0 : 0.0);
        } else if (auto dt = dates::parseStored(s)) {
            cell = Cell::ofDate(dates::toSerial(*dt));
        } else {
            cell = Cell::ofText(s);
        }
        return true;
    }
    default:
        cell = {};
        return true;
    }
}

} // namespace orvida::import::freexl
