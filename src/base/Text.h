#pragma once

#include <QByteArray>
#include <QString>

namespace orvida::text {

// Single-byte files are Windows-1250. ș ț Ș Ț (comma below) become ş ţ Ş Ţ; any other character
// the code page lacks becomes "?".
QByteArray toCp1250(const QString& s);
void appendCp1250(QByteArray& out, QStringView s);
QString fromCp1250(const QByteArray& bytes);

// Appends the text as UTF-8, encoded in place (the writers of many short texts); a lone half of a
// surrogate pair is written as Qt writes it.
void appendUtf8(QByteArray& out, QStringView s);

// Rounds to `decimals` places, an exact half going to the even neighbour. Whether a value is an
// exact half is judged on its shortest round-trip decimal form, so 1250.455 gives 1250.46 and
// 100.125 gives 100.12. A negative count of decimals counts as 0.
double roundHalfEven(double value, int decimals = 0);

// Digits grouped by "." (1.234.567), the Romanian way, whatever the machine's locale.
QString groupDigits(qint64 value);

} // namespace orvida::text
