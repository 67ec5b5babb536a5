#include "base/Text.h"

#include <gtest/gtest.h>

using namespace orvida::text;

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
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundHalfEven(c.in, c.decimals), c.out) << c.in << " to " << c.decimals;
}

TEST(Text, Cp1250KeepsRomanianLettersAndMarksTheRest)
{
    EXPECT_EQ(toCp1250(QStringLiteral("Ăâîşţ ȘȚșț")), QByteArray("\xC3\xE2\xEE\xBA\xFE \xAA\xDE\xBA\xFE"));
    EXPECT_EQ(toCp1250(QStringLiteral("€ ok 日本")), QByteArray("\x80 ok ??"));
    EXPECT_EQ(toCp1250(QStringLiteral("a\U0001F600b")), QByteArray("a?b"));
    EXPECT_EQ(fromCp1250(QByteArray("\xC3\xE2\xAA")), QStringLiteral("ĂâŞ"));
}

TEST(Text, DigitsAreGroupedWithPoints)
{
    EXPECT_EQ(groupDigits(0), QStringLiteral("0"));
    EXPECT_EQ(groupDigits(999), QStringLiteral("999"));
    EXPECT_EQ(groupDigits(1234567), QStringLiteral("1.234.567"));
    EXPECT_EQ(groupDigits(-1000), QStringLiteral("-1.000"));
}
