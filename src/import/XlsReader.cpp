// The Excel 97-2003 reader, over FreeXL. FreeXL reads the whole workbook when it opens it; the
// sheet's cells are then fetched one by one.
#include "import/Workbook.h"

#include "app/Dates.h"
#include "app/ErrorReport.h"
#include "import/XlsCells.h"

#include <QFile>
#include <QTemporaryFile>

#include <freexl.h>

namespace orvida::import {

namespace {

class XlsWorkbook;

class XlsSheet : public SheetReader
{
public:
    XlsSheet(const void* handle, unsigned rows, unsigned short columns, CellOverlay overlay)
        : m_handle(handle)
        , m_rows(rows)
        , m_columns(columns)
        , m_overlay(std::move(overlay))
    { }

    Result<bool> nextRow(Row& row) override
    {
        if (m_next >= m_rows)
            return false;
        row.clear();
        for (unsigned short c = 0; c < m_columns; ++c) {
            Cell cell;
            if (auto typed = m_overlay.find({ m_next, c }); typed != m_overlay.end()) {
                cell = typed->second;
            } else {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(m_handle, m_next, c, &v) != FREEXL_OK)
                    return Failure { err::PathFileAccess, QStringLiteral("Fisierul .xls este deteriorat.") };
                cell = toCell(v);
            }
            if (cell.type != Cell::Type::Empty) {
                row.resize(size_t(c) + 1);
                row[c] = std::move(cell);
            }
        }
        ++m_next;
        return true;
    }

private:
    static Cell toCell(const FreeXL_CellValue& v)
    {
        switch (v.type) {
        case FREEXL_CELL_INT:
            return Cell::ofNumber(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return Cell::ofNumber(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return Cell::ofText(QString::fromUtf8(v.value.text_value ? v.value.text_value : ""));
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME: {
            // FreeXL gives dates as text; the day count is what the sheet holds.
            const QString s = QString::fromUtf8(v.value.text_value ? v.value.text_value : "");
            if (auto dt = dates::parseStored(s))
                return Cell::ofDate(dates::toSerial(*dt));
            return Cell::ofText(s);
        }
        case FREEXL_CELL_TIME: {
            const QTime t = QTime::fromString(QString::fromUtf8(v.value.text_value ? v.value.text_value : ""),
                                              QStringLiteral("HH:mm:ss"));
            return Cell::ofDate(t.isValid() ? t.msecsSinceStartOfDay() / 86400000.0 : 0.0);
        }
        default:
            return {};
        }
    }

    const void* m_handle;
    unsigned m_rows;
    unsigned short m_columns;
    CellOverlay m_overlay;
    unsigned m_next = 0;
};

class XlsWorkbook : public Workbook
{
public:
    ~XlsWorkbook() override
    {
        if (m_handle)
            freexl_close(m_handle);
    }

    bool open(const QString& path, ReadFailure& failure)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            failure = { ReadError::NotFound, QStringLiteral("Fisierul nu poate fi deschis.") };
            return false;
        }
        auto stream = xlsWorkbookStream(file.readAll());
        if (!stream || !plausibleXls(*stream)) {
            failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls este deteriorat sau incomplet.") };
            return false;
        }
        m_stream = std::move(*stream);
        // FreeXL reads the records it was shown to be safe with, from a container of our own.
        const QByteArray clean = cleanCompoundFile(m_stream);
        if (clean.isEmpty() || !m_copy.open() || m_copy.write(clean) != clean.size() || !m_copy.flush()) {
            failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls nu poate fi pregatit pentru citire.") };
            return false;
        }
        const QByteArray native = QFile::encodeName(m_copy.fileName());
        const int rc = freexl_open(native.constData(), &m_handle);
        if (rc != FREEXL_OK) {
            if (rc == FREEXL_FILE_NOT_FOUND)
                failure = { ReadError::NotFound, QStringLiteral("Fisierul nu poate fi deschis.") };
            else
                failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls este deteriorat sau incomplet.") };
            return false;
        }
        unsigned info = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
            failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
            return false;
        }
        unsigned count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls este deteriorat sau incomplet.") };
            return false;
        }
        for (unsigned i = 0; i < count && i < 65535; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) == FREEXL_OK && name)
                m_names << QString::fromUtf8(name);
            else
                m_names << QString();
        }
        return true;
    }

    QStringList sheetNames() const override { return m_names; }

    std::unique_ptr<SheetReader> openSheet(const QString& name, ReadFailure& failure) override
    {
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            if (m_names.at(i).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            unsigned rows = 0;
            unsigned short columns = 0;
            if (freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(i)) != FREEXL_OK
                || freexl_worksheet_dimensions(m_handle, &rows, &columns) != FREEXL_OK) {
                failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls este deteriorat sau incomplet.") };
                return nullptr;
            }
            auto overlay = scanXlsSheetCells(m_stream, m_names.at(i));
            if (!overlay) {
                failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls este deteriorat sau incomplet.") };
                return nullptr;
            }
            return std::make_unique<XlsSheet>(m_handle, rows, columns, std::move(*overlay));
        }
        failure = { ReadError::NoSuchSheet, QStringLiteral("Registrul nu are foaia \"%1\".").arg(name) };
        return nullptr;
    }

private:
    const void* m_handle = nullptr;
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
