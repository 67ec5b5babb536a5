#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace orvida::declaration {

// Values in the text files for the authority's program (the 2012+ text file, the semester report
// and restore texts). Their records are lines, their text values are closed by "#" and their
// values are separated by ",": no value may change that structure, so a character below U+0020 is
// written as a space everywhere, a "#" inside a text value and a "," or "#" inside a bare value
// (a code) as well. The XML, the messages and the error list keep the values as they are.

// A text value's characters, without its closing "#"s.
QString textContent(const QString& value);

// A text value closed by "#" on both sides.
QString textValue(const QString& value);

// A bare value (a code).
QString bareValue(const QString& value);

// The same values appended to a text as it is built, or to its Windows-1250 bytes.
void appendTextValue(QString& out, QStringView value);
void appendBareValue(QString& out, QStringView value);
void appendTextValue(QByteArray& cp1250, QStringView value);
void appendBareValue(QByteArray& cp1250, QStringView value);

} // namespace orvida::declaration
