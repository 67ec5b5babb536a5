#include "TextRecords.h"
#include "base/Text.h"
#include "company/CompanyParameters.h"
#include "declaration/DeclarationRun.h"
#include "declaration/SemesterFiles.h"
#include "declaration/SemesterPasses.h"
#include "declaration/SemesterRun.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace orvida;
using namespace orvida::declaration;
using orvida::test::readFile;
using orvida::test::TestFolder;

namespace {

// Expected files live in tests/data/semester. To regenerate them after a deliberate change, run
//   ORVIDA_REGENERATE_GOLDEN=1 build/tests/test_declaration --gtest_filter='SemesterGolden*'
// and review the diff before committing.
QString goldenPath(const QString& name)
{
    return QStringLiteral(ORVIDA_TEST_DATA "/semester/") + name;
}

void expectGolden(const QString& actualPath, const QString& goldenName)
{
    const QByteArray actual = readFile(actualPath);
    if (qEnvironmentVariableIsSet("ORVIDA_REGENERATE_GOLDEN")) {
        QDir().mkpath(QFileInfo(goldenPath(goldenName)).absolutePath());
        QFile f(goldenPath(goldenName));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(actual);
        return;
    }
    EXPECT_EQ(actual, readFile(goldenPath(goldenName))) << goldenName.toStdString();
}

// The fixture of the golden runs, shared with the command line's test.
void fillFixture(const TestFolder& t)
{
    QFile f(goldenPath(QStringLiteral("fixture.sql")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    t.exec(QString::fromUtf8(f.readAll()));
}

struct SemesterRunOutput
{
    SemesterResult result;
    MessageList messages;
    DeclarationOutcome::End end = DeclarationOutcome::End::Failure;
};

class Semester : public ::testing::Test
{
protected:
    Semester()
        : clock(test::fixedNow())
    { }

    DeclarationInputs inputs(int semester, bool report) const
    {
        DeclarationInputs in;
        in.declarant.name = QStringLiteral("Popescu");
        in.declarant.function = QStringLiteral("Administrator");
        in.rules2012 = false;
        in.firstSemester = semester == 1;
        in.reportFile = report;
        return in;
    }

    SemesterRunOutput run(const DeclarationInputs& in, const QString& authorityProgram = QString())
    {
        SemesterRunOutput r;
        company::CompanyParameters parameters;
        EXPECT_TRUE(company::loadCompanyParameters(folder.folder(), clock, parameters, r.messages).ok());
        EXPECT_TRUE(r.messages.messages().isEmpty()) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
        const DeclarationContext ctx { folder.folder(), clock, parameters, authorityProgram };
        DeclarationOutcome outcome = runDeclaration(in, ctx, r.messages);
        r.end = outcome.end;
        if (outcome.semester)
            r.result = *outcome.semester;
        return r;
    }

    QStringList txtFiles(const QString& dir) const
    {
        return QDir(dir).entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name);
    }

    TestFolder folder;
    FixedClock clock;
};

QString nativePath(const QString& p)
{
    return QDir::toNativeSeparators(p);
}

// A company with one customer whose code is rejected and one supplier that is accepted.
const QString RejectedCustomer
    = QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42';"
                     "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('C', '12345678901', 10, 2);"
                     "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('F', 'RO12', 10, 2)");

} // namespace

