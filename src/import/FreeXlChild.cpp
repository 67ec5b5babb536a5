// FreeXL in a child process, and the bytes in which the child hands back what it read.
#include "import/FreeXlChild.h"

#include "base/Dates.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTime>

#include <freexl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orvida::import::freexl {

namespace {

// How a cell crosses: a tag, then its value. Dates arrive as their day count; a text of the
// workbook's shared table crosses once with its bytes and then as its number.
enum Tag : quint8 { TagEmpty, TagInteger, TagDouble, TagDate, TagText, TagSharedText, TagSharedAgain };

// The shared texts the parent keeps, counted as their bytes plus a fixed cost each: past this a
// shared text crosses whole every time, so a sheet of many different texts costs no more.
constexpr qint64 SharedTextBudget = qint64(8) << 20;
constexpr qint64 SharedTextCost = 32;

// FreeXL's texts are at most 65,535 characters, four bytes each in UTF-8.
constexpr quint32 LongestText = quint32(1) << 18;

// Reading the largest workbook the format allows takes a small part of this.
constexpr int CpuSeconds = 120;

Fault g_fault = Fault::None;

// The child's answer, in the machine's own byte order (both ends are the same program). With a
// descriptor, the bytes go out in large pieces; false from flush() when they cannot.
class Writer
{
public:
    explicit Writer(int fd = -1)
        : m_fd(fd)
        , m_out(Piece + 64, Qt::Uninitialized)
    { }
    void u8(quint8 v) { put(&v, sizeof v); }
    void u32(quint32 v) { put(&v, sizeof v); }
    void i32(qint32 v) { put(&v, sizeof v); }
    void f64(double v) { put(&v, sizeof v); }
    void text(const char* s, size_t n)
    {
        u32(quint32(n));
        put(s, n);
    }
    void text(const char* s) { text(s ? s : "", s ? std::strlen(s) : 0); }
    bool flush()
    {
#ifdef Q_OS_UNIX
        for (qsizetype at = 0; m_fd >= 0 && at < m_used;) {
            const ssize_t n = write(m_fd, m_out.constData() + at, size_t(m_used - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += n;
        }
        if (m_fd >= 0)
            m_used = 0;
#endif
        return true;
    }
    QByteArray& bytes()
    {
        m_out.resize(m_used);
        return m_out;
    }

private:
    static constexpr qsizetype Piece = qsizetype(1) << 16;

    // The piece is written in place: most values are a few bytes, one for each cell.
    void put(const void* v, size_t n)
    {
        if (m_used + qsizetype(n) > m_out.size()) {
            m_out.resize(std::max(m_out.size() * 2, m_used + qsizetype(n)));
            m_bytes = m_out.data();
        }
        std::memcpy(m_bytes + m_used, v, n);
        m_used += qsizetype(n);
        if (m_fd >= 0 && m_used >= Piece && !flush())
            std::_Exit(2);
    }

    int m_fd;
    QByteArray m_out;
    char* m_bytes = m_out.data();
    qsizetype m_used = 0;
};

[[noreturn]] void crash()
{
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
    std::_Exit(3);
}

// The result of opening the workbook, the password flag and the sheet names.
void writeHead(const void* h, int rc, Writer& out)
{
    out.i32(rc);
    if (rc != FREEXL_OK)
        return;
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
}

// The sheet's size and every cell, row by row.
void writeSheet(const void* h, int sheet, Writer& out)
{
    unsigned rows = 0;
    unsigned short columns = 0;
    if (sheet < 0 || freexl_select_active_worksheet(h, static_cast<unsigned short>(sheet)) != FREEXL_OK
        || freexl_worksheet_dimensions(h, &rows, &columns) != FREEXL_OK) {
        out.i32(-1);
        return;
    }
    out.i32(0);
    out.u32(rows);
    out.u32(columns);
    // FreeXL points every cell of one shared text at the same bytes.
    std::unordered_map<const char*, quint32> shared;
    qint64 sharedBytes = 0;
    for (unsigned r = 0; r < rows; ++r) {
        if (r == 2 && g_fault == Fault::CrashInCells) {
            out.flush(); // the rows before reach the parent
            crash();
        }
        if (r == 2 && (g_fault == Fault::SpinInCells || g_fault == Fault::SpinLongInCells)) {
            out.flush();
            for (std::atomic<unsigned> spin = 0;; spin.fetch_add(1, std::memory_order_relaxed)) { }
        }
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK)
                v.type = FREEXL_CELL_NULL;
            switch (v.type) {
            case FREEXL_CELL_INT:
                out.u8(TagInteger);
                out.i32(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                out.u8(TagDouble);
                out.f64(v.value.double_value);
                break;
            case FREEXL_CELL_SST_TEXT: {
                const char* t = v.value.text_value ? v.value.text_value : "";
                if (auto known = shared.find(t); known != shared.end()) {
                    out.u8(TagSharedAgain);
                    out.u32(known->second);
                    break;
                }
                const size_t n = std::strlen(t);
                if (sharedBytes + qint64(n) + SharedTextCost <= SharedTextBudget) {
                    sharedBytes += qint64(n) + SharedTextCost;
                    shared.emplace(t, quint32(shared.size()));
                    out.u8(TagSharedText);
                } else {
                    out.u8(TagText);
                }
                out.text(t, n);
                break;
            }
            case FREEXL_CELL_TEXT:
                out.u8(TagText);
                out.text(v.value.text_value);
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: {
                // FreeXL gives dates and times as text; the day count is what the sheet holds.
                const QString s = QString::fromUtf8(v.value.text_value ? v.value.text_value : "");
                if (v.type == FREEXL_CELL_TIME) {
                    const QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
                    out.u8(TagDate);
                    out.f64(t.isValid() ? t.msecsSinceStartOfDay() / 86400000.0 : 0.0);
                } else if (auto dt = dates::parseStored(s)) {
                    out.u8(TagDate);
                    out.f64(dates::toSerial(*dt));
                } else {
                    out.u8(TagText);
                    out.text(v.value.text_value);
                }
                break;
            }
            default:
                out.u8(TagEmpty);
                break;
            }
        }
    }
}

#ifdef Q_OS_UNIX
// The child: opens the workbook, answers with its head, then reads the sheet to write (none when
// the parent closes its end first).
[[noreturn]] void runChild(const QByteArray& path, int fd)
{
    // A child that spins is stopped; one that crashes leaves no core file behind.
    rlimit cpu;
    cpu.rlim_cur = rlim_t(g_fault == Fault::SpinInCells ? 1 : CpuSeconds);
    cpu.rlim_max = cpu.rlim_cur + 1;
    setrlimit(RLIMIT_CPU, &cpu);
    rlimit core {};
    setrlimit(RLIMIT_CORE, &core);
    std::signal(SIGXCPU, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_UNBLOCK, &all, nullptr);

    if (g_fault == Fault::CrashOnOpen)
        crash();
    Writer out(fd);
    const void* h = nullptr;
    const int rc = freexl_open(path.constData(), &h);
    writeHead(h, rc, out);
    if (!out.flush())
        std::_Exit(2);
    qint32 sheet = -1;
    size_t got = 0;
    while (rc == FREEXL_OK && got < sizeof sheet) {
        const ssize_t n = read(fd, reinterpret_cast<char*>(&sheet) + got, sizeof sheet - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += size_t(n);
    }
    if (got == sizeof sheet)
        writeSheet(h, sheet, out);
    freexl_close(h);
    std::_Exit(out.flush() ? 0 : 2);
}
#endif

} // namespace

void injectFault(Fault fault)
{
    g_fault = fault;
}

InputFile::InputFile() = default;

InputFile::~InputFile()
{
#ifdef Q_OS_UNIX
    if (m_map)
        munmap(m_map, size_t(m_mapSize));
#endif
}

char* InputFile::map(qint64 size)
{
    if (!m_file || m_map || size <= 0)
        return nullptr;
#ifdef Q_OS_UNIX
    const int fd = m_file->handle();
    if (ftruncate(fd, off_t(size)) != 0)
        return nullptr;
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE; // one call instead of a fault for each page
#endif
    void* at = mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, flags, fd, 0);
    if (at == MAP_FAILED)
        return nullptr;
    m_map = at;
    m_mapSize = size;
    return static_cast<char*>(at);
#else
    if (!m_file->resize(size))
        return nullptr;
    m_map = m_file->map(0, size);
    m_mapSize = size;
    return static_cast<char*>(m_map);
#endif
}

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

Answer::Answer(const QByteArray& path)
    : m_buffer(qsizetype(LongestText) * 2, Qt::Uninitialized)
{
#ifdef Q_OS_UNIX
    // A socket rather than a pipe: the sheet's number is sent without a signal when the child
    // has already gone.
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return;
    }
    if (pid == 0) {
        close(fds[0]);
        runChild(path, fds[1]);
    }
    close(fds[1]);
    m_fd = fds[0];
    m_pid = pid;
#else
    Writer out;
    const int rc = freexl_open(path.constData(), &m_handle);
    writeHead(m_handle, rc, out);
    m_buffer = std::move(out.bytes());
    m_end = m_buffer.size();
    m_endedWell = true;
#endif
}

