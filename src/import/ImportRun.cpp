#include "import/ImportRun.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "base/Text.h"
#include "import/Amounts.h"
#include "import/ImportProgress.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <algorithm>
#include <array>
#include <cmath>

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

QString numberText(double v)
{
    // A code typed as a number is its digits: 12345678, never 12345678.0 or 1.2345678E+7.
    if (v == std::trunc(v) && std::abs(v) < 9e15)
        return QString::number(qint64(v));
    return QString::number(v, 'f', QLocale::FloatingPointShortest);
}

// The first `n` characters; a character outside the basic plane is never split.
QString leftCharacters(const QString& s, qsizetype n)
{
    if (s.size() <= n) // no more units, so no more characters
        return s;
    qsizetype units = 0;
    for (qsizetype chars = 0; units < s.size() && chars < n; ++chars)
        units += (s.at(units).isHighSurrogate() && units + 1 < s.size() && s.at(units + 1).isLowSurrogate()) ? 2 : 1;
    return s.left(units);
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
    std::optional<Stop> importRow(const Row& row);
    Result<double> amount(const Row& row, Column column) const;

    const ImportInputs& m_in;
    const ProgramFolder& m_folder;
    const Limits& m_limits;
    bool m_purchases;
    Labels m_labels;
    std::array<int, ColumnCount> m_columns {};
    qint64 m_written = 0;
    // Declared in this order so that the statement goes first, then the transaction rolls back
    // unless committed, then the connection closes.
    std::optional<store::Connection> m_db;
    std::optional<store::Transaction> m_transaction;
    std::optional<store::Statement> m_insert;
};

// The database is opened where the journal is first needed: to empty it, once the sheet is open,
// or else at the first row written. A workbook that cannot be opened therefore reports its own
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

Result<double> Run::amount(const Row& row, Column column) const
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

std::optional<Stop> Run::importRow(const Row& row)
{
    if (m_columns[CodFiscal] < 0)
        return Stop { m_labels.skipEmptyCode, missingColumn(ColumnNames[CodFiscal]) };
    const Cell& codeCell = cellAt(row, m_columns[CodFiscal]);
    if (codeCell.type == Cell::Type::Empty || (codeCell.type == Cell::Type::Text && codeCell.text.isEmpty()))
        return std::nullopt;
    // An error in the code cell (#REF!, #N/A) is a broken document line, not a blank one:
    // skipping it would drop the document without a word.
    const auto code = cellText(codeCell);
    if (!code)
        return Stop { m_labels.code,
                      { err::TypeMismatch,
                        QStringLiteral("Coloana CODFISCAL contine eroarea %1.").arg(codeCell.text) } };

    if (m_columns[Nume] < 0)
        return Stop { m_labels.name, missingColumn(ColumnNames[Nume]) };
    const Cell& nameCell = cellAt(row, m_columns[Nume]);
    const auto name = cellText(nameCell);
    if (!name)
        return Stop { m_labels.name,
                      nameCell.type == Cell::Type::Error
                          ? Failure { err::TypeMismatch,
                                      QStringLiteral("Coloana NUME contine eroarea %1.").arg(nameCell.text) }
                          : Failure { err::InvalidUseOfNull, QStringLiteral("Coloana NUME este goala.") } };

    const std::array<std::pair<Column, int>, 3> amounts
        = { { { Total, m_labels.total }, { Baza, m_labels.base }, { Tva, m_labels.vat } } };
    std::array<double, 3> values {};
    for (size_t i = 0; i < amounts.size(); ++i) {
        auto v = amount(row, amounts[i].first);
        if (!v)
            return Stop { amounts[i].second, v.failure() };
        values[i] = wholeAmount(*v);
    }

    const int insertLabel = m_in.reverseCharge ? m_labels.reverseInsert : m_labels.ordinaryInsert;
    if (!m_db)
        if (auto stop = openJournal(insertLabel))
            return stop;
    if (!m_insert) {
        QString columns;
        if (!m_in.reverseCharge)
            columns = QStringLiteral("NUME,CODF,TOTAL,COL6,COL7");
        else if (m_purchases)
            columns = QStringLiteral("NUME,CODF,TOTAL,COL16,COL17");
        else
            columns = QStringLiteral("NUME,CODF,TOTAL,COL10");
        const QString table = store::journalTable(m_in.journal);
        const QString placeholders
            = columns.count(QLatin1Char(',')) == 4 ? QStringLiteral("?,?,?,?,?") : QStringLiteral("?,?,?,?");
        auto prepared
            = m_db->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns, placeholders));
        if (!prepared)
            return Stop { insertLabel, prepared.failure() };
        m_insert.emplace(std::move(*prepared));
    }
    store::Statement& insert = *m_insert;
    Status s = insert.bind(1, leftCharacters(*name, NameLength));
    if (s)
        s = insert.bind(2, *code);
    // The sales journal's reverse-charge row keeps the base alone; the VAT was read all the same.
    const int amountCount = (!m_purchases && m_in.reverseCharge) ? 2 : 3;
    for (int i = 0; s && i < amountCount; ++i)
        s = insert.bind(3 + i, values[size_t(i)]);
    if (s)
        s = insert.run();
    if (!s) {
        insert.reset();
        return Stop { insertLabel, s.failure() };
    }
    ++m_written;
    return std::nullopt;
}

