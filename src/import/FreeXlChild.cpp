// FreeXL in a child process, and the bytes in which the child hands back what it read.
#include "import/FreeXlChild.h"

#include "base/Dates.h"

#include <QDir>
#include <QTemporaryFile>

#include <freexl.h>

#include <cerrno>
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

// The child's answer, in the machine's own byte order (both ends are the same program).
class Writer
{
public:
    void u8(quint8 v) { m_out.append(char(v)); }
    void u32(quint32 v) { m_out.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void i32(qint32 v) { m_out.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void f64(double v) { m_out.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void text(const char* s)
    {
        const quint32 n = s ? quint32(std::strlen(s)) : 0;
        u32(n);
        m_out.append(s, qsizetype(n));
    }
    void reserve(qsizetype n) { m_out.reserve(n); }
    QByteArray& bytes() { return m_out; }

private:
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
            out.reserve(qsizetype(rows) * columns * 16 + 4096);
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

std::optional<QByteArray> read(const QByteArray& path, int sheet)
{
#ifdef Q_OS_UNIX
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        close(fds[0]);
        Writer out;
        readWithFreeXL(path, sheet, out);
        const QByteArray& bytes = out.bytes();
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n = write(fds[1], bytes.constData() + at, size_t(bytes.size() - at));
            if (n <= 0)
                _exit(2);
            at += n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray answer;
    answer.reserve(1 << 20);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, qsizetype(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return answer;
#else
    Writer out;
    readWithFreeXL(path, sheet, out);
    return out.bytes();
#endif
}

bool Answer::take(void* v, size_t n)
{
    if (qsizetype(n) > m_bytes.size() - m_at)
        return false;
    std::memcpy(v, m_bytes.constData() + m_at, n);
    m_at += qsizetype(n);
    return true;
}

bool Answer::text(QString& s)
{
    quint32 n = 0;
    if (!take(&n, sizeof n) || qsizetype(n) > m_bytes.size() - m_at)
        return false;
    s = QString::fromUtf8(m_bytes.constData() + m_at, qsizetype(n));
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
