#include "import/ImportRun.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "base/Text.h"
#include "import/Amounts.h"
#include "import/ImportProgress.h"
#include "import/Prefetcher.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace orvida::import {

namespace {

constexpr qsizetype NameLength = 35;

// Step labels of the run, per journal where they differ.
struct Labels
{
    int emptyJournal;
    int skipEmptyCode;
    int code;
    int name;
    int total;
    int base;
    int vat;
    int ordinaryInsert;
    int reverseInsert;
};
constexpr Labels PurchaseLabels { 60, 200, 210, 220, 230, 240, 250, 270, 290 };
constexpr Labels SalesLabels { 80, 330, 340, 350, 360, 370, 380, 400, 420 };
constexpr int OpenWorkbook = 140;
constexpr int OpenSheet = 160;
constexpr int FirstRow = 170;
constexpr int NextRow = 460;
constexpr int CloseSheet = 480;

enum Column { Nume, CodFiscal, Total, Baza, Tva, ColumnCount };
const std::array<QString, ColumnCount> ColumnNames
    = { QStringLiteral("NUME"), QStringLiteral("CODFISCAL"), QStringLiteral("TOTAL"), QStringLiteral("BAZA"),
        QStringLiteral("TVA") };

struct Stop
{
    int label;
    Failure failure;
};

// A value that is not what its column needs is named with its row, as the sheet numbers it.
Stop namedAtRow(Stop stop, qint64 rowNumber)
{
    if (stop.failure.number == err::TypeMismatch || stop.failure.number == err::InvalidUseOfNull)
        stop.failure.description = QStringLiteral("Randul %1: %2").arg(rowNumber).arg(stop.failure.description);
    return stop;
}

QString numberText(double v)
{
    // A code typed as a number is its digits: 12345678, never 12345678.0 or 1.2345678E+7.
    if (v == std::trunc(v) && std::abs(v) < 9e15)
        return QString::number(qint64(v));
    return QString::number(v, 'f', QLocale::FloatingPointShortest);
}

// The UTF-16 units of the first `n` characters; a character outside the basic plane is never split.
qsizetype leftUnits(QStringView s, qsizetype n)
{
    if (s.size() <= n) // no more units, so no more characters
        return s.size();
    qsizetype units = 0;
    for (qsizetype chars = 0; units < s.size() && chars < n; ++chars)
        units += (s.at(units).isHighSurrogate() && units + 1 < s.size() && s.at(units + 1).isLowSurrogate()) ? 2 : 1;
    return units;
}

const Cell& cellAt(const Row& row, int column)
{
    static const Cell empty;
    return column >= 0 && size_t(column) < row.size() ? row[size_t(column)] : empty;
}

Failure missingColumn(const QString& name)
{
    return { err::ItemNotFound, QStringLiteral("Foaia nu are coloana %1.").arg(name) };
}

// A cell read as text, the way the sheet shows it.
std::optional<QString> cellText(const Cell& c)
{
    switch (c.type) {
    case Cell::Type::Text:
        return c.text;
    case Cell::Type::Number:
        return numberText(c.number);
    case Cell::Type::Date:
        return dates::shortDate(dates::fromSerial(c.number).date());
    case Cell::Type::Boolean:
        return c.number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Cell::Type::Empty:
    case Cell::Type::Error:
        break;
    }
    return std::nullopt;
}

// The cell's text as cellText() gives it, in UTF-8 at the end of `out`, cut to its first
// `characters`; false for a cell without text.
bool appendCellText(QByteArray& out, const Cell& c, qsizetype characters)
{
    if (c.type == Cell::Type::Text) {
        text::appendUtf8(out, QStringView(c.text).first(leftUnits(c.text, characters)));
        return true;
    }
    // A whole number is at most 16 digits and a sign: shorter than any cut.
    if (c.type == Cell::Type::Number && c.number == std::trunc(c.number) && std::abs(c.number) < 9e15) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, qint64(c.number)).ptr;
        out.append(digits, end - digits);
        return true;
    }
    const auto text = cellText(c);
    if (!text)
        return false;
    text::appendUtf8(out, QStringView(*text).first(leftUnits(*text, characters)));
    return true;
}