TEST(SemesterPasses, ScreeningTable)
{
    // For each pass: what a row with this stored code becomes. "-" skipped silently, "!" rejected
    // with a line in the error list, anything else the partner code.
    struct Case
    {
        const char* stored;
        const char* a;
        const char* b;
        const char* c;
        const char* d;
        const char* e;
        const char* f;
    } cases[] = {
        { "RO123", "123", "123", "123", "123", "123", "123" },
        { "ro123", "123", "123", "123", "123", "123", "123" },
        { "O123", "O123", "O123", "O123", "O123", "O123", "O123" },
        { " RO123", "RO123", "RO123", "RO123", "RO123", "RO123", "RO123" },
        { "RO12345678901", "!", "-", "-", "-", "-", "-" }, // 13 as stored
        { "1234567890123", "!", "-", "-", "-", "-", "-" }, // a personal numeric code
        { "12345678901", "!", "!", "-", "-", "!", "!" }, // 11 characters
        { "  1234567890123", "!", "!", "-", "-", "-", "-" }, // 13 once the spaces go
        { "RO1", "1", "1", "-", "1", "1", "1" }, // one character
        { "RO", "!", "!", "-", "", "", "" }, // empty once the prefix goes
        { "", "!", "!", "-", "", "", "" },
        { "RO1234567890", "1234567890", "1234567890", "1234567890", "1234567890", "1234567890", "1234567890" },
    };
    const SemesterPass passes[]
        = { SemesterPass::A, SemesterPass::B, SemesterPass::C, SemesterPass::D, SemesterPass::E, SemesterPass::F };
    for (const Case& c : cases) {
        const char* expected[] = { c.a, c.b, c.c, c.d, c.e, c.f };
        for (int i = 0; i < 6; ++i) {
            const SemesterPass pass = passes[i];
            QString errors;
            const auto code = screen(passRule(pass), passJournal(pass), Value("Partener"),
                                     Value(QString::fromUtf8(c.stored)), {}, &errors);
            const QString want = QString::fromUtf8(expected[i]);
            const QString got = code ? *code : (errors.isEmpty() ? QStringLiteral("-") : QStringLiteral("!"));
            EXPECT_EQ(got, want) << "code '" << c.stored << "' pass " << char('A' + i);
            if (!errors.isEmpty()) {
                EXPECT_EQ(
                    errors,
                    (passJournal(pass) == Journal::Sales ? QStringLiteral("Clientul") : QStringLiteral("Furnizorul"))
                        + QStringLiteral(" Partener are cod fiscal incorect\r\n"));
            }
        }
    }
}

TEST(SemesterPasses, ListingRejectsOnlyCodesAlreadyListed)
{
    const QSet<QString> listed { QStringLiteral("123"), QStringLiteral("2024") };
    const ScreeningRule a = passRule(SemesterPass::A);
    EXPECT_FALSE(screen(a, Journal::Sales, Value("X"), Value("RO123"), listed).has_value());
    EXPECT_EQ(screen(a, Journal::Sales, Value("X"), Value("12"), listed), QStringLiteral("12")); // inside "123"
    EXPECT_EQ(screen(a, Journal::Sales, Value("X"), Value("1234"), listed), QStringLiteral("1234"));
    EXPECT_EQ(screen(a, Journal::Sales, Value("X"), Value("RO14399840"), listed), QStringLiteral("14399840"));
}

TEST_F(Semester, DatesOfTheTwoSemesters)
{
    struct Case
    {
        const char* dataIn;
        const char* dataSn;
        int semester;
        QDate start, end;
        const char* an;
    } cases[] = {
        { "2024-01-01", "2024-12-31", 1, QDate(2024, 1, 1), QDate(2024, 7, 1), "2024" },
        { "2024-01-01", "2024-12-31", 2, QDate(2024, 6, 30), QDate(2024, 12, 31), "2024" },
        { "2023-07-01", "2024-06-30", 1, QDate(2023, 7, 1), QDate(2024, 1, 1), "2024" },
        { "2023-07-01", "2024-06-30", 2, QDate(2023, 12, 30), QDate(2024, 6, 30), "2024" },
        { "2023-08-31", "2024-08-31", 1, QDate(2023, 8, 31), QDate(2024, 2, 29), "2024" },
    };
    for (const Case& c : cases) {
        folder.exec(QStringLiteral("UPDATE Zet_Par SET DATAIN='%1', DATASN='%2'")
                        .arg(QLatin1String(c.dataIn), QLatin1String(c.dataSn)));
        DeclarationInputs in = inputs(c.semester, true);
        in.declarant.name.clear(); // stops at the checks: nothing else runs
        const SemesterRunOutput r = run(in);
        EXPECT_EQ(r.result.start, c.start) << c.dataIn << " S" << c.semester;
        EXPECT_EQ(r.result.end, c.end) << c.dataIn << " S" << c.semester;
        EXPECT_EQ(r.result.year, QLatin1String(c.an));
    }
}

