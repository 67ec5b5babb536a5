// The Excel 97-2003 reader. FreeXL reads the cells, but never the user's file: it is given a clean
// compound file rebuilt from the checked workbook stream, and it runs in a child process
// (FreeXlChild.h). The cells FreeXL does not type (formula results, booleans, errors) are read
// from the BIFF records themselves (BiffCells.h).
#include "import/Workbook.h"

#include "base/ErrorReport.h"
#include "import/BiffCells.h"
#include "import/CompoundFile.h"
#include "import/FreeXlChild.h"

#include <QFile>

#include <cmath>
#include <cstring>

namespace orvida::import {

namespace {

const QString CorruptText = QStringLiteral("Fisierul .xls este deteriorat sau incomplet.");
const QString TooLargeText = QStringLiteral("Fisierul .xls este mai mare decat poate fi un registru Excel 97-2003.");

class XlsSheet : public SheetReader
{
public:
    XlsSheet(std::unique_ptr<freexl::Answer> answer, unsigned rows, unsigned columns, SheetCells overlay)
        : m_answer(std::move(answer))
        , m_rows(rows)
        , m_columns(columns)
        , m_overlay(std::move(overlay))
    { }

    Result<bool> nextRow(Row& row) override
    {
        if (m_next >= m_rows) {
            // A child that did not end well may have handed back cells it read wrongly.
            if (!m_answer->finish())
                return Failure { err::PathFileAccess, CorruptText };
            return false;
        }
        // The row's cells are filled in place, then the empty ones at its end dropped.
        row.resize(m_columns);
        size_t used = 0;
        for (unsigned c = 0; c < m_columns; ++c) {
            Cell& cell = row[c];
            if (!m_answer->cell(cell))
                return Failure { err::PathFileAccess, CorruptText };
            if (!m_overlay.typed.empty())
                if (auto typed = m_overlay.typed.find({ m_next, c }); typed != m_overlay.typed.end())
                    cell = typed->second;
            // Amounts are finite, and a text is never cut short: as an .xlsx, such a sheet is refused.
            if (cell.type == Cell::Type::Number && !std::isfinite(cell.number))
                return Failure { err::Overflow,
                                 QStringLiteral("Fisierul .xls are o valoare numerica infinita sau nedefinita "
                                                "(randul %1, coloana %2).")
                                     .arg(m_next + 1)
                                     .arg(c + 1) };
            if (!m_overlay.withNul.empty() && m_overlay.withNul.count({ m_next, c }))
                return Failure { err::PathFileAccess,
                                 QStringLiteral(
                                     "Fisierul .xls are un caracter nul intr-un text (randul %1, coloana %2).")
                                     .arg(m_next + 1)
                                     .arg(c + 1) };
            if (cell.type != Cell::Type::Empty)
                used = size_t(c) + 1;
        }
        row.resize(used);
        ++m_next;
        return true;
    }

    // FreeXL's size of the sheet, from its DIMENSIONS record brought down to the rows that hold
    // records: exactly the rows this reader returns.
    std::optional<qint64> expectedRows() const override
    {
        return m_rows > 0 ? std::optional<qint64>(m_rows) : std::nullopt;
    }

    void interrupt() override { m_answer->interrupt(); }

private:
    std::unique_ptr<freexl::Answer> m_answer;
    unsigned m_rows;
    unsigned m_columns;
    SheetCells m_overlay;
    unsigned m_next = 0;
};

class XlsWorkbook : public Workbook
{
public:
    bool open(const QString& path, ReadFailure& failure, const std::function<void()>& meanwhile)
    {
        // Unbuffered: the stream's sectors are read in runs, which a buffer would only copy again.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            failure = { ReadError::NotFound, QStringLiteral("Fisierul nu poate fi deschis.") };
            return false;
        }
        // Refused before anything is read: more than the format can hold.
        if (file.size() > MaxCompoundFileBytes) {
            failure = { ReadError::TooLarge, TooLargeText };
            return false;
        }
        CompoundFile container(file);
        auto entry = container.find(u"Workbook");
        if (!entry)
            entry = container.find(u"Book"); // BIFF5
        if (entry && entry->size > MaxCleanStreamBytes && entry->size <= file.size()) {
            failure = { ReadError::TooLarge, TooLargeText };
            return false;
        }
        if (!entry || !container.holds(*entry)) {
            failure = { ReadError::Corrupt, CorruptText };
            return false;
        }
        // The stream is read straight into the clean copy that FreeXL will read, between the
        // copy's own header and directory.
        const auto frame = cleanCompoundFrame(entry->size);
        char* copy
            = frame && m_copy.open() ? m_copy.map(frame->head.size() + entry->size + frame->tail.size()) : nullptr;
        if (!copy) {
            failure = { ReadError::Corrupt, QStringLiteral("Fisierul .xls nu poate fi pregatit pentru citire.") };
            return false;
        }
        char* stream = copy + frame->head.size();
        m_stream = QByteArray::fromRawData(stream, qsizetype(entry->size));
        if (!container.readInto(*entry, stream) || !plausibleXls(m_stream)) {
            failure = { ReadError::Corrupt, CorruptText };
            return false;
        }
        fitDimensions(stream, m_stream.size()); // the cell scan does not read them
        std::memcpy(copy, frame->head.constData(), size_t(frame->head.size()));
        std::memcpy(stream + entry->size, frame->tail.constData(), size_t(frame->tail.size()));
        // FreeXL reads the whole workbook when it opens it, so the same child later reads the sheet.
        m_child = std::make_unique<freexl::Answer>(m_copy.path());
        if (meanwhile)
            meanwhile();
        if (!readHead(*m_child, failure)) {
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
            // A second sheet needs a child of its own.
            auto cells = std::move(m_child);
            if (!cells || cells->selected()) {
                cells = std::make_unique<freexl::Answer>(m_copy.path());
                if (!readHead(*cells, failure))
                    cells.reset();
            }
            // The child selects the sheet while its records are scanned here.
            const bool asked = cells && cells->askSheet(int(i));
            auto overlay = scanXlsSheetCells(m_stream, m_names.at(i));
            unsigned rows = 0;
            unsigned columns = 0;
            if (asked && overlay && cells->sheetSize(rows, columns) && rows <= 65536 && columns <= 256)
                return std::make_unique<XlsSheet>(std::move(cells), rows, columns, std::move(*overlay));
            failure = { ReadError::Corrupt, CorruptText };
            return nullptr;
        }
        failure = { ReadError::NoSuchSheet, QStringLiteral("Registrul nu are foaia \"%1\".").arg(name) };
        return nullptr;
    }

private:
    // The answer's opening part: whether FreeXL opened the file, the password flag, the names.
    bool readHead(freexl::Answer& answer, ReadFailure& failure)
    {
        freexl::Head head;
        if (!answer.head(head) || !head.opened)
            return false;
        if (head.obfuscated) {
            failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
            return false;
        }
        m_names = head.sheetNames;
        return true;
    }

    QStringList m_names;
    std::unique_ptr<freexl::Answer> m_child; // opened the workbook, no sheet asked yet
    freexl::InputFile m_copy; // what FreeXL reads
    QByteArray m_stream; // the BIFF records in the copy, for the cells FreeXL does not type
};

} // namespace

std::unique_ptr<Workbook> openXls(const QString& path, ReadFailure& failure, const std::function<void()>& meanwhile)
{
    auto book = std::make_unique<XlsWorkbook>();
    if (!book->open(path, failure, meanwhile))
        return nullptr;
    return book;
}

} // namespace orvida::import