Answer::~Answer()
{
    stop();
#ifndef Q_OS_UNIX
    freexl_close(m_handle);
#endif
}

// Closes the socket and collects the child; one still working is stopped first.
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

void Answer::interrupt()
{
#ifdef Q_OS_UNIX
    // The socket stays open until stop(): only its reading ends here.
    if (m_fd >= 0)
        shutdown(m_fd, SHUT_RDWR);
#endif
}

// Makes `n` bytes ready in the buffer; false when the answer ends first.
bool Answer::fill(qsizetype n)
{
    if (m_end - m_at >= n)
        return true;
#ifdef Q_OS_UNIX
    if (m_at > 0) {
        std::memmove(m_buffer.data(), m_buffer.constData() + m_at, size_t(m_end - m_at));
        m_end -= m_at;
        m_at = 0;
    }
    while (m_fd >= 0 && !m_drained && m_end < n) {
        const ssize_t got = ::read(m_fd, m_buffer.data() + m_end, size_t(m_buffer.size() - m_end));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            m_drained = true;
            break;
        }
        m_end += got;
    }
#endif
    return m_end - m_at >= n;
}

bool Answer::finish()
{
    // Nothing may be left unread; at the socket's end the child has written everything and exits.
    if (m_fd >= 0 && !m_drained && fill(1))
        return false;
#ifdef Q_OS_UNIX
    if (m_pid > 0) {
        int status = 0;
        while (waitpid(pid_t(m_pid), &status, 0) < 0 && errno == EINTR) { }
        m_pid = -1;
        m_endedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
#endif
    return m_endedWell && m_at == m_end;
}

bool Answer::take(void* v, size_t n)
{
    if (!fill(qsizetype(n)))
        return false;
    std::memcpy(v, m_buffer.constData() + m_at, n);
    m_at += qsizetype(n);
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
        quint32 n = 0;
        if (!take(&n, sizeof n) || n > LongestText || !fill(qsizetype(n)))
            return false;
        head.sheetNames << QString::fromUtf8(m_buffer.constData() + m_at, qsizetype(n));
        m_at += n;
    }
    head.opened = true;
    head.obfuscated = obfuscated != 0;
    return true;
}

