#include "store/Database.h"
#include "store/Schema.h"
#include "support/TestFolder.h"

#include <QFile>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::store;

TEST(Store, OpeningNeverCreatesTheFile)
{
    test::TestFolder t(false);
    auto c = openDatabase(t.folder());
    ASSERT_FALSE(c.ok());
    EXPECT_EQ(c.failure().number, 5014);
    EXPECT_TRUE(c.failure().description.contains(QStringLiteral("nu exista")));
    EXPECT_FALSE(QFile::exists(t.folder().databasePath()));
}

TEST(Store, AFileThatIsNotADatabaseIsRefused)
{
    test::TestFolder t(false);
    QFile f(t.folder().databasePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("Standard Jet DB").leftJustified(4096, '\0'));
    f.close();
    auto c = openDatabase(t.folder());
    ASSERT_FALSE(c.ok());
    EXPECT_EQ(c.failure().number, 5026);
}

TEST(Store, InitCreatesTheDeliveredRowsAndLeavesAnExistingFileAlone)
{
    test::TestFolder t(false);
    auto r = initDatabase(t.folder(), 2026);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, InitOutcome::Created);
    auto par = query(t.folder(), QStringLiteral("select * from zet_par"));
    ASSERT_TRUE(par.ok());
    ASSERT_EQ(par->size(), 1);
    EXPECT_EQ(par->value(0, QStringLiteral("DATAIN")).toText(), QStringLiteral("2026-01-01"));
    EXPECT_EQ(par->value(0, QStringLiteral("datasn1")).toText(), QStringLiteral("2027-12-31"));
    EXPECT_EQ(par->value(0, QStringLiteral("DATASC")).toText(), QStringLiteral("2026-12-31"));
    auto info = query(t.folder(), QStringLiteral("select DENUMIRE, PlanC from ZET_INFO"));
    ASSERT_TRUE(info.ok());
    ASSERT_EQ(info->size(), 1);
    EXPECT_TRUE(info->value(0, QStringLiteral("DENUMIRE")).isNull());

    t.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Pastrata'"));
    auto again = initDatabase(t.folder(), 2030);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, InitOutcome::AlreadyExists);
    EXPECT_EQ(query(t.folder(), QStringLiteral("select DENUMIRE from Zet_Info"))
                  ->value(0, QStringLiteral("DENUMIRE"))
                  .toText(),
              QStringLiteral("Pastrata"));
}

TEST(Store, JournalAmountsDefaultToZero)
{
    test::TestFolder t;
    ASSERT_TRUE(execute(t.folder(), QStringLiteral("insert into ZET_JCT_UE (NUME, CODF, COL16) values (?, ?, ?)"),
                        { QStringLiteral("O'Brien; \"SRL\""), QStringLiteral("RO123"), 5.0 })
                    .ok());
    auto rs = query(t.folder(), QStringLiteral("select NUME, TOTAL, COL6, COL17 from zet_jct_ue"));
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs->value(0, QStringLiteral("nume")).toText(), QStringLiteral("O'Brien; \"SRL\""));
    EXPECT_EQ(rs->value(0, QStringLiteral("TOTAL")).toDouble(), 0.0);
    EXPECT_EQ(rs->value(0, QStringLiteral("COL17")).toDouble(), 0.0);
}

TEST(Store, TransactionRollsBackUnlessCommitted)
{
    test::TestFolder t;
    auto c = openDatabase(t.folder());
    ASSERT_TRUE(c.ok());
    {
        Transaction tx(*c);
        ASSERT_TRUE(tx.begun().ok());
        ASSERT_TRUE(c->exec(QStringLiteral("insert into zet_jvt_UE (NUME) values ('x')")).ok());
    }
    EXPECT_EQ(fetchAll(*c, QStringLiteral("select count(*) from zet_jvt_ue"))->rows[0][0].toInteger(), 0);
    {
        Transaction tx(*c);
        ASSERT_TRUE(c->exec(QStringLiteral("insert into zet_jvt_UE (NUME) values ('x')")).ok());
        ASSERT_TRUE(tx.commit().ok());
    }
    EXPECT_EQ(fetchAll(*c, QStringLiteral("select count(*) from zet_jvt_ue"))->rows[0][0].toInteger(), 1);
}

TEST(Store, ALockHeldByAnotherConnectionFailsAsLocked)
{
    test::TestFolder t;
    auto holder = openDatabase(t.folder());
    ASSERT_TRUE(holder.ok());
    ASSERT_TRUE(holder->exec(QStringLiteral("BEGIN IMMEDIATE")).ok());
    auto other = openDatabase(t.folder());
    ASSERT_TRUE(other.ok());
    sqlite3_busy_timeout(other->handle(), 50); // the real timeout is seconds; the rule is the same
    Transaction tx(*other);
    ASSERT_FALSE(tx.begun().ok());
    EXPECT_EQ(tx.begun().failure().number, 5005);
    EXPECT_TRUE(tx.begun().failure().description.contains(QStringLiteral("blocata")));
    // Readers still read while a writer holds the lock (WAL).
    EXPECT_TRUE(query(t.folder(), QStringLiteral("select * from Zet_Info")).ok());
}

TEST(Store, AMissingTableFailsWithTheEnginesText)
{
    test::TestFolder t;
    auto rs = query(t.folder(), QStringLiteral("select * from Nicio_Tabela"));
    ASSERT_FALSE(rs.ok());
    EXPECT_EQ(rs.failure().number, 5001);
    EXPECT_TRUE(rs.failure().description.contains(QStringLiteral("no such table")));
}