TEST_F(Semester, ChecksInOrderStopTheRunWithNothingWritten)
{
    const QDate today = test::fixedNow().date();
    struct Case
    {
        QDate from, to;
        const char* nume;
        const char* prenume;
        const char* functie;
        const char* message;
    } cases[] = {
        { QDate(2024, 2, 1), QDate(2024, 1, 31), "", "", "",
          "Data de inceput trebuie sa fie mai mica ca cea de sfarsit sau ca cea prezenta" },
        { today.addDays(1), today.addDays(5), "N", " ", "F",
          "Data de inceput trebuie sa fie mai mica ca cea de sfarsit sau ca cea prezenta" },
        { today, today, "", "", "", "Va rog completati Nume Declarant" },
        { QDate(1999, 1, 1), QDate(1999, 12, 31), " ", "", "", "Va rog completati Prenume Declarant" },
        { QDate(1999, 1, 1), QDate(1999, 12, 31), "N", " ", "", "Va rog completati Functie Declarant" },
    };
    for (const Case& c : cases) {
        DeclarationInputs in = inputs(1, true);
        in.checkedFrom = c.from;
        in.checkedTo = c.to;
        in.declarant = { QString::fromUtf8(c.nume), QString::fromUtf8(c.prenume), QString::fromUtf8(c.functie) };
        const SemesterRunOutput r = run(in);
        ASSERT_EQ(r.messages.messages().size(), 1) << c.message;
        const Message& m = r.messages.messages().first();
        EXPECT_EQ(m.text, QString::fromUtf8(c.message));
        EXPECT_EQ(m.box, BoxKind::Standard);
        EXPECT_EQ(m.role, MessageRole::Check);
        EXPECT_EQ(r.end, DeclarationOutcome::End::Check);
        EXPECT_TRUE(r.result.declarationFile.isEmpty());
        EXPECT_TRUE(txtFiles(folder.path()).isEmpty());
    }
    // Spaces count as filled, and the designed pickers pass.
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42'"));
    DeclarationInputs in = inputs(1, true);
    in.declarant = { QStringLiteral("  "), QStringLiteral("  "), QStringLiteral("  ") };
    const SemesterRunOutput r = run(in);
    EXPECT_EQ(r.end, DeclarationOutcome::End::Written) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Semester, GoldenReportRun)
{
    fillFixture(folder);
    const SemesterRunOutput r = run(inputs(1, true));
    ASSERT_EQ(r.end, DeclarationOutcome::End::Written) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
    const QString file = folder.file(QStringLiteral("394_S124_J14399840.txt"));
    const QString errors = folder.file(QStringLiteral("D394_Erori.txt"));
    EXPECT_EQ(r.messages.texts(),
              (QStringList { QStringLiteral("Fisierul ") + nativePath(file) + QStringLiteral(" a fost generat. "),
                             QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati "
                                            "fisierul ")
                                 + nativePath(errors) + QLatin1Char(' ') }));
    // The window offers to open the report's folder and the error list.
    ASSERT_EQ(r.messages.messages().size(), 2);
    EXPECT_EQ(r.messages.messages()[0].opens, Opens::Folder);
    EXPECT_EQ(r.messages.messages()[0].openPath, folder.path());
    EXPECT_EQ(r.messages.messages()[1].opens, Opens::ErrorList);
    EXPECT_EQ(r.messages.messages()[1].openPath, errors);
    EXPECT_EQ(r.result.declarationFile, file);
    expectGolden(file, QStringLiteral("report-S1.txt"));
    expectGolden(errors, QStringLiteral("report-S1-errors.txt"));
    EXPECT_EQ(txtFiles(folder.path()),
              (QStringList { QStringLiteral("394_S124_J14399840.txt"), QStringLiteral("D394_Erori.txt") }));

    // The totals add whole-number addends; the summary prints them.
    ASSERT_TRUE(r.result.summary.has_value());
    EXPECT_EQ(r.result.summary->nrTerti, text::groupDigits(r.result.totals.NRTERTI));
    EXPECT_EQ(r.result.summary->anul, QStringLiteral("2024"));
    EXPECT_EQ(r.result.summary->sem, QStringLiteral("1"));
}