// One data row as the journal stores it: the name's UTF-8 bytes in the batch, the code's right
// after them, and the three whole amounts. A row without a code is passed over.
struct ReadyRow
{
    qsizetype name;
    qsizetype nameSize;
    qsizetype codeSize;
    std::array<double, 3> amounts;
    bool skipped;
};

// What the reading thread hands to the one that stores the rows: first the header alone, then
// data rows in order, the last batch ending at the sheet's end or at what stopped the import.
struct RowBatch
{
    std::vector<ReadyRow> rows;
    QByteArray bytes;
    qint64 headerRow = 0; // the header batch: the sheet's row of the header (or of the sheet's end)
    std::optional<qint64> expectedRows; // the header batch: the rows the sheet holds, when told
    std::optional<Stop> stop; // after the rows
    bool end = false; // the sheet ended after the rows
};

// A batch holds at most this many rows, ending sooner once its texts reach this many bytes, and at
// most this many batches wait: a few megabytes at most, whatever the sheet's length.
constexpr size_t BatchRows = 2048;
constexpr size_t FirstBatchRows = 1;
constexpr qsizetype BatchBytes = 256 * 1024;
constexpr int BatchDepth = 16;
// Consecutive rows are inserted this many by one statement: one step each, not one a row.
constexpr size_t RowsPerInsert = 32;

// Reads the sheet and makes each data row what the journal stores, on a thread of its own, so the
// thread that stores them only binds and inserts. Every step of the run that comes from the sheet
// is decided here, with the same label and text as when it was one loop.
class RowReader
{
public:
    RowReader(std::unique_ptr<Workbook> book, std::unique_ptr<SheetReader> sheet, const Labels& labels)
        : m_book(std::move(book))
        , m_sheet(std::move(sheet))
        , m_labels(labels)
    { }

    bool fill(RowBatch& batch);
    // From the storing thread, when the run ends before the sheet: a read waiting on FreeXL's
    // process ends, so the reading thread does too.
    void interrupt();

private:
    bool read(RowBatch& batch);
    bool readHeader(RowBatch& batch);
    std::optional<Stop> makeRow(const Row& row, RowBatch& batch) const;
    Result<double> amount(const Row& row, Column column) const;

    // Closed by this thread once read to the end (the child collected, the copy given back),
    // beside the last rows being stored. The sheet goes first: it reads from the workbook.
    std::unique_ptr<Workbook> m_book;
    std::unique_ptr<SheetReader> m_sheet;
    std::mutex m_closing; // the sheet is not interrupted as it closes
    const Labels m_labels;
    std::array<int, ColumnCount> m_columns {};
    Row m_row;
    qint64 m_rowNumber = 0; // of the sheet, from 1
    bool m_headerRead = false;
    bool m_first = true; // no data row read yet
    int m_batches = 0;
};

bool RowReader::readHeader(RowBatch& batch)
{
    // The header is the first row that holds anything; the sheet's used range starts there.
    bool found = false;
    for (;;) {
        ++m_rowNumber;
        auto more = m_sheet->nextRow(m_row);
        if (!more) {
            batch.stop = Stop { FirstRow, more.failure() };
            return false;
        }
        if (!*more)
            break;
        if (std::any_of(m_row.begin(), m_row.end(), [](const Cell& c) { return c.type != Cell::Type::Empty; })) {
            found = true;
            break;
        }
    }
    m_columns.fill(-1);
    for (size_t c = 0; found && c < m_row.size(); ++c) {
        const auto name = cellText(m_row[c]);
        if (!name)
            continue;
        for (int k = 0; k < ColumnCount; ++k)
            if (m_columns[size_t(k)] < 0 && name->trimmed().compare(ColumnNames[size_t(k)], Qt::CaseInsensitive) == 0)
                m_columns[size_t(k)] = int(c);
    }
    batch.headerRow = m_rowNumber;
    batch.expectedRows = m_sheet->expectedRows();
    return true;
}

