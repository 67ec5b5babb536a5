#include "declaration/TextValues.h"

#include "base/Text.h"

namespace orvida::declaration {

namespace {

bool replacedChar(char16_t u, bool bare)
{
    return u < 0x20 || u == u'#' || (bare && u == u',');
}

QString replaced(QString value, bool bare)
{
    for (QChar& c : value)
        if (replacedChar(c.unicode(), bare))
            c = QLatin1Char(' ');
    return value;
}

void appendReplaced(QString& out, QStringView value, bool bare)
{
    const qsizetype start = out.size();
    out.append(value);
    QChar* const chars = out.data();
    for (qsizetype i = start; i < out.size(); ++i)
        if (replacedChar(chars[i].unicode(), bare))
            chars[i] = QLatin1Char(' ');
}

// Every replaced character is ASCII and Windows-1250 keeps ASCII as it is, while any other
// character becomes a byte from 0x80 on or "?": the replacement can be made on the bytes.
void appendReplaced(QByteArray& cp1250, QStringView value, bool bare)
{
    const qsizetype start = cp1250.size();
    text::appendCp1250(cp1250, value);
    char* const bytes = cp1250.data();
    for (qsizetype i = start; i < cp1250.size(); ++i)
        if (replacedChar(static_cast<unsigned char>(bytes[i]), bare))
            bytes[i] = ' ';
}

} // namespace

QString textContent(const QString& value)
{
    return replaced(value, false);
}

QString textValue(const QString& value)
{
    return QLatin1Char('#') + textContent(value) + QLatin1Char('#');
}

QString bareValue(const QString& value)
{
    return replaced(value, true);
}

void appendTextValue(QString& out, QStringView value)
{
    out.append(QLatin1Char('#'));
    appendReplaced(out, value, false);
    out.append(QLatin1Char('#'));
}

void appendBareValue(QString& out, QStringView value)
{
    appendReplaced(out, value, true);
}

void appendTextValue(QByteArray& cp1250, QStringView value)
{
    cp1250.append('#');
    appendReplaced(cp1250, value, false);
    cp1250.append('#');
}

void appendBareValue(QByteArray& cp1250, QStringView value)
{
    appendReplaced(cp1250, value, true);
}

} // namespace orvida::declaration
