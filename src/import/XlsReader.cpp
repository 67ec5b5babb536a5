// The Excel 97-2003 reader, over FreeXL. FreeXL trusts the lengths and offsets written in the
// file: fuzzing found damaged workbooks on which it reads and writes past its buffers and frees
// memory twice. So it never sees the user's file (it reads a clean compound file rebuilt from the
// checked workbook stream), and on Unix it runs in a child process that hands back the cells: a
// file that still trips it costs that process, not the program.
#include "import/Workbook.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "import/XlsCells.h"

#include <QFile>
#include <QTemporaryFile>

#include <freexl.h>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orvida::import {

namespace {

const QString CorruptText = QStringLiteral("Fisierul .xls este deteriorat sau incomplet.");

// What FreeXL read, as bytes: the child's answer, or the same produced in process.
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

class Reader
{
public:
    explicit Reader(const QByteArray& in, qsizetype at = 0)
        : m_in(in)
        , m_at(at)
    { }
    qsizetype position() const { return m_at; }
    bool u8(quint8& v) { return take(&v, sizeof v); }
    bool u32(quint32& v) { return take(&v, sizeof v); }
    bool i32(qint32& v) { return take(&v, sizeof v); }
    bool f64(double& v) { return take(&v, sizeof v); }
    bool text(QString& s)
    {
        quint32 n = 0;
        if (!u32(n) || qsizetype(n) > m_in.size() - m_at)
            return false;
        s = QString::fromUtf8(m_in.constData() + m_at, qsizetype(n));
        m_at += n;
        return true;
    }

private:
    bool take(void* v, size_t n)
    {
        if (qsizetype(n) > m_in.size() - m_at)
            return false;
        std::memcpy(v, m_in.constData() + m_at, n);
        m_at += qsizetype(n);
        return true;
    }
    const QByteArray& m_in;
    qsizetype m_at = 0;
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

// Runs readWithFreeXL in a child process where there is one; nullopt when the child died.
std::optional<QByteArray> readConfined(const QByteArray& path, int sheet)
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
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
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

class XlsSheet : public SheetReader
{
public:
    XlsSheet(QByteArray cells, qsizetype at, unsigned rows, unsigned columns, CellOverlay overlay)
        : m_cells(std::move(cells))
        , m_reader(m_cells, at)
        , m_rows(rows)
        , m_columns(columns)
        , m_overlay(std::move(overlay))
    { }

    Result<bool> nextRow(Row& row) override
    {
        if (m_next >= m_rows)
            return false;
        row.clear();
        for (unsigned c = 0; c < m_columns; ++c) {
            Cell cell;
            if (!readCell(cell))
                return Failure { err::PathFileAccess, CorruptText };
            if (auto typed = m_overlay.find({ m_next, c }); typed != m_overlay.end())
                cell = typed->second;
            if (cell.type != Cell::Type::Empty) {
                row.resize(size_t(c) + 1);
                row[c] = std::move(cell);
            }
        }
        ++m_next;
        return true;
    }

private:
    bool readCell(Cell& cell)
    {
        quint8 type = 0;
        if (!m_reader.u8(type))
            return false;
        switch (type) {
        case FREEXL_CELL_INT: {
            qint32 v = 0;
            if (!m_reader.i32(v))
                return false;
            cell = Cell::ofNumber(v);
            return true;
        }
        case FREEXL_CELL_DOUBLE: {
            double v = 0;
            if (!m_reader.f64(v))
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
            if (!m_reader.text(s))
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

    QByteArray m_cells;
    Reader m_reader;
    unsigned m_rows;
    unsigned m_columns;
    CellOverlay m_overlay;
    unsigned m_next = 0;
};

class XlsWorkbook : public Workbook
{
public:
    bool open(const QString& path, ReadFailure& failure)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            failure = { ReadError::NotFound, QStringLiteral("Fisierul nu poate fi deschis.") };
            return false;
        }
        auto stream = xlsWorkbookStream(file.readAll());
        if (!stream || !plausibleXls(*stream)) {
            failure = { ReadError::Corrupt, CorruptText };
            return false;
        }
        m_stream = std::move(*stream);
        const QByteArray clean = cleanCompoundFile(m_stream);
        if (clean.isEmpty() || !m_copy.open() || m_copy.write(clean) != clean.size() || !m_copy.flush()) {
            failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls nu poate fi pregatit pentru citire.") };
            return false;
        }
        auto answer = readConfined(QFile::encodeName(m_copy.fileName()), -1);
        if (!answer || !readHead(*answer, failure)) {
            if (failure.description.isEmpty())
                failure = { ReadError::Corrupt, CorruptText };
            return false;
        }
        return true;
    }

    QStringList sheetNames() const override { return m_names; }

    std::unique_ptr<SheetReader> openSheet(const QString& name, ReadFailure& failure) override
    {
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            if (m_names.at(i).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            auto answer = readConfined(QFile::encodeName(m_copy.fileName()), int(i));
            auto overlay = scanXlsSheetCells(m_stream, m_names.at(i));
            qint32 rc = -1;
            quint32 rows = 0;
            quint32 columns = 0;
            qsizetype at = 0;
            if (answer && overlay && readHead(*answer, failure, &at)) {
                Reader r(*answer, at);
                if (r.i32(rc) && rc == 0 && r.u32(rows) && r.u32(columns) && rows <= 65536 && columns <= 256)
                    return std::make_unique<XlsSheet>(std::move(*answer), r.position(), rows, columns,
                                                      std::move(*overlay));
            }
            failure = { ReadError::Corrupt, CorruptText };
            return nullptr;
        }
        failure = { ReadError::NoSuchSheet, QStringLiteral("Registrul nu are foaia \"%1\".").arg(name) };
        return nullptr;
    }

private:
    // The answer's opening part: result code, password flag, sheet names. `end` gets its length.
    bool readHead(const QByteArray& answer, ReadFailure& failure, qsizetype* end = nullptr)
    {
        Reader r(answer);
        qint32 rc = 0;
        quint32 obfuscated = 0;
        quint32 count = 0;
        if (!r.i32(rc))
            return false;
        if (rc != FREEXL_OK)
            return false;
        if (!r.u32(obfuscated) || !r.u32(count) || count > 65535)
            return false;
        if (obfuscated) {
            failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
            return false;
        }
        QStringList names;
        for (quint32 i = 0; i < count; ++i) {
            QString n;
            if (!r.text(n))
                return false;
            names << n;
        }
        m_names = names;
        if (end)
            *end = r.position();
        return true;
    }

    QStringList m_names;
    QByteArray m_stream; // the BIFF records, for the cells FreeXL does not type
    QTemporaryFile m_copy; // what FreeXL reads
};

} // namespace

std::unique_ptr<Workbook> openXls(const QString& path, ReadFailure& failure)
{
    auto book = std::make_unique<XlsWorkbook>();
    if (!book->open(path, failure))
        return nullptr;
    return book;
}

} // namespace orvida::import
