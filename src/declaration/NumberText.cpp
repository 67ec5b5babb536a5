#include "declaration/NumberText.h"

#include "app/Text.h"

#include <charconv>
#include <cmath>

namespace orvida::declaration {

QString numberText(double value)
{
    if (value == 0 || std::isnan(value))
        return QStringLiteral(" 0");
    // The shortest digits that read back as the same double, never in exponent form.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    QString digits = QString::fromLatin1(buf, res.ptr - buf);
    if (digits.startsWith(QLatin1String("0.")))
        digits.remove(0, 1);
    return (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + digits;
}

QString numberText(qint64 value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString amountText(double value)
{
    return numberText(text::roundHalfEven(value, 2));
}

} // namespace orvida::declaration