bool RowReader::fill(RowBatch& batch)
{
    const bool more = read(batch);
    if (!more) {
        std::lock_guard lock(m_closing);
        m_sheet.reset();
        m_book.reset();
    }
    return more;
}

void RowReader::interrupt()
{
    std::lock_guard lock(m_closing);
    if (m_sheet)
        m_sheet->interrupt();
}

bool RowReader::read(RowBatch& batch)
{
    if (!std::exchange(m_headerRead, true))
        return readHeader(batch);
    // The first batches are short, so that storing starts soon after the header.
    const size_t rows = std::min(BatchRows, FirstBatchRows << std::min(m_batches++, 11));
    batch.rows.reserve(rows);
    while (batch.rows.size() < rows && batch.bytes.size() < BatchBytes) {
        ++m_rowNumber;
        auto more = m_sheet->nextRow(m_row);
        if (!more) {
            batch.stop = Stop { m_first ? FirstRow : NextRow, more.failure() };
            return false;
        }
        if (!*more) {
            if (m_first)
                batch.stop
                    = Stop { FirstRow,
                             { err::NoCurrentRecord, QStringLiteral("Foaia Sheet1 nu are niciun rand de date.") } };
            else
                batch.end = true;
            return false;
        }
        m_first = false;
        if (auto stop = makeRow(m_row, batch)) {
            batch.stop = namedAtRow(std::move(*stop), m_rowNumber);
            return false;
        }
    }
    return true;
}

Result<double> RowReader::amount(const Row& row, Column column) const
{
    if (m_columns[column] < 0)
        return missingColumn(ColumnNames[column]);
    const Cell& c = cellAt(row, m_columns[column]);
    switch (c.type) {
    case Cell::Type::Number:
        return c.number;
    case Cell::Type::Date:
        // A day number would pass for an amount; it is far likelier a cell Excel turned into a
        // date as it was typed ("1.12"), so it stops the import instead of becoming a figure.
        return Failure { err::TypeMismatch,
                         QStringLiteral("Coloana %1 contine o data calendaristica.").arg(ColumnNames[column]) };
    case Cell::Type::Text:
        if (auto v = parseAmount(c.text))
            return *v;
        return Failure {
            err::TypeMismatch,
            QStringLiteral("Valoarea \"%1\" din coloana %2 nu este un numar.").arg(c.text, ColumnNames[column])
        };
    case Cell::Type::Error:
        return Failure { err::TypeMismatch,
                         QStringLiteral("Coloana %1 contine eroarea %2.").arg(ColumnNames[column], c.text) };
    case Cell::Type::Boolean:
        return Failure { err::TypeMismatch,
                         QStringLiteral("Coloana %1 contine o valoare logica.").arg(ColumnNames[column]) };
    case Cell::Type::Empty:
        break;
    }
    return Failure { err::InvalidUseOfNull, QStringLiteral("Coloana %1 este goala.").arg(ColumnNames[column]) };
}

