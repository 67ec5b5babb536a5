#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using orvida::test::readFile;
using orvida::test::runOrvida;
using orvida::test::TestFolder;

namespace {

// The semester fixture: the same rows as the declaration tests' golden runs.
void loadFixture(const TestFolder& folder)
{
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/semester/fixture.sql"));
}

// The authority's program is looked for under WINEPREFIX: point it where there is none.
class DeclareSemester : public ::testing::Test
{
protected:
    DeclareSemester() { qputenv("WINEPREFIX", folder.file(QStringLiteral("fara-wine")).toUtf8()); }
    ~DeclareSemester() override { qunsetenv("WINEPREFIX"); }

    orvida::test::Run declare(const QStringList& args) const
    {
        return runOrvida(QStringList { QStringLiteral("--home"), folder.path(), QStringLiteral("declare-semester") }
                         + args);
    }

    TestFolder folder;
};

} // namespace

TEST_F(DeclareSemester, ReportRunWritesTheFileTheErrorListAndTheSummary)
{
    loadFixture(folder);
    const QString pdf = folder.file(QStringLiteral("rezumat.pdf"));
    const auto r
        = declare({ QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"),
                    QStringLiteral("report"), QStringLiteral("--name"), QStringLiteral("Popescu"),
                    QStringLiteral("--function"), QStringLiteral("Administrator"), QStringLiteral("--summary"), pdf });
    const QString file = folder.file(QStringLiteral("394_S124_J14399840.txt"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("Fisierul ") + QDir::toNativeSeparators(file) + QStringLiteral(" a fost generat. \n")
                  + QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati fisierul ")
                  + QDir::toNativeSeparators(folder.file(QStringLiteral("D394_Erori.txt"))) + QStringLiteral(" \n"));
    // The report file carries no date: it is the golden file of the declaration tests.
    EXPECT_EQ(readFile(file), readFile(QStringLiteral(ORVIDA_TEST_DATA "/semester/report-S1.txt")));
    EXPECT_TRUE(readFile(pdf).startsWith("%PDF-"));

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return;
    QProcess p;
    p.start(pdftotext, { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* s :
         { "REZUMAT DECLARATIE", "14399840", "Exemplu Distribuție SRL", "B Bucuresti Bd. Unirii 15 7", "217", "151" })
        EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
}

TEST_F(DeclareSemester, ExitCodes)
{
    const QStringList ok { QStringLiteral("--semester"), QStringLiteral("2"),      QStringLiteral("--mode"),
                           QStringLiteral("restore"),    QStringLiteral("--name"), QStringLiteral("P"),
                           QStringLiteral("--function"), QStringLiteral("F") };
    struct Case
    {
        QStringList args;
        int exitCode;
        const char* out;
    } cases[] = {
        { {}, 64, "" },
        { { QStringLiteral("--semester"), QStringLiteral("3"), QStringLiteral("--mode"), QStringLiteral("report") },
          64,
          "" },
        { { QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"), QStringLiteral("print") },
          64,
          "" },
        { ok + QStringList { QStringLiteral("extra") }, 64, "" },
        { { QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"), QStringLiteral("report"),
            QStringLiteral("--function"), QStringLiteral("F") },
          1,
          "Va rog completati Nume Declarant\n" },
        { ok, 2, "Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete.\n" },
    };
    for (const Case& c : cases) {
        const auto r = declare(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.out, QString::fromUtf8(c.out)) << c.args.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_TRUE(QDir(folder.path()).entryList({ QStringLiteral("*.txt") }).isEmpty());

    // Without the fiscal year the semesters cannot be known: the report is printed and nothing written.
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO42'; DELETE FROM Zet_Par"));
    const auto r = declare(ok);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out,
              QStringLiteral("Eroare 3021 - Tabela Zet_Par nu are nicio inregistrare. in procedura InitParaSoc din "
                             "Module Module1 Linia: 40\n"));
    EXPECT_TRUE(QDir(folder.path()).entryList({ QStringLiteral("*.txt") }).isEmpty());
}

TEST_F(DeclareSemester, AuthorityProgramUnderWinePrefix)
{
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42';"
                               "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('F', 'RO12', 10, 2)"));
    const QString wine = folder.file(QStringLiteral("wine"));
    const QString installed = wine + QStringLiteral("/drive_c/Program Files/D394");
    ASSERT_TRUE(QDir().mkpath(installed + QStringLiteral("/394")));
    QFile exe(installed + QStringLiteral("/D394.exe"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    qputenv("WINEPREFIX", wine.toUtf8());
    const auto r = declare({ QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"),
                             QStringLiteral("restore"), QStringLiteral("--name"), QStringLiteral("P"),
                             QStringLiteral("--function"), QStringLiteral("F") });
    const QString file = installed + QStringLiteral("/394/D394_2024S1_42.txt");
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("Fisierul ") + QDir::toNativeSeparators(file)
                  + QStringLiteral(" a fost generat. \nDeclaratia s-a generat fara erori.\n"));
    EXPECT_TRUE(QFile::exists(file));

    // Without its report folder, the report mode fails once and writes nothing else.
    const auto report = declare({ QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"),
                                  QStringLiteral("report"), QStringLiteral("--name"), QStringLiteral("P"),
                                  QStringLiteral("--function"), QStringLiteral("F"), QStringLiteral("--summary"),
                                  folder.file(QStringLiteral("r.pdf")) });
    EXPECT_EQ(report.exitCode, 2);
    EXPECT_EQ(report.out.count(QLatin1Char('\n')), 1) << report.out.toStdString();
    EXPECT_TRUE(report.out.startsWith(QStringLiteral("Eroare 75 - "))) << report.out.toStdString();
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("r.pdf"))));
}
