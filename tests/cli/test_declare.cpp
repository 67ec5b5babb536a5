#include "support/TestFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using orvida::test::readFile;
using orvida::test::runOrvida;
using orvida::test::TestFolder;

// The declaration's two files, produced through the command line on the fixture database, are
// compared byte for byte with tests/data/golden/. After an intended change of the output, run
//   ORVIDA_REGENERATE_GOLDEN=1 ctest --preset default -R test_cli
// and review the difference in git before committing it.

namespace {

void loadFixture(const TestFolder& folder)
{
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
}

void compareWithGolden(const QString& produced, const QString& goldenName)
{
    const QString golden = QStringLiteral(ORVIDA_TEST_DATA "/golden/") + goldenName;
    const QByteArray bytes = readFile(produced);
    ASSERT_FALSE(bytes.isEmpty()) << produced.toStdString();
    if (qEnvironmentVariableIsSet("ORVIDA_REGENERATE_GOLDEN")) {
        QFile out(golden);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << golden.toStdString();
        out.write(bytes);
        return;
    }
    EXPECT_EQ(bytes, readFile(golden)) << goldenName.toStdString();
}

// The run's files, found by their extension (their names carry the time of the run).
QString outputFile(const TestFolder& folder, const QString& suffix)
{
    const QDir dir(folder.file(QStringLiteral("D394/14399840")));
    const QStringList files = dir.entryList({ QStringLiteral("D394_*.") + suffix }, QDir::Files);
    EXPECT_EQ(files.size(), 1) << files.join(QLatin1Char(' ')).toStdString();
    return files.isEmpty() ? QString() : dir.filePath(files.first());
}

} // namespace

TEST(DeclareCommand, GoldenFiles)
{
    struct Case
    {
        QStringList args;
        const char* golden;
    } cases[] = {
        { { QStringLiteral("--name"), QStringLiteral("Popescu"), QStringLiteral("--function"),
            QStringLiteral("Administrator") },
          "d394_2013" },
        { { QStringLiteral("--name"), QStringLiteral("Popescu"), QStringLiteral("--first-name"), QStringLiteral("Ana"),
            QStringLiteral("--function"), QStringLiteral("Director economic"), QStringLiteral("--from"),
            QStringLiteral("01/01/2024"), QStringLiteral("--to"), QStringLiteral("2024-03-31"),
            QStringLiteral("--variant"), QStringLiteral("2012") },
          "d394_2012" },
    };
    for (const Case& c : cases) {
        TestFolder folder;
        loadFixture(folder);
        const auto r
            = runOrvida(QStringList { QStringLiteral("--home"), folder.path(), QStringLiteral("declare") } + c.args);
        const QString shown = QDir::toNativeSeparators(folder.file(QStringLiteral("D394/14399840")));
        EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out,
                  QStringLiteral("Fisierul D394.xml a fost generat in catalogul ") + shown
                      + QStringLiteral(".\nFisierul D394.txt a fost generat in catalogul ") + shown
                      + QStringLiteral(".\n"));
        compareWithGolden(outputFile(folder, QStringLiteral("xml")),
                          QString::fromUtf8(c.golden) + QStringLiteral(".xml"));
        compareWithGolden(outputFile(folder, QStringLiteral("txt")),
                          QString::fromUtf8(c.golden) + QStringLiteral(".txt"));
    }
}

TEST(DeclareCommand, ExitStatus)
{
    struct Case
    {
        const char* name;
        const char* sql; // run on the fixture first, when given
        QStringList args;
        int exitCode;
        const char* out; // the start of standard output
    } cases[] = {
        { "no declarant name",
          nullptr,
          { QStringLiteral("--function"), QStringLiteral("Director") },
          1,
          "Va rog completati Nume declarant\n" },
        { "a start before 2012",
          nullptr,
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--from"), QStringLiteral("2011-01-01") },
          1,
          "Data de inceput trebuie sa fie mai mare de 2012\n" },
        { "an empty first name",
          nullptr,
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--first-name"), QString(),
            QStringLiteral("--function"), QStringLiteral("Y") },
          1,
          "Va rog completati Prenume declarant\n" },
        { "no company code",
          "UPDATE Zet_Info SET CODFISCAL = NULL",
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--function"), QStringLiteral("Y") },
          2,
          "Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete.\n" },
        { "no purchase journal",
          "DROP TABLE zet_jct_UE",
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--function"), QStringLiteral("Y") },
          2,
          "Eroare 5001 - " },
        { "no fiscal year, so no default period",
          "DELETE FROM Zet_Par",
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--function"), QStringLiteral("Y") },
          2,
          "Eroare 3021 - Tabela Zet_Par nu are nicio inregistrare. in procedura InitParaSoc din Module Module1 "
          "Linia: 40\n" },
        { "a partner total that is not finite",
          "UPDATE zet_jct_UE SET COL8 = 9e999 WHERE CODF = '98765432'",
          { QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--function"), QStringLiteral("Y") },
          2,
          "Eroare 6 - " },
        { "a wrong date", nullptr, { QStringLiteral("--from"), QStringLiteral("31.12.2024") }, 64, "" },
        { "a wrong variant", nullptr, { QStringLiteral("--variant"), QStringLiteral("2014") }, 64, "" },
        { "an argument too many", nullptr, { QStringLiteral("now") }, 64, "" },
    };
    for (const Case& c : cases) {
        TestFolder folder;
        loadFixture(folder);
        if (c.sql)
            folder.exec(QString::fromUtf8(c.sql));
        const auto r
            = runOrvida(QStringList { QStringLiteral("--home"), folder.path(), QStringLiteral("declare") } + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.out.toStdString() << r.err.toStdString();
        if (*c.out) {
            EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.out))) << c.name << ": " << r.out.toStdString();
        } else {
            EXPECT_TRUE(r.out.isEmpty()) << c.name << ": " << r.out.toStdString();
        }
        if (c.exitCode != 2) {
            EXPECT_EQ(r.out.count(QLatin1Char('\n')), c.exitCode == 64 ? 0 : 1) << c.name;
        }
        EXPECT_TRUE(QDir(folder.file(QStringLiteral("D394/14399840"))).isEmpty()) << c.name;
    }
}

TEST(DeclareCommand, RunsNeverReplaceEarlierFiles)
{
    // A code without the RO prefix names the folder whole.
    TestFolder folder;
    loadFixture(folder);
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = '14399840'"));
    for (int run = 0; run < 3; ++run) {
        const auto r
            = runOrvida({ QStringLiteral("--home"), folder.path(), QStringLiteral("declare"), QStringLiteral("--name"),
                          QStringLiteral("X"), QStringLiteral("--function"), QStringLiteral("Y") });
        ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    }
    const QDir dir(folder.file(QStringLiteral("D394/14399840")));
    QStringList xml = dir.entryList({ QStringLiteral("D394_*.xml") }, QDir::Files, QDir::Name);
    QStringList text = dir.entryList({ QStringLiteral("D394_*.txt") }, QDir::Files, QDir::Name);
    ASSERT_EQ(xml.size(), 3) << xml.join(QLatin1Char(' ')).toStdString();
    // Each run's two files share one name.
    for (QString& name : xml)
        name.chop(4);
    for (QString& name : text)
        name.chop(4);
    EXPECT_EQ(xml, text);
    EXPECT_EQ(dir.entryList(QDir::Files).size(), 6);
}
