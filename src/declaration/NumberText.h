#pragma once

#include <QString>

namespace orvida::declaration {

// How counts and amounts are written into declaration files: plain decimal notation with a point,
// no thousands separator, no trailing zeros, no point for whole numbers, a leading space for zero
// and positive values and "-" for negative ones, and no "0" before the point below 1 in
// magnitude (" 1250", " 1250.5", " .25", "-3.1", " 0", "-.25"). The value is written as given:
// round it first where the field asks for it.
QString numberText(double value);
QString numberText(qint64 value);

// An amount rounded to two decimals (halves to the even neighbour), then written as above.
QString amountText(double value);

// The same texts as Latin-1 characters in a buffer of their own, for the writers that build
// whole files: appended where they go, without a QString each.
class NumberChars
{
public:
    static NumberChars number(double value);
    static NumberChars number(qint64 value);
    static NumberChars amount(double value);
    // `value` rounded to `decimals` places as text::roundHalfEven does, then written as above.
    static NumberChars rounded(double value, int decimals);

    const char* data() const { return m_buf + m_begin; }
    qsizetype size() const { return m_end - m_begin; }
    QLatin1String latin1() const { return QLatin1String(data(), size()); }

private:
    NumberChars() = default;
    void setDouble(double value);

    // A double's shortest digits never take more: 17 significant digits after up to 324 zeros.
    char m_buf[400];
    int m_begin = 0;
    int m_end = 0;
};

} // namespace orvida::declaration