TEST_F(Semester, GoldenRestoreRun)
{
    fillFixture(folder);
    const SemesterRunOutput r = run(inputs(2, false));
    ASSERT_EQ(r.end, DeclarationOutcome::End::Written) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
    const QString file = folder.file(QStringLiteral("D394_2024S2_14399840.txt"));
    EXPECT_EQ(r.messages.texts().value(0),
              QStringLiteral("Fisierul ") + nativePath(file) + QStringLiteral(" a fost generat. "));
    expectGolden(file, QStringLiteral("restore-S2.txt"));
    expectGolden(folder.file(QStringLiteral("D394_Erori.txt")), QStringLiteral("restore-S2-errors.txt"));
    EXPECT_EQ(r.result.summary->sem, QStringLiteral("2"));
    EXPECT_EQ(r.result.summary->anul, QStringLiteral("2024"));
    // The restore text carries no totals: only the summary shows them. Suppliers (pass C) add to the
    // purchases, customers (pass D) to the sales, each addend rounded to a whole number.
    EXPECT_EQ(r.result.totals, (SemesterTotals { 12, 217, 39, 144, 31 }));
    EXPECT_EQ(r.result.summary->bazaA, QStringLiteral("144"));
    EXPECT_EQ(r.result.summary->tvaA, QStringLiteral("31"));
}

TEST_F(Semester, AmountPassesReadTheirJournalColumnsLineByLine)
{
    // Lines with no VAT take no part, even when their partner has other lines; TOTAL is never
    // read; a sale whose only amount is COL10 is not in the semester declaration.
    folder.exec(QStringLiteral(
        "UPDATE Zet_Info SET CODFISCAL='RO42';"
        "INSERT INTO zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7, COL8, COL9, COL10) VALUES "
        "('S6', 'RO61', 1000, 100, 24, 0, 0, 0), ('S6', 'RO61', 1000, 7, 0, 0, 0, 0),"
        "('S8', 'RO81', 1000, 0, 0, 10, 2, 0), ('S10', 'RO101', 62, 0, 0, 0, 0, 50);"
        "INSERT INTO zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7, COL8, COL9, COL10, COL11, COL12, COL13, COL14, "
        "COL15, COL16, COL17) VALUES "
        "('P12', 'RO12', 1000, 0, 0, 0, 0, 0, 0, 10, 2, 0, 0, 0, 0),"
        "('P14', 'RO14', 1000, 0, 0, 0, 0, 0, 0, 0, 0, 20, 4, 0, 0),"
        "('P14', 'RO14', 1000, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),"
        "('P16', 'RO16', 62, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 50, 12)"));
    const SemesterRunOutput restore = run(inputs(1, false));
    ASSERT_EQ(restore.end, DeclarationOutcome::End::Written)
        << restore.messages.texts().join(QLatin1Char('\n')).toStdString();
    const QByteArray restoreText = readFile(restore.result.declarationFile);
    EXPECT_TRUE(restoreText.endsWith("61,#S6#\r\n81,#S8#\r\n12,#P12#\r\n14,#P14#\r\nSTOP1\r\n"
                                     "12, 12, 10, 2\r\n14, 24, 20, 4\r\nSTOP2\r\n"
                                     "61, 124, 100, 24\r\n81, 12, 10, 2\r\n"))
        << restoreText.constData();
    EXPECT_EQ(restore.result.totals, (SemesterTotals { 4, 110, 26, 30, 6 }));

    const SemesterRunOutput report = run(inputs(1, true));
    const QByteArray reportText = readFile(report.result.declarationFile);
    EXPECT_TRUE(reportText.endsWith(",##,##,##,##,##, 4, 110, 26, 30, 6\r\n#L#,61,#S6#, 100, 24\r\n"
                                    "#L#,81,#S8#, 10, 2\r\n#A#,12,#P12#, 10, 2\r\n#A#,14,#P14#, 20, 4\r\n"))
        << reportText.constData();
}

