#pragma once

#include "import/Workbook.h"

#include <QByteArray>

#include <map>
#include <optional>
#include <set>
#include <utility>

namespace orvida::import {

// FreeXL leaves formula cells empty and reads TRUE, FALSE and error cells as the number 1 or 0,
// and it cuts a text at its first NUL character. This scan reads those cells of one sheet straight
// from the workbook stream: the cached result of each formula (number, text, boolean or error)
// and each boolean or error cell, keyed by (row, column), and where a text holds a NUL. Fails
// (nullopt) on a damaged file.
using CellKey = std::pair<unsigned, unsigned>;
using CellOverlay = std::map<CellKey, Cell>;
struct SheetCells
{
    CellOverlay typed;
    std::set<CellKey> withNul; // text cells that hold a NUL character
};
std::optional<SheetCells> scanXlsSheetCells(const QByteArray& workbookStream, const QString& sheetName);

// True when the workbook stream is a plausible chain of BIFF records: each record inside the
// stream and no longer than BIFF8 allows, and the text records FreeXL decodes no longer than
// their record. FreeXL trusts those lengths and reads past its buffers on a damaged file, so a
// file that fails here is never handed to it.
bool plausibleXls(const QByteArray& workbookStream);

// Brings each sheet's DIMENSIONS record down to the rows and columns its records reach (never
// up). FreeXL sizes its table of cells by that record: a few bytes claiming 65,536 rows of 256
// columns would cost it hundreds of megabytes and seconds of work, all of it empty cells.
void fitDimensions(char* workbookStream, qsizetype size);

} // namespace orvida::import