std::optional<Stop> Run::run(qint64& written)
{
    ReadFailure readFailure;
    auto book = openWorkbook(m_in.path, readFailure, m_limits);
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

    // The journal is emptied, and the database's write lock taken, only once the sheet is being
    // read: a workbook that cannot be opened never holds up another writer.
    if (m_in.replaceJournal) {
        if (auto stop = openJournal(m_labels.emptyJournal))
            return stop;
        const QString table = store::journalTable(m_in.journal);
        if (Status s = m_db->exec(QStringLiteral("DELETE FROM ") + table); !s)
            return Stop { m_labels.emptyJournal, s.failure() };
    }

    // The header is the first row that holds anything; the sheet's used range starts there.
    Row row;
    bool found = false;
    qint64 rowNumber = 0; // of the sheet, from 1
    for (;;) {
        ++rowNumber;
        auto more = sheet->nextRow(row);
        if (!more)
            return Stop { FirstRow, more.failure() };
        if (!*more)
            break;
        if (std::any_of(row.begin(), row.end(), [](const Cell& c) { return c.type != Cell::Type::Empty; })) {
            found = true;
            break;
        }
    }
    m_columns.fill(-1);
    for (size_t c = 0; found && c < row.size(); ++c) {
        const auto name = cellText(row[c]);
        if (!name)
            continue;
        for (int k = 0; k < ColumnCount; ++k)
            if (m_columns[size_t(k)] < 0 && name->trimmed().compare(ColumnNames[size_t(k)], Qt::CaseInsensitive) == 0)
                m_columns[size_t(k)] = int(c);
    }

    ImportProgress* progress = m_limits.progress;
    if (const auto expected = sheet->expectedRows(); progress && expected && *expected > rowNumber)
        progress->expectedRows = *expected - rowNumber;
    qint64 dataRows = 0;
    bool first = true;
    for (;;) {
        if (progress && progress->cancel)
            return Stop { first ? FirstRow : NextRow,
                          { err::UserInterrupt, QStringLiteral("Importul a fost oprit de utilizator.") } };
        ++rowNumber;
        auto more = sheet->nextRow(row);
        if (!more)
            return Stop { first ? FirstRow : NextRow, more.failure() };
        if (!*more) {
            if (first)
                return Stop { FirstRow,
                              { err::NoCurrentRecord, QStringLiteral("Foaia Sheet1 nu are niciun rand de date.") } };
            break;
        }
        first = false;
        if (auto stop = importRow(row)) {
            // A value that is not what its column needs is named with its row, as the sheet numbers it.
            if (stop->failure.number == err::TypeMismatch || stop->failure.number == err::InvalidUseOfNull)
                stop->failure.description
                    = QStringLiteral("Randul %1: %2").arg(rowNumber).arg(stop->failure.description);
            return stop;
        }
        ++dataRows;
        if (progress && progress->rowsRead)
            progress->rowsRead(dataRows);
    }
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