bool Answer::askSheet(int sheet)
{
    if (m_selected)
        return false;
    m_selected = true;
    const qint32 wanted = sheet;
#ifdef Q_OS_UNIX
    if (m_fd < 0)
        return false;
    int flags = 0;
#ifdef MSG_NOSIGNAL
    flags = MSG_NOSIGNAL;
#endif
    ssize_t sent = 0;
    while ((sent = send(m_fd, &wanted, sizeof wanted, flags)) < 0 && errno == EINTR) { }
    if (sent != sizeof wanted)
        return false;
    shutdown(m_fd, SHUT_WR);
#else
    Writer out;
    writeSheet(m_handle, wanted, out);
    m_buffer = m_buffer.mid(m_at, m_end - m_at) + out.bytes();
    m_at = 0;
    m_end = m_buffer.size();
#endif
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
    // The cell is set in place: a row's cells are reused from one row to the next.
    const auto set = [&cell](Cell::Type type, double number) {
        cell.type = type;
        cell.number = number;
        if (!cell.text.isNull())
            cell.text = QString();
    };
    quint8 tag = 0;
    if (!take(&tag, sizeof tag))
        return false;
    switch (tag) {
    case TagEmpty:
        set(Cell::Type::Empty, 0);
        return true;
    case TagInteger: {
        qint32 v = 0;
        if (!take(&v, sizeof v))
            return false;
        set(Cell::Type::Number, v);
        return true;
    }
    case TagDouble:
    case TagDate: {
        double v = 0;
        if (!take(&v, sizeof v))
            return false;
        set(tag == TagDate ? Cell::Type::Date : Cell::Type::Number, v);
        return true;
    }
    case TagText:
    case TagSharedText: {
        quint32 n = 0;
        if (!take(&n, sizeof n) || n > LongestText || !fill(qsizetype(n)))
            return false;
        cell.type = Cell::Type::Text;
        cell.number = 0;
        cell.text = QString::fromUtf8(m_buffer.constData() + m_at, qsizetype(n));
        m_at += n;
        if (tag == TagSharedText) {
            // The child keeps within the budget; one that does not has gone wrong.
            m_sharedBytes += qint64(n) + SharedTextCost;
            if (m_sharedBytes > SharedTextBudget)
                return false;
            m_texts.push_back(cell.text);
        }
        return true;
    }
    case TagSharedAgain: {
        quint32 i = 0;
        if (!take(&i, sizeof i) || i >= m_texts.size())
            return false;
        cell.type = Cell::Type::Text;
        cell.number = 0;
        cell.text = m_texts[i];
        return true;
    }
    default:
        return false;
    }
}

} // namespace orvida::import::freexl
