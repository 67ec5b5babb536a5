#include "support/TestFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace orvida;
using test::runOrvida;

TEST(CommandLine, InitCreatesOnceAndSaysSo)
{
    test::TestFolder t(false);
    auto first = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("init") });
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("a fost creata")));
    EXPECT_TRUE(QFile::exists(t.folder().databasePath()));
    auto second = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("init") });
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.contains(QStringLiteral("exista deja")));
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
}

TEST(CommandLine, InitWhereNoFolderCanBeMadeFailsWithoutLeavingAFile)
{
    test::TestFolder t(false);
    QFile blocker(t.file(QStringLiteral("fisier")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto r = runOrvida({ QStringLiteral("--home"), t.file(QStringLiteral("fisier/sub")), QStringLiteral("init") });
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.contains(QStringLiteral("nu poate fi creat"))) << r.out.toStdString();
}

TEST(CommandLine, CommandsOnAMissingOrForeignDatabaseFail)
{
    test::TestFolder t(false);
    auto missing = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("company"), QStringLiteral("show") });
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.out.contains(QStringLiteral("nu exista"))) << missing.out.toStdString();
    EXPECT_EQ(missing.err,
              QStringLiteral("Baza de date se creeaza cu comanda: orvida --home \"%1\" init\n").arg(t.path()));
    EXPECT_FALSE(QFile::exists(t.folder().databasePath()));

    QFile f(t.folder().databasePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(2048, '\x01'));
    f.close();
    auto foreign = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("company"), QStringLiteral("show") });
    EXPECT_EQ(foreign.exitCode, 2);
    EXPECT_TRUE(foreign.out.contains(QStringLiteral("nu este o baza de date"))) << foreign.out.toStdString();
}

TEST(CommandLine, CompanySetChecksAndStores)
{
    test::TestFolder t;
    const QStringList base { QStringLiteral("--home"), t.path(), QStringLiteral("company") };
    struct Case
    {
        QStringList args;
        int exit;
        QString out; // expected standard output (or part of standard error for 64)
    } cases[] = {
        { { QStringLiteral("set"), QStringLiteral("denumire=Beta Ştiinţă SRL"), QStringLiteral("CODFISCAL=RO123"),
            QStringLiteral("DATAIN=01/02/2024"), QStringLiteral("DATAIC=2024-02-01") },
          0,
          QString() },
        { { QStringLiteral("set"), QStringLiteral("DENUMIRE="), QStringLiteral("DATASC=2024-06-30") },
          1,
          QStringLiteral("Salvarea nu se poate efectua. Introduceti o denumire pentru societatea curenta !\n") },
        { { QStringLiteral("set"), QStringLiteral("DATAIN1=2025-01-03") },
          1,
          QStringLiteral(
              "Data de inceput a exercitiului N+1 trebuie sa fie ziua urmatoare datei de sfarsit a exercitiului "
              "N ! Salvarea nu se poate efectua !\n") },
        { { QStringLiteral("set"), QStringLiteral("JUDET1=401") }, 64, QStringLiteral("cel mult 2") },
        { { QStringLiteral("set"), QStringLiteral("CULOARE=rosu") }, 64, QStringLiteral("Coloana necunoscuta") },
        { { QStringLiteral("set"), QStringLiteral("DATAIN=31/02/2024") }, 64, QStringLiteral("Data gresita") },
        { { QStringLiteral("sterge") }, 64, QStringLiteral("Utilizare") },
    };
    for (const Case& c : cases) {
        auto r = runOrvida(base + c.args);
        EXPECT_EQ(r.exitCode, c.exit) << c.args.join(QLatin1Char(' ')).toStdString() << r.err.toStdString();
        if (c.exit == 64)
            EXPECT_TRUE(r.err.contains(c.out)) << r.err.toStdString();
        else
            EXPECT_EQ(r.out, c.out);
    }
    auto shown = runOrvida(base + QStringList { QStringLiteral("show") });
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_TRUE(shown.out.contains(QStringLiteral("DENUMIRE=Beta Ştiinţă SRL\n")));
    EXPECT_TRUE(shown.out.contains(QStringLiteral("CODFISCAL=RO123\n")));
    EXPECT_TRUE(shown.out.contains(QStringLiteral("DATAIN=2024-02-01\n")));
    EXPECT_TRUE(shown.out.contains(QStringLiteral("DATASC=2024-06-30\n"))); // stored despite the empty name
}

TEST(CommandLine, UsageAndVersion)
{
    EXPECT_EQ(runOrvida({ QStringLiteral("--version") }).out, QStringLiteral("Orvida " ORVIDA_VERSION "\n"));
    EXPECT_EQ(runOrvida({ QStringLiteral("--help") }).exitCode, 0);
    auto bad = runOrvida({ QStringLiteral("zbor") });
    EXPECT_EQ(bad.exitCode, 64);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Comanda necunoscuta: zbor")));
    EXPECT_EQ(runOrvida({ QStringLiteral("init"), QStringLiteral("--nimic") }).exitCode, 64);
}