TEST_F(Semester, NoJournalRowsGivesCompleteTexts)
{
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42'"));
    const QString id = QStringLiteral("# #,#            #,# #,# #,# #,");
    {
        const SemesterRunOutput r = run(inputs(1, true));
        EXPECT_EQ(
            r.messages.texts(),
            (QStringList { QStringLiteral("Va rog listati Jurnalul de cumparari cu TVA pe un semestru"),
                           QStringLiteral("Fisierul ") + nativePath(folder.file(QStringLiteral("394_S124_J42.txt")))
                               + QStringLiteral(" a fost generat. "),
                           QStringLiteral("Declaratia s-a generat fara erori.") }));
        EXPECT_EQ(readFile(folder.file(QStringLiteral("394_S124_J42.txt"))),
                  (QStringLiteral("394,42,#S1#,2024,") + id + QStringLiteral(",##,##,##,##,##, 0, 0, 0, 0, 0\r\n"))
                      .toLatin1());
        EXPECT_EQ(r.result.totals, SemesterTotals {});
        EXPECT_EQ(r.end, DeclarationOutcome::End::Written);
    }
    {
        const SemesterRunOutput r = run(inputs(1, false));
        EXPECT_EQ(readFile(folder.file(QStringLiteral("D394_2024S1_42.txt"))),
                  (QStringLiteral(" 1\r\n2024,#S1#,##,##,42,") + id
                   + QStringLiteral("##,##,##,,##,##,##,##,##\r\nSTOP1\r\nSTOP2\r\n"))
                      .toLatin1());
    }
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("D394_Erori.txt"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("D394_Erori_detalii.csv"))));
}

// Beside the error list, whose text stays as designed, a table names each rejected partner with
// its code as stored and the reason, in the list's order.
TEST_F(Semester, ErrorDetailsBesideTheErrorList)
{
    fillFixture(folder);
    const SemesterRunOutput r = run(inputs(1, true));
    ASSERT_EQ(r.end, DeclarationOutcome::End::Written) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(readFile(folder.file(QStringLiteral("D394_Erori_detalii.csv"))),
              QByteArray("\xEF\xBB\xBFJurnal;Denumire;Cod fiscal;Motiv\r\n"
                         "Vanzari;Lung Doi;12345678901;cod fiscal mai lung de 10 caractere\r\n"
                         "Vanzari;Lung SRL;RO12345678901;cod fiscal mai lung de 10 caractere\r\n"
                         "Vanzari;Prefix Gol;RO;cod fiscal gol\r\n"
                         "Cumparari;Beta SA;456;cod fiscal deja declarat in aceasta declaratie\r\n"
                         "Vanzari;Lung Doi;12345678901;cod fiscal mai lung de 10 caractere\r\n"));
    expectGolden(folder.file(QStringLiteral("D394_Erori.txt")), QStringLiteral("report-S1-errors.txt"));
}

TEST_F(Semester, IdentityFieldsStoredAsEmptyTextTakeTheirDefaults)
{
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42', DENUMIRE='', JUDET1='', BLOC1='', "
                               "AP1='3', TELEFON1='', EMAIL1=''"));
    const SemesterRunOutput r = run(inputs(1, false));
    ASSERT_EQ(r.end, DeclarationOutcome::End::Written) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
    const QByteArray text = readFile(folder.file(QStringLiteral("D394_2024S1_42.txt")));
    EXPECT_TRUE(text.contains("2024,#S1#,##,##,42,# #,#           3#,# #,# #,# #,##,")) << text.constData();
}