std::optional<Stop> RowReader::makeRow(const Row& row, RowBatch& batch) const
{
    if (m_columns[CodFiscal] < 0)
        return Stop { m_labels.skipEmptyCode, missingColumn(ColumnNames[CodFiscal]) };
    const Cell& codeCell = cellAt(row, m_columns[CodFiscal]);
    if (codeCell.type == Cell::Type::Empty || (codeCell.type == Cell::Type::Text && codeCell.text.isEmpty())) {
        batch.rows.push_back({ 0, 0, 0, {}, true });
        return std::nullopt;
    }
    // An error in the code cell (#REF!, #N/A) is a broken document line, not a blank one:
    // skipping it would drop the document without a word.
    if (codeCell.type == Cell::Type::Error)
        return Stop { m_labels.code,
                      { err::TypeMismatch,
                        QStringLiteral("Coloana CODFISCAL contine eroarea %1.").arg(codeCell.text) } };

    if (m_columns[Nume] < 0)
        return Stop { m_labels.name, missingColumn(ColumnNames[Nume]) };
    const Cell& nameCell = cellAt(row, m_columns[Nume]);
    if (nameCell.type == Cell::Type::Empty || nameCell.type == Cell::Type::Error)
        return Stop { m_labels.name,
                      nameCell.type == Cell::Type::Error
                          ? Failure { err::TypeMismatch,
                                      QStringLiteral("Coloana NUME contine eroarea %1.").arg(nameCell.text) }
                          : Failure { err::InvalidUseOfNull, QStringLiteral("Coloana NUME este goala.") } };

    const std::array<std::pair<Column, int>, 3> amounts
        = { { { Total, m_labels.total }, { Baza, m_labels.base }, { Tva, m_labels.vat } } };
    ReadyRow ready { batch.bytes.size(), 0, 0, {}, false };
    for (size_t i = 0; i < amounts.size(); ++i) {
        auto v = amount(row, amounts[i].first);
        if (!v)
            return Stop { amounts[i].second, v.failure() };
        ready.amounts[i] = wholeAmount(*v);
    }
    appendCellText(batch.bytes, nameCell, NameLength);
    ready.nameSize = batch.bytes.size() - ready.name;
    appendCellText(batch.bytes, codeCell, std::numeric_limits<qsizetype>::max());
    ready.codeSize = batch.bytes.size() - ready.name - ready.nameSize;
    batch.rows.push_back(ready);
    return std::nullopt;
}

class Run
{
public:
    Run(const ImportInputs& in, const ProgramFolder& folder, const Limits& limits)
        : m_in(in)
        , m_folder(folder)
        , m_limits(limits)
        , m_purchases(in.journal == Journal::Purchases)
        , m_labels(m_purchases ? PurchaseLabels : SalesLabels)
    { }

    std::optional<Stop> run(qint64& written);

private:
    std::optional<Stop> openJournal(int label);
    Result<store::Statement> prepareInsert(qsizetype rows);
    std::optional<Stop> storeRows(const QByteArray& bytes, const ReadyRow* rows, qsizetype count);
    std::optional<Stop> storeBatches(Prefetcher<RowBatch>& batches);

    const ImportInputs& m_in;
    const ProgramFolder& m_folder;
    const Limits& m_limits;
    bool m_purchases;
    Labels m_labels;
    qint64 m_written = 0;
    // Declared in this order so that the statement goes first, then the transaction rolls back
    // unless committed, then the connection closes.
    std::optional<store::Connection> m_db;
    std::optional<store::Transaction> m_transaction;
    std::optional<store::Statement> m_insert; // one row
    std::optional<store::Statement> m_insertMany; // RowsPerInsert rows
};

// The database is opened where the journal is first needed: to empty it, once the workbook is
// being read, or else at the first row written. A workbook that cannot be opened reports its own
// step whatever state the database is in.
std::optional<Stop> Run::openJournal(int label)
{
    auto db = store::openDatabase(m_folder);
    if (!db)
        return Stop { label, db.failure() };
    m_db.emplace(std::move(*db));
    m_transaction.emplace(*m_db);
    if (!m_transaction->begun())
        return Stop { label, m_transaction->begun().failure() };
    return std::nullopt;
}

Result<store::Statement> Run::prepareInsert(qsizetype rows)
{
    QString columns;
    if (!m_in.reverseCharge)
        columns = QStringLiteral("NUME,CODF,TOTAL,COL6,COL7");
    else if (m_purchases)
        columns = QStringLiteral("NUME,CODF,TOTAL,COL16,COL17");
    else
        columns = QStringLiteral("NUME,CODF,TOTAL,COL10");
    const QString row
        = columns.count(QLatin1Char(',')) == 4 ? QStringLiteral("(?,?,?,?,?)") : QStringLiteral("(?,?,?,?)");
    QStringList values;
    values.fill(row, rows);
    return m_db->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                             .arg(store::journalTable(m_in.journal), columns, values.join(QLatin1Char(','))));
}

