#include "declaration/NumberText.h"

#include "base/Text.h"

#include <charconv>
#include <cmath>

namespace orvida::declaration {

namespace {

// The shortest digits of |value| that read back as the same double, never in exponent form.
QString shortestDigits(double value)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    return QString::fromLatin1(buf, res.ptr - buf);
}

QString signedText(double value, QString digits)
{
    if (digits.startsWith(QLatin1String("0.")))
        digits.remove(0, 1);
    return (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + digits;
}

} // namespace

QString numberText(double value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral(" 0");
    return signedText(value, shortestDigits(value));
}

QString numberText(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString amountText(double value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral(" 0");
    // Most amounts already have at most two decimals; rounding would give them back unchanged.
    QString digits = shortestDigits(value);
    const qsizetype dot = digits.indexOf(QLatin1Char('.'));
    if (dot < 0 || digits.size() - dot - 1 <= 2)
        return signedText(value, digits);
    return numberText(text::roundHalfEven(value, 2));
}

} // namespace orvida::declaration