TEST_F(Semester, ErrorListOnlyWhenAPartnerWasRejected)
{
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42';"
                               "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('F', 'RO12', 10, 2)"));
    QFile old(folder.file(QStringLiteral("D394_Erori.txt")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older list\r\n");
    old.close();
    const SemesterRunOutput r = run(inputs(1, true));
    EXPECT_EQ(r.messages.texts().last(), QStringLiteral("Declaratia s-a generat fara erori."));
    EXPECT_EQ(readFile(old.fileName()), QByteArray("older list\r\n"));
    EXPECT_TRUE(r.result.errorListFile.isEmpty());
}

TEST_F(Semester, BadCompanyRows)
{
    struct Case
    {
        const char* sql;
        const char* message;
    } cases[] = {
        { "UPDATE Zet_Info SET CODFISCAL=NULL",
          "Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete." },
        { "DELETE FROM Zet_Info",
          "Eroare 3021 - Tabela Zet_Info nu are nicio inregistrare. in procedura cmdCalcul_Click din Form "
          "frmRapDec394 Linia: 34" },
        { "UPDATE Zet_Info SET CODFISCAL='RO../../x'",
          "Eroare 75 - Codul fiscal ../../x nu poate face parte din numele unui fisier. in procedura cmdCalcul_Click "
          "din Form frmRapDec394 Linia: 35" },
    };
    for (const Case& c : cases) {
        TestFolder fresh;
        fresh.exec(QString::fromUtf8(c.sql));
        fresh.exec(QStringLiteral("INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('C', 'RO12', 10, 2)"));
        MessageList messages;
        company::CompanyParameters parameters;
        parameters.DataIN = 45292; // 2024-01-01
        parameters.DataSN = 45657; // 2024-12-31
        const DeclarationContext ctx { fresh.folder(), clock, parameters, {} };
        const auto outcome = runDeclaration(inputs(1, true), ctx, messages);
        EXPECT_EQ(messages.texts(), QStringList { QString::fromUtf8(c.message) });
        EXPECT_EQ(outcome.end, DeclarationOutcome::End::Failure);
        EXPECT_TRUE(txtFiles(fresh.path()).isEmpty());
    }
}

TEST(SemesterFolders, AuthorityProgramDecidesWhereTheDeclarationGoes)
{
    QTemporaryDir home;
    const ProgramFolder folder(home.filePath(QStringLiteral("Orvida")));
    const QString program = home.filePath(QStringLiteral("wine/drive_c/Program Files/D394/D394.exe"));

    SemesterFolders absent = semesterFolders(folder, program);
    EXPECT_EQ(absent.report, folder.path() + QLatin1Char('/'));
    EXPECT_EQ(absent.restore, folder.path() + QLatin1Char('/'));
    EXPECT_EQ(absent.errorList, folder.file(QStringLiteral("D394_Erori.txt")));

    QDir().mkpath(QFileInfo(program).absolutePath());
    QFile exe(program);
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    SemesterFolders present = semesterFolders(folder, program);
    EXPECT_EQ(present.report, QFileInfo(program).absolutePath() + QStringLiteral("/394_UF/"));
    EXPECT_EQ(present.restore, QFileInfo(program).absolutePath() + QStringLiteral("/394/"));
    EXPECT_EQ(present.errorList, folder.file(QStringLiteral("D394_Erori.txt")));

    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), QStringLiteral("/home/contabil"));
    EXPECT_EQ(defaultAuthorityProgram(env), QStringLiteral("/home/contabil/.wine/drive_c/Program Files/D394/D394.exe"));
    env.insert(QStringLiteral("WINEPREFIX"), QStringLiteral("/opt/wine-d394/"));
    EXPECT_EQ(defaultAuthorityProgram(env), QStringLiteral("/opt/wine-d394/drive_c/Program Files/D394/D394.exe"));

    EXPECT_EQ(reportFileName(1, QDate(2011, 1, 1), QStringLiteral("123")), QStringLiteral("394_S111_J123.txt"));
    EXPECT_EQ(reportFileName(2, QDate(2010, 12, 31), QStringLiteral("123")), QStringLiteral("394_S210_J123.txt"));
    EXPECT_EQ(restoreFileName(2, QStringLiteral("2011"), QStringLiteral("123")), QStringLiteral("D394_2011S2_123.txt"));
}

