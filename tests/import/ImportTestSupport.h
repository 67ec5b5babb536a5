#pragma once

#include "import/Workbook.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Test failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace orvida::test {

inline QString dataFile(const QString& name)
{
    return QStringLiteral(ORVIDA_TEST_DATA "/") + name;
}

// A cell as a short text: "T:abc", "N:42.25", "B:1", "D:45351", "E:#N/A", "" for empty.
inline QString describe(const import::Cell& c)
{
    using T = import::Cell::Type;
    const auto n = [](double v) {
        return QString::number(v, 'g', 17);
    };
    switch (c.type) {
    case T::Empty:
        return {};
    case T::Number:
        return QStringLiteral("N:") + n(c.number);
    case T::Text:
        return QStringLiteral("T:") + c.text;
    case T::Boolean:
        return QStringLiteral("B:") + n(c.number);
    case T::Date:
        return QStringLiteral("D:") + n(c.number);
    case T::Error:
        return QStringLiteral("E:") + c.text;
    }
    return {};
}

inline QString describe(const import::Row& row)
{
    QStringList cells;
    for (const auto& c : row)
        cells << describe(c);
    return cells.join(QLatin1Char('|'));
}

// Every row of the sheet "Sheet1", or the reason it could not be read.
struct SheetDump
{
    QStringList rows;
    QString failure;
};

inline SheetDump dumpSheet(const QString& path, const import::Limits& limits = {})
{
    SheetDump out;
    import::ReadFailure f;
    auto book = import::openWorkbook(path, f, limits);
    if (!book) {
        out.failure = f.description;
        return out;
    }
    auto sheet = book->openSheet(QStringLiteral("Sheet1"), f);
    if (!sheet) {
        out.failure = f.description;
        return out;
    }
    import::Row row;
    for (;;) {
        auto more = sheet->nextRow(row);
        if (!more) {
            out.failure = more.failure().description;
            return out;
        }
        if (!*more)
            break;
        out.rows << describe(row);
    }
    return out;
}

} // namespace orvida::test
