#include "declaration/NumberText.h"
#include "declaration/Screening.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvida;
using namespace orvida::declaration;

namespace {

struct CodeCase
{
    const char* stored;
    const char* code; // the normalised partner code
    bool purchase2012; // accepted by the purchase rule from 2012 on
    bool sales2012; // accepted by the sales rule from 2012 on
};

} // namespace

// One row per stored code: what normalisation makes of it and whether each 2012 rule keeps it.
TEST(Screening, CodesThroughNormalisationAndTheRulesFrom2012)
{
    const CodeCase cases[] = {
        { "RO1234567890", "1234567890", true, true }, // 12 characters, the prefix removed
        { "1234567890123", "1234567890123", false, false }, // 13 as stored: skipped by the pre-filter
        { "RO12345678901", "12345678901", false, false }, // 13 as stored as well
        { "RO123456789012", "123456789012", false, false }, // 14: passes the pre-filter, too long
        { " RO123", "RO123", true, true }, // a leading space protects the prefix
        { "RO", "", false, true }, // an empty code: sales accept it, purchases do not
        { "ro12345678", "12345678", true, true },
        { "R12345678", "12345678", true, true }, // the R alone is removed
        { "O12345678", "O12345678", true, true }, // an O without an R stays
        { "Or12345678", "Or12345678", true, true },
        { "rO 123", "123", true, true }, // spaces after the prefix go, trailing ones stay
        { "123 ", "123 ", true, true },
        { "R", "", false, true },
        { "RO1", "1", false, true }, // one character: too short for purchases
        { "12", "12", true, true },
        { "  1234567890123", "1234567890123", false, false }, // 15 as stored, 13 after the spaces
        { "", "", false, true }, // an empty text is a value
    };
    for (const CodeCase& c : cases) {
        const QString stored = QString::fromUtf8(c.stored);
        EXPECT_EQ(normaliseCode(stored), QString::fromUtf8(c.code)) << c.stored;
        const auto p = screen(rule2012(Journal::Purchases), Journal::Purchases, Value("X"), Value(stored));
        const auto s = screen(rule2012(Journal::Sales), Journal::Sales, Value("X"), Value(stored));
        EXPECT_EQ(p.has_value(), c.purchase2012) << "purchases " << c.stored;
        EXPECT_EQ(s.has_value(), c.sales2012) << "sales " << c.stored;
        if (p) {
            EXPECT_EQ(*p, QString::fromUtf8(c.code));
        }
        if (s) {
            EXPECT_EQ(*s, QString::fromUtf8(c.code));
        }
    }
}

TEST(Screening, PreFilters)
{
    struct Case
    {
        Value nume;
        Value codf;
        bool present, not13, under13;
    } cases[] = {
        { Value("A"), Value("123"), true, true, true },
        { Value::null(), Value("123"), false, false, false },
        { Value("A"), Value::null(), false, false, false },
        { Value(""), Value(""), true, true, true }, // empty texts are values
        { Value("A"), Value("1234567890123"), true, false, false },
        { Value("A"), Value(" 1234567890123"), true, true, false }, // 14 stored, 13 without the space
        { Value("A"), Value(" 123456789012"), true, false, true }, // 13 stored, 12 without the space
        { Value("A"), Value(qint64(123)), true, true, true }, // a code stored as a number
    };
    for (const Case& c : cases) {
        EXPECT_EQ(passesPreFilter(PreFilter::Present, c.nume, c.codf), c.present) << c.codf.toText().toStdString();
        EXPECT_EQ(passesPreFilter(PreFilter::PresentNot13, c.nume, c.codf), c.not13) << c.codf.toText().toStdString();
        EXPECT_EQ(passesPreFilter(PreFilter::PresentUnder13, c.nume, c.codf), c.under13)
            << c.codf.toText().toStdString();
    }
}

TEST(Screening, AcceptanceTests)
{
    const QSet<QString> listed { QStringLiteral("123"), QStringLiteral("RO1") };
    struct Case
    {
        const char* code;
        bool upTo10, from2To10, newUpTo10;
    } cases[] = {
        { "", true, false, false }, // an empty code is never new
        { "1", true, false, true },         { "12", true, true, true },
        { "1234567890", true, true, true }, { "12345678901", false, false, false },
        { "123", true, true, false }, // already listed
        { "1234", true, true, true }, // contains a listed code: still new
        { "12 ", true, true, true }, // a listed code with a trailing space differs
        { "ro1", true, true, true }, // case-sensitive
    };
    for (const Case& c : cases) {
        const QString code = QString::fromUtf8(c.code);
        EXPECT_EQ(accepts(Acceptance::UpTo10, code), c.upTo10) << c.code;
        EXPECT_EQ(accepts(Acceptance::From2To10, code), c.from2To10) << c.code;
        EXPECT_EQ(accepts(Acceptance::NewUpTo10, code, listed), c.newUpTo10) << c.code;
    }
}

