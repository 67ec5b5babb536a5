#include "base/Text.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace orvida::text;

namespace {

// The rounding as first written, on Qt's texts: the faster one must give the same doubles.
double referenceRound(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
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
    QString kept = intPart + frac.left(decimals);
    const QString rest = frac.mid(decimals);
    bool roundUp = false;
    if (rest[0] > QLatin1Char('5')) {
        roundUp = true;
    } else if (rest[0] == QLatin1Char('5')) {
        bool beyond = false;
        for (qsizetype i = 1; i < rest.size(); ++i)
            if (rest[i] != QLatin1Char('0'))
                beyond = true;
        roundUp = beyond || (kept.back().digitValue() % 2) == 1;
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
    const double r = kept.toDouble();
    return negative ? -r : r;
}

// Equal as doubles and in sign; NaN equals NaN.
bool same(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

// Random doubles of every kind, amounts near halves and the edges of the range.
std::vector<double> roundingValues()
{
    std::vector<double> values = {
        0.0,
        -0.0,
        0.5,
        -0.5,
        1.5,
        2.5,
        -2.5,
        0.05,
        0.15,
        0.25,
        0.125,
        0.005,
        0.015,
        1.005,
        2.675,
        9.995,
        -9.995,
        99.995,
        999999.995,
        1250.455,
        100.125,
        0.49999999,
        0.4449999,
        1.0049999999999999,
        1234.5678,
        0.1 + 0.2,
        123456789.12345678,
        0.12345678901234567,
        1.2345678901234567e-5,
        4503599627370495.5,
        4503599627370496.5,
        9007199254740991.0,
        9007199254740993.0,
        1e15 + 0.5,
        1e16,
        1e20,
        1e23,
        1e300,
        -1e300,
        1e-300,
        -1e-300,
        1e-5,
        5e-324,
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::lowest(),
        std::numeric_limits<double>::min(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(),
    };
    std::mt19937_64 rng(394);
    for (int i = 0; i < 10000; ++i) {
        // Any bit pattern: every magnitude, subnormals, NaN and infinities included.
        values.push_back(std::bit_cast<double>(rng()));
        // Amounts as journals hold them, exact halves at one, two and three decimals among them.
        const double whole = double(std::int64_t(rng() % 2000000000) - 1000000000);
        for (double scale : { 10.0, 100.0, 1000.0, 10000.0 })
            values.push_back(whole / scale);
        values.push_back(double(std::int64_t(rng() % 20000000)) / 1000.0 + 0.0005);
        // Doubles with 17 significant digits, and sums that leave binary noise behind.
        values.push_back(std::ldexp(double(rng() >> 11), -int(rng() % 64)));
        values.push_back(double(rng() % 100000) / 100.0 + double(rng() % 100000) / 100.0);
        values.push_back(std::nextafter(double(rng() % 100000) / 100.0 + 0.005, 0.0));
    }
    return values;
}

} // namespace

TEST(Text, RoundHalfEvenOnTheShortestDecimalForm)
{
    struct Case
    {
        double in;
        int decimals;
        double out;
    } cases[] = {
        { 2.5, 0, 2 },
        { 3.5, 0, 4 },
        { -2.5, 0, -2 },
        { -3.5, 0, -4 },
        { 1250.455, 2, 1250.46 },
        { 100.125, 2, 100.12 },
        { 0.49999999, 0, 0 },
        { 1234.5678, 2, 1234.57 },
        { 9.995, 2, 10.0 },
        { 999.5, 0, 1000 },
        { 12, 0, 12 },
        { 1e20, 0, 1e20 },
        { 0.5, 0, 0 },
        { 1.5, 0, 2 },
        { 12.5, -1, 12 }, // no decimals below none
        { 1234.4449999, 2, 1234.44 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundHalfEven(c.in, c.decimals), c.out) << c.in << " to " << c.decimals;
}

TEST(Text, RoundHalfEvenAgreesWithTheRoundingOnQtsTexts)
{
    for (double v : roundingValues())
        for (int decimals : { 0, 1, 2, 3, 4, 6, 15, 17 })
            ASSERT_TRUE(same(roundHalfEven(v, decimals), referenceRound(v, decimals)))
                << v << " to " << decimals << ": " << roundHalfEven(v, decimals) << " against "
                << referenceRound(v, decimals);
}

// The declaration files write their numbers with std::to_chars and the rounding once worked on
// Qt's texts: below 2^53 both give the same shortest digits of a magnitude.
TEST(Text, ShortestDigitsOfQtAndTheStandardLibraryAgree)
{
    for (double v : roundingValues()) {
        v = std::fabs(v);
        if (!std::isfinite(v) || v >= 9007199254740992.0)
            continue;
        char buf[400];
        const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        ASSERT_EQ(QString::number(v, 'f', QLocale::FloatingPointShortest), QString::fromLatin1(buf, res.ptr - buf))
            << v;
    }
}

TEST(Text, Cp1250KeepsRomanianLettersAndMarksTheRest)
{
    EXPECT_EQ(toCp1250(QStringLiteral("Ăâîşţ ȘȚșț")), QByteArray("\xC3\xE2\xEE\xBA\xFE \xAA\xDE\xBA\xFE"));
    EXPECT_EQ(toCp1250(QStringLiteral("€ ok 日本")), QByteArray("\x80 ok ??"));
    EXPECT_EQ(toCp1250(QStringLiteral("a\U0001F600b")), QByteArray("a?b"));
    QByteArray appended("394,");
    appendCp1250(appended, QStringLiteral("Ţară ☃\U0001F600,"));
    EXPECT_EQ(appended,
              QByteArray("394,\xDE"
                         "ar\xE3 ??,"));
    EXPECT_EQ(fromCp1250(QByteArray("\xC3\xE2\xAA")), QStringLiteral("ĂâŞ"));
}

TEST(Text, DigitsAreGroupedWithPoints)
{
    EXPECT_EQ(groupDigits(0), QStringLiteral("0"));
    EXPECT_EQ(groupDigits(999), QStringLiteral("999"));
    EXPECT_EQ(groupDigits(1234567), QStringLiteral("1.234.567"));
    EXPECT_EQ(groupDigits(-1000), QStringLiteral("-1.000"));
}