std::optional<Stop> Run::storeRows(const QByteArray& bytes, const ReadyRow* rows, qsizetype count)
{
    const int insertLabel = m_in.reverseCharge ? m_labels.reverseInsert : m_labels.ordinaryInsert;
    if (!m_db)
        if (auto stop = openJournal(insertLabel))
            return stop;
    std::optional<store::Statement>& statement = count == 1 ? m_insert : m_insertMany;
    if (!statement) {
        auto prepared = prepareInsert(count);
        if (!prepared)
            return Stop { insertLabel, prepared.failure() };
        statement.emplace(std::move(*prepared));
    }
    // Every place is bound for every row, the texts straight from the batch that holds them.
    store::Statement& insert = *statement;
    // The sales journal's reverse-charge row keeps the base alone; the VAT was read all the same.
    const int amountCount = (!m_purchases && m_in.reverseCharge) ? 2 : 3;
    const auto refused = [&insert, insertLabel](const Status& s) {
        insert.reset();
        return Stop { insertLabel, s.failure() };
    };
    for (qsizetype r = 0, place = 1; r < count; ++r) {
        const ReadyRow& row = rows[r];
        const char* name = bytes.constData() + row.name;
        if (Status s = insert.bindText(int(place++), QByteArrayView(name, row.nameSize)); !s)
            return refused(s);
        if (Status s = insert.bindText(int(place++), QByteArrayView(name + row.nameSize, row.codeSize)); !s)
            return refused(s);
        for (int i = 0; i < amountCount; ++i)
            if (Status s = insert.bindReal(int(place++), row.amounts[size_t(i)]); !s)
                return refused(s);
    }
    if (Status s = insert.run(); !s)
        return refused(s);
    m_written += count;
    return std::nullopt;
}

// Stores the rows the reading thread hands over, in order, until its last batch: the stop that
// ended them, or nothing when every row is stored.
std::optional<Stop> Run::storeBatches(Prefetcher<RowBatch>& batches)
{
    ImportProgress* progress = m_limits.progress;
    qint64 dataRows = 0;
    const auto cancelled = [&]() -> std::optional<Stop> {
        if (progress && progress->cancel)
            return Stop { dataRows == 0 ? FirstRow : NextRow,
                          { err::UserInterrupt, QStringLiteral("Importul a fost oprit de utilizator.") } };
        return std::nullopt;
    };
    // A stop asked for while the reading thread waits on the workbook is heard at once.
    const std::function<bool()> givingUp
        = progress ? std::function<bool()>([progress] { return progress->cancel.load(); }) : std::function<bool()>();
    // The reading thread ends with a batch that says why; it never stops without one.
    const Stop cutShort { NextRow, { err::PathFileAccess, QStringLiteral("Citirea foii s-a oprit neasteptat.") } };
    const auto endedEarly = [&] {
        return cancelled().value_or(cutShort);
    };
    std::optional<RowBatch> batch = batches.take(givingUp);
    if (!batch)
        return endedEarly();
    if (batch->stop)
        return batch->stop;
    qint64 rowNumber = batch->headerRow;
    if (const auto expected = batch->expectedRows; progress && expected && *expected > rowNumber)
        progress->expectedRows = *expected - rowNumber;
    for (;;) {
        batch = batches.take(givingUp);
        if (!batch)
            return endedEarly();
        const std::vector<ReadyRow>& rows = batch->rows;
        for (size_t at = 0; at < rows.size();) {
            if (auto stop = cancelled())
                return stop;
            // Rows to store go in by RowsPerInsert where they follow one another, else one by one.
            size_t count = 1;
            if (!rows[at].skipped) {
                while (count < RowsPerInsert && at + count < rows.size() && !rows[at + count].skipped)
                    ++count;
                if (count < RowsPerInsert)
                    count = 1;
                if (auto stop = storeRows(batch->bytes, &rows[at], qsizetype(count)))
                    return namedAtRow(std::move(*stop), rowNumber + 1);
            }
            // The rows stored together are told one by one; a stop asked for among them still
            // stops at its row, and the journal is rolled back all the same.
            for (size_t i = 0; i < count; ++i) {
                if (i > 0)
                    if (auto stop = cancelled())
                        return stop;
                ++rowNumber;
                ++dataRows;
                if (progress && progress->rowsRead)
                    progress->rowsRead(dataRows);
            }
            at += count;
        }
        if (batch->stop || batch->end) {
            if (auto stop = cancelled())
                return stop;
            return batch->stop;
        }
    }
}

