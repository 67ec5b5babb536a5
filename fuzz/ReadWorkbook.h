#pragma once

// What the fuzz targets do with one input, shared with the regression test that runs the starting
// corpus: open the bytes as a workbook of the given kind and read every cell of "Sheet1".
#include "import/Workbook.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <cstddef>
#include <cstdint>

namespace orvida::fuzz {

inline void readSheet(import::Workbook& book)
{
    import::ReadFailure failure;
    auto sheet = book.openSheet(QStringLiteral("Sheet1"), failure);
    if (!sheet)
        return;
    import::Row row;
    for (int guard = 0; guard < 2000000; ++guard) {
        auto more = sheet->nextRow(row);
        if (!more || !*more)
            return;
    }
}

// Small limits, so a fuzzed zip cannot spend the run inflating.
inline import::Limits fuzzLimits()
{
    import::Limits l;
    l.sheetBytes = 8 << 20;
    l.sharedStringsBytes = 4 << 20;
    l.smallPartBytes = 1 << 20;
    return l;
}

inline void readXlsx(const uint8_t* data, size_t size)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(reinterpret_cast<const char*>(data), qsizetype(size));
    import::ReadFailure failure;
    if (auto book = import::openXlsx(std::move(buffer), failure, fuzzLimits()))
        readSheet(*book);
}

// FreeXL reads files by name only.
inline void readXls(const uint8_t* data, size_t size)
{
    QTemporaryFile file;
    if (!file.open())
        return;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.flush();
    import::ReadFailure failure;
    if (auto book = import::openXls(file.fileName(), failure))
        readSheet(*book);
}

} // namespace orvida::fuzz
