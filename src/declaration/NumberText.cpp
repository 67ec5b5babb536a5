#include "declaration/NumberText.h"

#include "base/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvida::declaration {

void NumberChars::setDouble(double value)
{
    if (value == 0 || std::isnan(value)) {
        m_buf[0] = ' ';
        m_buf[1] = '0';
        m_begin = 0;
        m_end = 2;
        return;
    }
    // The shortest digits of |value| that read back as the same double, never in exponent form,
    // after one place for the sign.
    char* digits = m_buf + 1;
    const char* end = std::to_chars(digits, m_buf + sizeof m_buf, std::fabs(value), std::chars_format::fixed).ptr;
    if (digits[0] == '0' && digits[1] == '.')
        ++digits;
    digits[-1] = value < 0 ? '-' : ' ';
    m_begin = int(digits - 1 - m_buf);
    m_end = int(end - m_buf);
}

NumberChars NumberChars::number(double value)
{
    NumberChars n;
    n.setDouble(value);
    return n;
}

NumberChars NumberChars::number(qint64 value)
{
    NumberChars n;
    n.m_buf[0] = ' ';
    const char* end = std::to_chars(n.m_buf + 1, n.m_buf + sizeof n.m_buf, value).ptr;
    n.m_begin = value < 0 ? 1 : 0;
    n.m_end = int(end - n.m_buf);
    return n;
}

NumberChars NumberChars::amount(double value)
{
    // Most amounts already have at most two decimals; rounding would give them back unchanged.
    NumberChars n;
    n.setDouble(value);
    const char* end = n.m_buf + n.m_end;
    const char* dot = std::find(n.data(), end, '.');
    if (dot == end || end - dot - 1 <= 2)
        return n;
    n.setDouble(text::roundHalfEven(value, 2));
    return n;
}

NumberChars NumberChars::rounded(double value, int decimals)
{
    return number(text::roundHalfEven(value, decimals));
}

QString numberText(double value)
{
    return NumberChars::number(value).latin1();
}

QString numberText(qint64 value)
{
    return NumberChars::number(value).latin1();
}

QString amountText(double value)
{
    return NumberChars::amount(value).latin1();
}

} // namespace orvida::declaration
