#include "import/Amounts.h"

#include "base/Text.h"

#include <QList>

#include <charconv>
#include <cmath>
#include <string>

namespace orvida::import {

namespace {

bool allDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// "1.234.567" (groups of three after the first) or plain digits; the digits without points.
std::optional<QString> integerPart(QStringView s)
{
    if (!s.contains(QLatin1Char('.')))
        return allDigits(s) ? std::optional<QString>(s.toString()) : std::nullopt;
    const auto groups = s.split(QLatin1Char('.'));
    const QStringView first = groups.first();
    if (!allDigits(first) || first.size() > 3)
        return std::nullopt;
    QString digits = first.toString();
    for (qsizetype i = 1; i < groups.size(); ++i) {
        if (groups[i].size() != 3 || !allDigits(groups[i]))
            return std::nullopt;
        digits += groups[i];
    }
    return digits;
}

} // namespace

std::optional<double> parseAmount(const QString& text)
{
    QStringView s = QStringView(text).trimmed();
    bool negative = false;
    if (!s.isEmpty() && (s.front() == QLatin1Char('-') || s.front() == QLatin1Char('+'))) {
        negative = s.front() == QLatin1Char('-');
        s = s.mid(1);
    }
    QString integer;
    QString fraction;
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        if (s.indexOf(QLatin1Char(','), comma + 1) >= 0)
            return std::nullopt;
        auto i = integerPart(s.left(comma));
        const QStringView f = s.mid(comma + 1);
        if (!i || !allDigits(f))
            return std::nullopt;
        integer = *i;
        fraction = f.toString();
    } else if (s.count(QLatin1Char('.')) == 1 && s.size() - s.indexOf(QLatin1Char('.')) - 1 != 3) {
        const qsizetype point = s.indexOf(QLatin1Char('.'));
        if (!allDigits(s.left(point)) || !allDigits(s.mid(point + 1)))
            return std::nullopt;
        integer = s.left(point).toString();
        fraction = s.mid(point + 1).toString();
    } else {
        auto i = integerPart(s);
        if (!i)
            return std::nullopt;
        integer = *i;
    }
    std::string plain = (QString(negative ? QStringLiteral("-") : QString()) + integer
                         + (fraction.isEmpty() ? QString() : QLatin1Char('.') + fraction))
                            .toStdString();
    double value = 0;
    auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Only an exact half needs the even rule
// (a double prints as "k.5" only when it is exactly k + 0.5); every other value rounds to the
// nearest whole number, which is much cheaper to compute on a long sheet.
double wholeAmount(double v)
{
    if (std::abs(v - std::trunc(v)) == 0.5)
        return text::roundHalfEven(v, 0) + 0.0;
    return std::round(v) + 0.0; // + 0.0: no negative zero
}

} // namespace orvida::import