TEST(Screening, RejectionForms)
{
    QString errors = QStringLiteral("15.03.2024\r\n");
    const ScreeningRule reported { PreFilter::Present, Acceptance::From2To10, Rejection::Reported };
    const ScreeningRule silent { PreFilter::Present, Acceptance::From2To10, Rejection::Silent };

    EXPECT_FALSE(screen(reported, Journal::Purchases, Value("Alfa & Co"), Value("RO1"), {}, &errors));
    EXPECT_FALSE(screen(reported, Journal::Sales, Value("Ţară"), Value("12345678901"), {}, &errors));
    EXPECT_FALSE(screen(silent, Journal::Sales, Value("Beta"), Value("1"), {}, &errors));
    // A row the pre-filter skips leaves no line either.
    EXPECT_FALSE(screen(reported, Journal::Sales, Value::null(), Value("1"), {}, &errors));
    EXPECT_EQ(screen(reported, Journal::Sales, Value("Gama"), Value("RO99"), {}, &errors), QStringLiteral("99"));

    EXPECT_EQ(errors,
              QStringLiteral("15.03.2024\r\n"
                             "Furnizorul Alfa & Co are cod fiscal incorect\r\n"
                             "Clientul Ţară are cod fiscal incorect\r\n"));
}

TEST(NumberText, CountsAndAmounts)
{
    struct Case
    {
        double value;
        const char* number; // written as given
        const char* amount; // rounded to two decimals first
    } cases[] = {
        { 1250, " 1250", " 1250" },
        { 1250.5, " 1250.5", " 1250.5" },
        { 0.25, " .25", " .25" },
        { -3.1, "-3.1", "-3.1" },
        { 0, " 0", " 0" },
        { -0.0, " 0", " 0" },
        { -0.25, "-.25", "-.25" },
        { 12.5, " 12.5", " 12.5" },
        { 0.5, " .5", " .5" },
        { -12.5, "-12.5", "-12.5" },
        { 1250.456, " 1250.456", " 1250.46" },
        { 1250.455, " 1250.455", " 1250.46" }, // an exact half in its shortest form goes to even
        { 100.125, " 100.125", " 100.12" },
        { 0.004, " .004", " 0" },
        { -0.004, "-.004", " 0" }, // rounds to zero: no minus sign
        { 1e15, " 1000000000000000", " 1000000000000000" }, // never in exponent form
        { 123456789.1, " 123456789.1", " 123456789.1" },
        { 1e-7, " .0000001", " 0" },
        { 9.995, " 9.995", " 10" }, // the carry reaches the whole part
        { -999.995, "-999.995", "-1000" },
        { 0.995, " .995", " 1" },
        { 1e22, " 10000000000000000000000", " 10000000000000000000000" },
        { std::numeric_limits<double>::infinity(), " inf", " inf" },
        { -std::numeric_limits<double>::infinity(), "-inf", "-inf" },
        { std::numeric_limits<double>::quiet_NaN(), " 0", " 0" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(numberText(c.value), QString::fromUtf8(c.number)) << c.value;
        EXPECT_EQ(amountText(c.value), QString::fromUtf8(c.amount)) << c.value;
    }
    // The smallest double: its one digit after 323 zeros.
    EXPECT_EQ(numberText(-5e-324), QStringLiteral("-.") + QString(323, QLatin1Char('0')) + QLatin1Char('5'));
    EXPECT_EQ(amountText(-5e-324), QStringLiteral(" 0"));
    EXPECT_EQ(numberText(qint64(3)), QStringLiteral(" 3"));
    EXPECT_EQ(numberText(qint64(0)), QStringLiteral(" 0"));
    EXPECT_EQ(numberText(qint64(-2)), QStringLiteral("-2"));
    EXPECT_EQ(numberText(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(numberText(std::numeric_limits<qint64>::max()), QStringLiteral(" 9223372036854775807"));
}