std::optional<Stop> Run::run(qint64& written)
{
    // The journal is emptied, and the database's write lock taken, only once the workbook has
    // passed the checks made here: a file that is no workbook never holds up another writer. An
    // .xls is emptied while FreeXL opens it, the longest wait of the run; a failure of either is
    // reported in the order of the steps, the workbook's first.
    std::optional<Stop> notEmptied;
    bool emptied = false;
    const auto emptyJournal = [this, &notEmptied, &emptied] {
        emptied = true;
        notEmptied = openJournal(m_labels.emptyJournal);
        if (!notEmptied)
            if (Status s = m_db->exec(QStringLiteral("DELETE FROM ") + store::journalTable(m_in.journal)); !s)
                notEmptied = Stop { m_labels.emptyJournal, s.failure() };
    };
    ReadFailure readFailure;
    auto book = openWorkbook(m_in.path, readFailure, m_limits,
                             m_in.replaceJournal ? std::function<void()>(emptyJournal) : std::function<void()>());
    if (!book)
        return Stop { OpenWorkbook, { err::PathFileAccess, readFailure.description } };
    auto sheet = book->openSheet(QStringLiteral("Sheet1"), readFailure);
    if (!sheet) {
        // A workbook saved by a localised Excel names its first sheet "Foaie1": say what is there.
        QString found = readFailure.description;
        if (readFailure.error == ReadError::NoSuchSheet && !book->sheetNames().isEmpty())
            found += QStringLiteral(" Foile registrului: \"%1\"; foaia cu jurnalul trebuie numita \"Sheet1\".")
                         .arg(book->sheetNames().join(QStringLiteral("\", \"")));
        return Stop { OpenSheet, { err::ItemNotFound, found } };
    }

    // The sheet is read from here on, beside storing the rows. The reader holds the workbook;
    // declared before the thread, it outlives it however the run ends.
    RowReader reader(std::move(book), std::move(sheet), m_labels);
    Prefetcher<RowBatch> batches(BatchDepth);
    batches.start([&reader](RowBatch& batch) { return reader.fill(batch); });
    // Gone first: the thread is not left waiting on a read nobody takes.
    const struct Interrupt
    {
        RowReader& reader;
        ~Interrupt() { reader.interrupt(); }
    } interrupt { reader };

    if (m_in.replaceJournal) {
        if (!emptied)
            emptyJournal();
        if (notEmptied)
            return notEmptied;
    }

    if (auto stop = storeBatches(batches))
        return stop;
    if (m_transaction)
        if (Status s = m_transaction->commit(); !s)
            return Stop { CloseSheet, s.failure() };
    // A replaced journal leaves the old rows' pages free; when they are many the file gives them back.
    // The journal is already stored, so a failure here changes nothing.
    if (m_in.replaceJournal && m_db)
        (void)store::reclaimFreePages(*m_db);
    written = m_written;
    return std::nullopt;
}

} // namespace

ImportOutcome
importJournal(const ImportInputs& inputs, const ProgramFolder& folder, MessageSink& sink, const Limits& limits)
{
    ImportOutcome outcome;
    std::optional<Stop> stop;
    {
        // The journal is rolled back, and the database closed, before the outcome is shown.
        Run run(inputs, folder, limits);
        stop = run.run(outcome.rowsWritten);
    }
    if (stop) {
        outcome.label = stop->label;
        outcome.failure = stop->failure;
        if (stop->failure.number == err::UserInterrupt)
            sink.show(Message::check(
                QStringLiteral("Importul a fost oprit. Jurnalul a ramas asa cum era inainte de import.")));
        else
            sink.show(report::importStructure(stop->label));
        return outcome;
    }
    sink.show(Message::info(QStringLiteral("Importul s-a realizat cu succes")));
    return outcome;
}

} // namespace orvida::import
