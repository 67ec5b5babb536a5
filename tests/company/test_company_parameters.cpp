#include "base/Dates.h"
#include "company/CompanyParameters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::company;

namespace {

struct Load
{
    CompanyParameters p;
    Status status;
    MessageList sink;
};

void load(const test::TestFolder& t, Load& l)
{
    FixedClock clock(test::fixedNow());
    l.status = loadCompanyParameters(t.folder(), clock, l.p, l.sink);
}

} // namespace

TEST(CompanyParameters, LoadsTheFirstRow)
{
    test::TestFolder t;
    t.exec(QStringLiteral("update Zet_Par set Banca = '5121', Casa = '', Capital = 3, EsteCentru = 1, "
                          "CODSucursalaInNote = 0, Abatere = 0.5, FurnizoriImobilizari = NULL"));
    t.exec(QStringLiteral("update Zet_Info set PlanC = 2"));
    Load l;
    load(t, l);
    EXPECT_TRUE(l.status.ok());
    EXPECT_TRUE(l.sink.messages().isEmpty()) << l.sink.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(l.p.Banca, QStringLiteral("5121"));
    EXPECT_EQ(l.p.Casa, QStringLiteral("0")); // an empty text reads as 0
    EXPECT_EQ(l.p.Client, QString()); // a Null text reads empty
    EXPECT_EQ(l.p.FurnizoriImobilizari, QStringLiteral("0"));
    EXPECT_EQ(l.p.Capital, 3);
    EXPECT_EQ(dates::fromSerial(l.p.DataIN).date(), QDate(2024, 1, 1));
    EXPECT_EQ(dates::fromSerial(l.p.DataSN).date(), QDate(2024, 12, 31));
    EXPECT_TRUE(l.p.EsteCentru);
    EXPECT_TRUE(l.p.CODSucursalaInNote); // stored negated
    EXPECT_EQ(l.p.Abatere, 0.5);
    EXPECT_EQ(l.p.PlanC, 2);
}

TEST(CompanyParameters, NullDatesTakeTheClock)
{
    test::TestFolder t;
    t.exec(QStringLiteral("update Zet_Par set DATAIN = NULL, DATASN = NULL"));
    Load l;
    load(t, l);
    EXPECT_TRUE(l.sink.messages().isEmpty());
    EXPECT_EQ(dates::fromSerial(l.p.DataIN), test::fixedNow());
    EXPECT_EQ(dates::fromSerial(l.p.DataSN), test::fixedNow());
}

TEST(CompanyParameters, FailuresStopAtTheirStepAndKeepLaterFields)
{
    struct Case
    {
        const char* sql;
        QString report;
        bool datesLoaded;
    } cases[] = {
        { "delete from Zet_Par",
          QStringLiteral("Eroare 3021 - Tabela Zet_Par nu are nicio inregistrare. in procedura InitParaSoc din Module "
                         "Module1 Linia: 40"),
          false },
        { "update Zet_Par set EsteCentru = NULL",
          QStringLiteral(
              "Eroare 13 - Valoarea \"\" nu are tipul asteptat (Type mismatch). in procedura InitParaSoc din "
              "Module Module1 Linia: 290"),
          true },
        { "alter table Zet_Par drop column VENIT",
          QStringLiteral("Eroare 3265 - Coloana VENIT lipseste din tabela Zet_Par. in procedura InitParaSoc din Module "
                         "Module1 Linia: 240"),
          false },
        { "update Zet_Par set DATASN = 'ieri'",
          QStringLiteral("Eroare 13 - Valoarea \"ieri\" nu este o data calendaristica (Type mismatch). in procedura "
                         "InitParaSoc din Module Module1 Linia: 280"),
          false },
        { "delete from Zet_Info",
          QStringLiteral("Eroare 3021 - Tabela Zet_Info nu are nicio inregistrare. in procedura InitParaSoc din Module "
                         "Module1 Linia: 340"),
          true },
    };
    for (const Case& c : cases) {
        test::TestFolder t;
        t.exec(QStringLiteral("update Zet_Par set Abatere = 7; update Zet_Info set PlanC = 1"));
        t.exec(QString::fromLatin1(c.sql));
        Load l;
        l.p.Abatere = 99;
        l.p.PlanC = 42;
        load(t, l);
        ASSERT_EQ(l.sink.texts(), QStringList { c.report }) << c.sql;
        ASSERT_FALSE(l.status.ok()) << c.sql;
        EXPECT_TRUE(c.report.startsWith(QStringLiteral("Eroare %1 - ").arg(l.status.failure().number))) << c.sql;
        EXPECT_EQ(l.p.DataSN != 0, c.datesLoaded) << c.sql;
        EXPECT_EQ(l.p.PlanC, 42) << c.sql; // never reached
    }
}

TEST(CompanyParameters, AMissingDatabaseIsReportedTwice)
{
    test::TestFolder t(false);
    Load l;
    load(t, l);
    ASSERT_EQ(l.sink.messages().size(), 2);
    EXPECT_EQ(l.status.failure().number, 91); // no record set
    EXPECT_TRUE(l.sink.texts()[0].startsWith(QStringLiteral("Eroare 5014 - ")));
    EXPECT_TRUE(l.sink.texts()[0].endsWith(
        QStringLiteral("in procedura getDisconectedRecordset din Module Module1 Linia: 50")));
    EXPECT_TRUE(l.sink.texts()[1].endsWith(QStringLiteral("in procedura InitParaSoc din Module Module1 Linia: 40")));
    EXPECT_EQ(l.p.DataIN, 0);
}