TEST_F(Semester, FilesGoToTheAuthorityProgramsFolders)
{
    folder.exec(RejectedCustomer);
    QTemporaryDir wine;
    const QString installed = wine.filePath(QStringLiteral("drive_c/Program Files/D394"));
    ASSERT_TRUE(QDir().mkpath(installed + QStringLiteral("/394_UF")));
    ASSERT_TRUE(QDir().mkpath(installed + QStringLiteral("/394")));
    QFile exe(installed + QStringLiteral("/D394.exe"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();

    const SemesterRunOutput report = run(inputs(1, true), exe.fileName());
    EXPECT_EQ(report.result.declarationFile, installed + QStringLiteral("/394_UF/394_S124_J42.txt"));
    EXPECT_TRUE(QFile::exists(report.result.declarationFile));
    const SemesterRunOutput restore = run(inputs(1, false), exe.fileName());
    EXPECT_EQ(restore.result.declarationFile, installed + QStringLiteral("/394/D394_2024S1_42.txt"));
    EXPECT_TRUE(QFile::exists(restore.result.declarationFile));
    // The error list stays in the program folder, and nothing else lands there.
    EXPECT_EQ(txtFiles(folder.path()), QStringList { QStringLiteral("D394_Erori.txt") });
}

TEST_F(Semester, AuthorityProgramWithoutItsReportFolderStopsTheRun)
{
    folder.exec(RejectedCustomer);
    QTemporaryDir wine;
    QFile exe(wine.filePath(QStringLiteral("D394.exe")));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    const SemesterRunOutput r = run(inputs(1, true), exe.fileName());
    ASSERT_EQ(r.messages.messages().size(), 1);
    EXPECT_EQ(r.messages.messages().first().role, MessageRole::Failure);
    EXPECT_TRUE(r.messages.texts().first().startsWith(QStringLiteral("Eroare 75 - ")));
    EXPECT_TRUE(r.messages.texts().first().endsWith(QStringLiteral(" Linia: 46")));
    EXPECT_EQ(r.end, DeclarationOutcome::End::Failure);
    EXPECT_FALSE(r.result.summary.has_value());
    EXPECT_TRUE(txtFiles(folder.path()).isEmpty()); // no error list after the failure
}

TEST_F(Semester, FailedErrorListKeepsTheDeclarationFileAndStops)
{
    folder.exec(RejectedCustomer);
    // A folder where the error list should be: it cannot be written, even by the superuser.
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("D394_Erori.txt"))));
    const SemesterRunOutput r = run(inputs(1, true));
    ASSERT_EQ(r.messages.messages().size(), 2) << r.messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(r.messages.texts()[0].startsWith(QStringLiteral("Fisierul ")));
    EXPECT_TRUE(r.messages.texts()[1].endsWith(QStringLiteral(" Linia: 49")));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("394_S124_J42.txt"))));
    EXPECT_FALSE(r.result.summary.has_value());
}

TEST_F(Semester, ReadOnlyProgramFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL='RO42'"));
    const QFile::Permissions before = QFile::permissions(folder.path());
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const SemesterRunOutput r = run(inputs(1, true));
    QFile::setPermissions(folder.path(), before);
    ASSERT_FALSE(r.messages.messages().isEmpty());
    EXPECT_EQ(r.messages.messages().last().role, MessageRole::Failure);
    EXPECT_EQ(r.end, DeclarationOutcome::End::Failure);
}

