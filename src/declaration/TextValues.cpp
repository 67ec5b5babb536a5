#include "declaration/TextValues.h"

namespace orvida::declaration {

namespace {

QString replaced(QString value, bool bare)
{
    for (QChar& c : value) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == u'#' || (bare && u == u','))
            c = QLatin1Char(' ');
    }
    return value;
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

} // namespace orvida::declaration
