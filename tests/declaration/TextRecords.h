#pragma once

#include "base/Text.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

namespace orvida::test {

// Reads a text file for the authority's program back as its program does: records are the lines
// ended by CR LF; a value that opens with "#" runs to the next "#", any other to the next ",".
// A record that does not parse that way is none.
inline std::optional<QStringList> recordValues(const QString& line)
{
    QStringList values;
    qsizetype i = 0;
    while (true) {
        if (i < line.size() && line[i] == QLatin1Char('#')) {
            const qsizetype close = line.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0)
                return std::nullopt;
            values << line.mid(i + 1, close - i - 1);
            i = close + 1;
            if (i < line.size() && line[i] != QLatin1Char(','))
                return std::nullopt;
        } else {
            qsizetype comma = line.indexOf(QLatin1Char(','), i);
            if (comma < 0)
                comma = line.size();
            values << line.mid(i, comma - i);
            i = comma;
        }
        if (i >= line.size())
            return values;
        ++i; // the ","
    }
}

inline QList<std::optional<QStringList>> textRecords(const QByteArray& file)
{
    QStringList lines = text::fromCp1250(file).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<std::optional<QStringList>> records;
    for (const QString& line : lines)
        records << recordValues(line);
    return records;
}

} // namespace orvida::test
