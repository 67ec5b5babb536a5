#include "base/Text.h"

#include <QLocale>

#include <array>
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

QByteArray toCp1250(const QString& s)
{
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
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
        if (c < 0x80) {
            out.append(char(c));
            continue;
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
        out.append(byte);
    }
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
    if (!std::isfinite(value))
        return value;
    // The shortest digits that print back to the same double decide what "exact half" means.
    const QString shortest = QString::number(value, 'f', QLocale::FloatingPointShortest);
    const qsizetype dot = shortest.indexOf(QLatin1Char('.'));
    const qsizetype have = dot < 0 ? 0 : shortest.size() - dot - 1;
    if (have <= decimals)
        return value;
    const bool negative = shortest.startsWith(QLatin1Char('-'));
    QString digits = shortest;
    if (negative)
        digits.remove(0, 1);
    const qsizetype d = digits.indexOf(QLatin1Char('.'));
    const QString intPart = digits.left(d);
    const QString frac = digits.mid(d + 1);
    QString kept = intPart + frac.left(decimals); // the value scaled by 10^decimals, as digits
    const QString rest = frac.mid(decimals);
    bool roundUp = false;
    if (rest[0] > QLatin1Char('5')) {
        roundUp = true;
    } else if (rest[0] == QLatin1Char('5')) {
        bool beyond = false;
        for (qsizetype i = 1; i < rest.size(); ++i)
            if (rest[i] != QLatin1Char('0'))
                beyond = true;
        if (beyond)
            roundUp = true;
        else
            roundUp = (kept.back().digitValue() % 2) == 1;
    }
    if (roundUp) {
        qsizetype i = kept.size() - 1;
        while (i >= 0 && kept[i] == QLatin1Char('9')) {
            kept[i] = QLatin1Char('0');
            --i;
        }
        if (i < 0)
            kept.prepend(QLatin1Char('1'));
        else
            kept[i] = QChar(kept[i].unicode() + 1);
    }
    if (decimals > 0)
        kept.insert(kept.size() - decimals, QLatin1Char('.'));
    double r = kept.toDouble();
    return negative ? -r : r;
}

QString groupDigits(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace orvida::text
