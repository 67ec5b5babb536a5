#include "base/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace orvida::text {

namespace {

// Unicode of bytes 0x80 to 0xFF in Windows-1250 (0: unassigned).
constexpr std::array<char16_t, 128> High = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

} // namespace

void appendCp1250(QByteArray& out, QStringView s)
{
    const qsizetype start = out.size();
    // One byte a character at most: written in place, the unused end cut off after.
    out.resize(start + s.size());
    char* const begin = out.data() + start;
    char* at = begin;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
        if (c < 0x80) {
            *at++ = char(c);
            continue;
        }
        switch (c) {
        case u'\u0219':
            c = u'\u015F';
            break; // ș -> ş
        case u'\u021B':
            c = u'\u0163';
            break; // ț -> ţ
        case u'\u0218':
            c = u'\u015E';
            break; // Ș -> Ş
        case u'\u021A':
            c = u'\u0162';
            break; // Ț -> Ţ
        default:
            break;
        }
        char byte = '?';
        for (int b = 0; b < 128; ++b) {
            if (High[b] != 0 && High[b] == c) {
                byte = char(0x80 + b);
                break;
            }
        }
        // A surrogate pair is one character: one "?".
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        *at++ = byte;
    }
    out.resize(start + (at - begin));
}

void appendUtf8(QByteArray& out, QStringView s)
{
    const qsizetype at = out.size();
    out.resize(at + s.size() * 3); // three bytes a unit at most; a pair of units makes four
    char* p = out.data() + at;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char32_t u = s[i].unicode();
        if (u < 0x80) {
            *p++ = char(u);
        } else if (u < 0x800) {
            *p++ = char(0xC0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3F));
        } else if (!QChar::isSurrogate(u)) {
            *p++ = char(0xE0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            const char32_t c = QChar::surrogateToUcs4(char16_t(u), s[++i].unicode());
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            // A lone half of a pair: as Qt writes it everywhere else.
            out.resize(at);
            out.append(s.toUtf8());
            return;
        }
    }
    out.resize(p - out.constData());
}

QByteArray toCp1250(const QString& s)
{
    QByteArray out;
    appendCp1250(out, s);
    return out;
}

QString fromCp1250(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.append(QChar(b));
        else
            out.append(High[b - 0x80] ? QChar(High[b - 0x80]) : QChar(u'?'));
    }
    return out;
}

double roundHalfEven(double value, int decimals)
{
    if (!std::isfinite(value) || value == std::trunc(value))
        return value;
    decimals = std::max(decimals, 0);
    static constexpr std::array<double, 16> Scale
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    if (decimals < int(Scale.size())) {
        const double scale = Scale[std::size_t(decimals)];
        const double scaled = std::fabs(value) * scale;
        const double nearest = std::nearbyint(scaled);
        // A value that some text with at most `decimals` decimals reads back as has its shortest
        // form within them too: most amounts are given back here, without their digits written.
        if (nearest / scale == std::fabs(value))
            return value;
        // The shortest digits lie within half a unit in the last place of the value. Below 2^36
        // the scaled value is then off from them by less than 2^-14: unless it is that close to a
        // half, the digits round to its nearest whole number, and that divided by the scale is
        // the double the rounded digits read back as.
        if (scaled < 0x1p36 && std::fabs(scaled - std::floor(scaled) - 0.5) > 1e-3)
            return std::copysign(nearest / scale, value);
    }

    // The shortest digits that read back as the same double decide what "exact half" means. A
    // double has at most 17 significant digits, but 324 zeros can come before them; a spare
    // place is left in front for a carry.
    char buf[400];
    char* const digits = buf + 1;
    char* const end = std::to_chars(digits, buf + sizeof buf, std::fabs(value), std::chars_format::fixed).ptr;
    char* const dot = std::find(digits, end, '.');
    if (end - dot - 1 <= decimals)
        return value;
    // Kept: the digits before `cut`; the digits from `rest` on decide the rounding.
    char* const rest = dot + 1 + decimals;
    char* const cut = decimals == 0 ? dot : rest;
    bool roundUp = false;
    if (*rest > '5')
        roundUp = true;
    else if (*rest == '5')
        roundUp = std::any_of(rest + 1, end, [](char c) { return c != '0'; }) || (cut[-1] - '0') % 2 == 1;
    char* first = digits;
    if (roundUp) {
        char* i = cut - 1;
        for (; i >= digits; --i) {
            if (*i == '.')
                continue;
            if (*i != '9') {
                ++*i;
                break;
            }
            *i = '0';
        }
        if (i < digits)
            *--first = '1';
    }
    double r = 0;
    std::from_chars(first, cut, r, std::chars_format::fixed);
    return value < 0 ? -r : r;
}

QString groupDigits(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace orvida::text
