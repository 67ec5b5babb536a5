#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace orvida::import {

struct ImportProgress;

// One cell of a sheet as the workbook stores it. Dates keep their day count from 30 December
// 1899 in `number` (the workbook's own count, 1904-based workbooks already brought to it);
// errors keep their text ("#N/A").
struct Cell
{
    enum class Type { Empty, Number, Text, Boolean, Date, Error };
    Type type = Type::Empty;
    double number = 0; // Number, Date; Boolean as 1 or 0
    QString text; // Text, Error

    static Cell ofNumber(double v) { return { Type::Number, v, {} }; }
    static Cell ofText(QString s) { return { Type::Text, 0, std::move(s) }; }
    static Cell ofBoolean(bool b) { return { Type::Boolean, b ? 1.0 : 0.0, {} }; }
    static Cell ofDate(double serial) { return { Type::Date, serial, {} }; }
    static Cell ofError(QString s) { return { Type::Error, 0, std::move(s) }; }

    bool operator==(const Cell&) const = default;
};

// A row of cells, indexed by column from 0; trailing empty cells may be missing.
using Row = std::vector<Cell>;

// Why a workbook could not be read. The import's failing step is where the read stopped (opening
// the workbook, opening the sheet, reading a row), whatever the reason; the reason is its text.
enum class ReadError {
    NotFound, // the file does not exist or cannot be opened
    NotAFile, // a folder, a pipe, a device: nothing that is read to its end
    NotAWorkbook, // neither an Excel 97-2003 nor an .xlsx workbook
    Protected, // password-protected or encrypted
    Corrupt, // truncated or damaged
    TooLarge, // larger than the format allows (.xls), or a part would inflate beyond the limit (.xlsx)
    NoSuchSheet,
};

struct ReadFailure
{
    ReadError error = ReadError::Corrupt;
    QString description; // Romanian, for the user
};

// Limits on what an .xlsx may inflate to, so a small zip cannot exhaust memory or disk time.
struct Limits
{
    qint64 sheetBytes = qint64(1) << 30; // streamed: bounds the time, not the memory
    qint64 sharedStringsBytes = qint64(256) << 20; // held in memory while the sheet is read
    qint64 smallPartBytes = qint64(16) << 20; // workbook.xml, its relationships, styles
    // The shared strings may inflate to at most this many times their compressed size (plus a
    // chunk), so their memory stays in proportion to the file.
    qint64 sharedStringsRatio = 100;
    ImportProgress* progress = nullptr; // the import's rows and stop request, when a window follows it
};

// A sheet being read row by row: the first row (the header) and then the data rows. Rows are
// returned in sheet order; a row missing from the file (a gap) is returned as an empty row so
// row numbers stay meaningful.
class SheetReader
{
public:
    virtual ~SheetReader() = default;
    // Fills `row` with the next row; false at the end of the sheet. A damaged file fails.
    virtual Result<bool> nextRow(Row& row) = 0;
    // The rows the sheet holds, counted from its first, where the format tells them (known once
    // the first row is read). Only a guide for showing progress: the rows read may differ.
    virtual std::optional<qint64> expectedRows() const { return std::nullopt; }
    // From another thread: a row being waited for from another process fails soon instead. The
    // sheet is not read again.
    virtual void interrupt() { }
};

// A workbook opened for reading one of its sheets.
class Workbook
{
public:
    virtual ~Workbook() = default;
    virtual QStringList sheetNames() const = 0;
    // Opens the sheet with this name (compared as Excel does, without regard to case). The
    // reader reads from the workbook: it must not outlive it.
    virtual std::unique_ptr<SheetReader> openSheet(const QString& name, ReadFailure& failure) = 0;
};

enum class Format { Unknown, Xls, Xlsx, EncryptedOffice };

// The format told by the file's first bytes and, for a compound file, by its streams.
Format detectFormat(const QByteArray& head);

// Opens a workbook by its content, whatever its extension. `meanwhile`, when given, is called once
// the file has passed the checks made here and is being read elsewhere (FreeXL's process opening an
// .xls), so that the caller's own work runs beside that wait; it is called at most once, and not
// for a file refused before.
std::unique_ptr<Workbook> openWorkbook(const QString& path,
                                       ReadFailure& failure,
                                       const Limits& limits = {},
                                       const std::function<void()>& meanwhile = {});

// The two readers, for the tests and the fuzz targets.
std::unique_ptr<Workbook>
openXls(const QString& path, ReadFailure& failure, const std::function<void()>& meanwhile = {});
std::unique_ptr<Workbook> openXlsx(std::unique_ptr<QIODevice> device, ReadFailure& failure, const Limits& limits = {});

} // namespace orvida::import