TEST_F(Semester, NoValueChangesTheTextFilesRecords)
{
    folder.exec(QStringLiteral(
        "UPDATE Zet_Info SET CODFISCAL = 'RO14399840', DENUMIRE = 'Soc#1' || char(10) || 'SRL', JUDET1 = 'B', "
        "ORAS1 = 'Bucuresti', STRADA1 = 'Str. #2, bl.', NR1 = '15', AP1 = '7', EMAIL1 = 'a#b';"
        "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES "
        "('X' || char(13) || char(10) || '#A#,2816464,#Fals#, 9, 99999, 9', 'RO2816465', 100, 19),"
        "('Hash#Name, Comma', '12,3#4', 10, 2);"
        "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Rau#1', '12345678901', 50, 10)"));
    const QString forged = QStringLiteral("X   A ,2816464, Fals , 9, 99999, 9");
    const QStringList id { "Soc 1 SRL", "B Bucuresti Str.  2, bl. 15    7", " ", " ", "a b" };

    const SemesterRunOutput report = run(inputs(1, true));
    ASSERT_EQ(report.end, DeclarationOutcome::End::Written) << report.messages.texts().join('|').toStdString();
    auto records = test::textRecords(readFile(report.result.declarationFile));
    ASSERT_EQ(records.size(), 3); // the identification line and the two suppliers
    for (const auto& r : records)
        ASSERT_TRUE(r.has_value());
    EXPECT_EQ(records[0]->mid(4, 5), id);
    EXPECT_EQ(*records[1], (QStringList { "A", "12 3 4", "Hash Name, Comma", " 10", " 2" }));
    EXPECT_EQ(*records[2], (QStringList { "A", "2816465", forged, " 100", " 19" }));
    // The error list keeps the name as stored.
    EXPECT_TRUE(readFile(report.result.errorListFile).contains("Clientul Rau#1 are cod fiscal incorect"));

    const SemesterRunOutput restore = run(inputs(1, false));
    ASSERT_EQ(restore.end, DeclarationOutcome::End::Written) << restore.messages.texts().join('|').toStdString();
    records = test::textRecords(readFile(restore.result.declarationFile));
    QStringList lines;
    for (const auto& r : records) {
        ASSERT_TRUE(r.has_value());
        lines << r->join(QLatin1Char('|'));
    }
    EXPECT_EQ(lines.size(), 8) << lines.join('\n').toStdString();
    EXPECT_EQ(records[1]->mid(5, 5), id);
    EXPECT_EQ(lines.mid(2),
              (QStringList { QStringLiteral("12 3 4|Hash Name, Comma"), QStringLiteral("2816465|") + forged,
                             QStringLiteral("STOP1"), QStringLiteral("12 3 4| 12| 10| 2"),
                             QStringLiteral("2816465| 119| 100| 19"), QStringLiteral("STOP2") }));
}

TEST_F(Semester, ATotalThatIsNotFiniteStopsTheRunBeforeAnyFile)
{
    struct Case
    {
        const char* name;
        const char* sql;
        bool report;
        int label;
    } cases[] = {
        { "an infinite amount, report", "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES ('F', '123', 9e999, 1)",
          true, 43 },
        { "base and VAT that overflow together, restore",
          "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES ('F', '123', 1e308, 1e308)", false, 40 },
        { "totals that overflow, report",
          "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('A', '123', 1e308, 1), ('B', '124', 1e308, 1);"
          "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES ('F', '125', 1, 1)",
          true, 44 },
    };
    for (const Case& c : cases) {
        TestFolder fresh;
        fresh.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO14399840'"));
        fresh.exec(QString::fromUtf8(c.sql));
        MessageList messages;
        company::CompanyParameters parameters;
        parameters.DataIN = 45292; // 2024-01-01
        parameters.DataSN = 45657; // 2024-12-31
        const auto outcome = runDeclaration(inputs(1, c.report),
                                            DeclarationContext { fresh.folder(), clock, parameters, {} }, messages);
        EXPECT_EQ(outcome.end, DeclarationOutcome::End::Failure) << c.name;
        ASSERT_EQ(messages.messages().size(), 1) << c.name << ": " << messages.texts().join('|').toStdString();
        const QString text = messages.texts().first();
        EXPECT_TRUE(text.startsWith(QStringLiteral("Eroare 6 - "))) << text.toStdString();
        EXPECT_TRUE(text.endsWith(QStringLiteral(" Linia: %1").arg(c.label))) << text.toStdString();
        EXPECT_TRUE(txtFiles(fresh.path()).isEmpty()) << c.name;
    }
}
