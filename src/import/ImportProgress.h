#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>

namespace orvida::import {

// How a window follows an import that runs on another thread, and stops it. The run calls
// `rowsRead` with the data rows read so far after each of them, from its own thread, and looks
// at `cancel` before each row: once it is set, the run stops as at a failure, the journal is
// rolled back and the outcome's failure is err::UserInterrupt. Before the first data row it sets
// `expectedRows` to the data rows the sheet holds where the workbook tells it (-1 otherwise).
struct ImportProgress
{
    std::function<void(qint64 rowsRead)> rowsRead;
    std::atomic<bool> cancel { false };
    std::atomic<qint64> expectedRows { -1 };
};

} // namespace orvida::import
