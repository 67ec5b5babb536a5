#include "support/QtPrint.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using orvida::test::readFile;
using Outcome = orvida::test::Run;
using orvida::test::runOrvida;
using orvida::test::TestFolder;

namespace {

void loadFixture(const TestFolder& folder)
{
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
}

Outcome review(const TestFolder& folder, const QStringList& args = {})
{
    return runOrvida(QStringList { QStringLiteral("--home"), folder.path(), QStringLiteral("review") } + args);
}

} // namespace

// The fixture's review: its lines and findings on standard output, the fiscal year N as the period,
// and nothing written to the database or the declaration folder.
TEST(ReviewCommand, PrintsLinesAndFindingsAndWritesNothing)
{
    TestFolder folder;
    loadFixture(folder);
    const QByteArray databaseBefore = readFile(folder.folder().databasePath());
    const Outcome r = review(folder);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    for (const char* expected : {
             "Verificarea declaratiei D394 pentru perioada 01.01.2024 - 31.12.2024\n",
             "Linii declarate: 11\n",
             "Cumparari;A;98765432;Beta, \"SRL\" #1;1;1250.46;100.12\n",
             "Vanzari;V;22222222;Client Taxare;1;500.00;100.00\n",
             "Cumparari, TVA: 646.65 = 630.65 + 16.00 + 0.00, diferenta 0.00\n",
             "Versiunea declaratiei",
             "Cifra de control, Cumparari, \"Alfa & Co\" (cod \"1234567890\")",
             "Randuri lasate afara, Vanzari, \"Client Lung\" (cod \"12345678901\"), baza 1.00, TVA 1.00",
         })
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(expected))) << expected << "\n" << r.out.toStdString();
    EXPECT_EQ(readFile(folder.folder().databasePath()), databaseBefore);
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("D394"))).exists());
}

TEST(ReviewCommand, StrictExitsOneOnlyWithFindings)
{
    struct Case
    {
        const char* what;
        bool fixture;
        QStringList args;
        int exitCode;
    } cases[] = {
        { "findings, informing", true, {}, 0 },
        { "findings, strict", true, { QStringLiteral("--strict") }, 1 },
        { "no findings, strict",
          false,
          { QStringLiteral("--strict"), QStringLiteral("--from"), QStringLiteral("2013-01-01"), QStringLiteral("--to"),
            QStringLiteral("31/12/2013") },
          0 },
    };
    for (const Case& c : cases) {
        TestFolder folder;
        if (c.fixture)
            loadFixture(folder);
        else
            folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO14399840'; INSERT INTO zet_jct_UE (NUME, "
                                       "CODF, COL6, COL7) VALUES ('Beta', 'RO18547290', 100, 19)"));
        const Outcome r = review(folder, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << "\n" << r.out.toStdString();
        EXPECT_EQ(r.out.contains(QStringLiteral("Nicio constatare.")), !c.fixture) << c.what;
    }
}

// Bad input stops the review with exactly what the declaration prints, and the same exit status.
TEST(ReviewCommand, BadInputAsTheDeclaration)
{
    struct Case
    {
        const char* what;
        bool database;
        const char* sql;
        QStringList args;
    } cases[] = {
        { "start after end", true, nullptr, { QStringLiteral("--from"), QStringLiteral("2024-02-01") } },
        { "before 2012",
          true,
          nullptr,
          { QStringLiteral("--from"), QStringLiteral("2011-01-01"), QStringLiteral("--to"),
            QStringLiteral("2011-12-31") } },
        { "no database", false, nullptr, {} },
        { "no database, a period given",
          false,
          nullptr,
          { QStringLiteral("--from"), QStringLiteral("2013-01-01"), QStringLiteral("--to"),
            QStringLiteral("2013-12-31") } },
        { "no company", true, "DELETE FROM Zet_Info", {} },
    };
    const QStringList declarant = { QStringLiteral("--name"), QStringLiteral("Popescu"), QStringLiteral("--function"),
                                    QStringLiteral("Administrator") };
    for (const Case& c : cases) {
        TestFolder folder(c.database);
        if (c.sql)
            folder.exec(QString::fromUtf8(c.sql));
        const Outcome reviewed = review(folder, c.args);
        EXPECT_FALSE(QDir(folder.file(QStringLiteral("D394"))).exists()) << c.what;
        const Outcome declared = runOrvida(
            QStringList { QStringLiteral("--home"), folder.path(), QStringLiteral("declare") } + c.args + declarant);
        EXPECT_NE(reviewed.exitCode, 0) << c.what;
        EXPECT_EQ(reviewed.exitCode, declared.exitCode) << c.what;
        EXPECT_EQ(reviewed.out, declared.out) << c.what;
    }
}

// Both exports are written; one that cannot be written is reported, the other still is, and the
// review is printed all the same.
TEST(ReviewCommand, Exports)
{
    TestFolder folder;
    loadFixture(folder);
    const QString csv = folder.file(QStringLiteral("verificare.csv"));
    const QString xlsx = folder.file(QStringLiteral("verificare.xlsx"));
    const Outcome ok = review(folder, { QStringLiteral("--csv"), csv, QStringLiteral("--xlsx"), xlsx });
    EXPECT_EQ(ok.exitCode, 0) << ok.out.toStdString();
    EXPECT_TRUE(ok.out.endsWith(QStringLiteral("Verificarea a fost salvata in %1.\nVerificarea a fost salvata in %2.\n")
                                    .arg(QDir::toNativeSeparators(csv), QDir::toNativeSeparators(xlsx))))
        << ok.out.toStdString();
    const QByteArray csvBytes = readFile(csv);
    EXPECT_TRUE(csvBytes.startsWith("\xEF\xBB\xBFSectiune;Constatare;Jurnal;Tip;Cod fiscal;Denumire;"));
    EXPECT_TRUE(csvBytes.contains("Linie;;Cumparari;A;98765432;\"Beta, \"\"SRL\"\" #1\";1;1250.46;100.12;;\r\n"));
    EXPECT_TRUE(readFile(xlsx).startsWith("PK"));

    const QString unwritable = folder.file(QStringLiteral("nu-exista/verificare.csv"));
    const QString xlsx2 = folder.file(QStringLiteral("a-doua.xlsx"));
    const Outcome bad = review(folder, { QStringLiteral("--csv"), unwritable, QStringLiteral("--xlsx"), xlsx2 });
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.out.contains(QStringLiteral("Linii declarate: 11\n")));
    EXPECT_TRUE(
        bad.out.contains(QStringLiteral("Exportul nu a fost salvat in %1: ").arg(QDir::toNativeSeparators(unwritable))))
        << bad.out.toStdString();
    EXPECT_TRUE(QFile::exists(xlsx2));
}
