#include "TextRecords.h"
#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/D394Document.h"
#include "declaration/DeclarationRun.h"
#include "declaration/NumberText.h"
#include "declaration/SaveFile.h"
#include "support/FailDevice.h"
#include "support/TestFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::declaration;
using orvida::test::readFile;
using orvida::test::TestFolder;

namespace {

QString fixtureSql()
{
    QFile f(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

DeclarationInputs inputs2024()
{
    DeclarationInputs in;
    in.declarant.name = QStringLiteral("Pop");
    in.declarant.function = QStringLiteral("Administrator");
    in.from = QDate(2024, 1, 1);
    in.to = QDate(2024, 12, 31);
    return in;
}

struct Fixture
{
    TestFolder folder;
    FixedClock clock { test::fixedNow() };
    MessageList messages;

    Fixture(bool withJournals = true)
    {
        if (withJournals)
            folder.exec(fixtureSql());
    }
    DeclarationOutcome run(const DeclarationInputs& in)
    {
        return runDeclaration(in, DeclarationContext { folder.folder(), clock, company::CompanyParameters {}, {} },
                              messages);
    }
    QString finalFolder() const { return folder.file(QStringLiteral("D394/14399840")); }
    QStringList filesUnder(const QString& relative) const
    {
        QStringList out;
        const QDir dir(folder.file(relative));
        for (const QString& f : dir.entryList(QDir::Files))
            out << f;
        return out;
    }
};

const char* const ExpectedText2013 = "394,12,2024,#A#,#Pop#,# #,#Administrator#,14399840,#Exemplu \"Ş&Ţ\" <SRL>#,"
                                     "#B Bucureşti Str. Mărului #,# #,# #,#office@exemplu.ro#\r\n"
                                     "#A#,4444,##, 1, 100, 19\r\n"
                                     "#A#,1234567890,#Alfa & Co#, 1, 100, 19\r\n"
                                     "#A#,1234567890,#Alfa & Co#, 2, 2000, 380\r\n"
                                     "#A#,98765432,#Beta, \"SRL\"  1#, 1, 1250.46, 100.12\r\n"
                                     "#C#,555,#Gama Invers#, 2, 600, 114\r\n"
                                     "#A#,2222,#Retur <Delta>#, 1,-12.5,-2.38\r\n"
                                     "#A#,RO123,#Ştefan Ţurcanu <ş ţ>#, 1, 10, .9\r\n"
                                     "#L#,O12345678,#Client Mic#, 1, .5, .25\r\n"
                                     "#L#,,#Client RO#, 1, 10, 1.9\r\n"
                                     "#V#,22222222,#Client Taxare#, 1, 500, 100\r\n"
                                     "#L#,11111111,#Client Unu#, 1, 1000, 190\r\n";

} // namespace

TEST(DeclarationRun, WritesBothFilesAndReportsThemInOrder)
{
    Fixture fx;
    const DeclarationOutcome out = fx.run(inputs2024());
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written) << fx.messages.texts().join(QLatin1Char('\n')).toStdString();

    const QString shown = QDir::toNativeSeparators(fx.finalFolder());
    EXPECT_EQ(
        fx.messages.messages(),
        (QList<Message> {
            Message::info(QStringLiteral("Fisierul D394.xml a fost generat in catalogul ") + shown + QLatin1Char('.'))
                .opening(Opens::Folder, fx.finalFolder()),
            Message::info(QStringLiteral("Fisierul D394.txt a fost generat in catalogul ") + shown + QLatin1Char('.'))
                .opening(Opens::Folder, fx.finalFolder()) }));
    EXPECT_EQ(out.xmlFile, fx.finalFolder() + QStringLiteral("/D394_15.03.2024 - 10.20.30.xml"));
    EXPECT_EQ(out.textFile, fx.finalFolder() + QStringLiteral("/D394_15.03.2024 - 10.20.30.txt"));

    const QByteArray bytes = readFile(out.textFile);
    EXPECT_EQ(bytes, text::toCp1250(QString::fromUtf8(ExpectedText2013)));
    // Romanian letters with the comma below are written with the cedilla the code page has.
    EXPECT_TRUE(bytes.contains("\xAA"
                               "tefan \xDE"
                               "urcanu <\xBA \xFE>"));
}

TEST(DeclarationRun, XmlReadsBackWithTheStoredNamesInTheDeclarationNamespace)
{
    Fixture fx;
    const DeclarationOutcome out = fx.run(inputs2024());
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written);
    const QByteArray xml = readFile(out.xmlFile);
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\"?><declaratie394 luna=\"12\" an=\"2024\" tip_D394=\"A\" "));
    EXPECT_FALSE(xml.contains('\n'));
    EXPECT_FALSE(xml.contains("encoding"));

    QXmlStreamReader r(xml);
    QStringList names, tips, counts;
    QString adresa, den, fax;
    while (r.readNextStartElement()) {
        EXPECT_EQ(r.namespaceUri().toString(), QStringLiteral("mfp:anaf:dgti:d394:declaratie:v1"));
        const auto a = r.attributes();
        if (r.name() == QLatin1String("identificare")) {
            adresa = a.value(QStringLiteral("adresa")).toString();
            den = a.value(QStringLiteral("den")).toString();
            fax = a.value(QStringLiteral("fax")).toString();
        } else if (r.name() == QLatin1String("op1")) {
            names << a.value(QStringLiteral("denP")).toString();
            tips << a.value(QStringLiteral("tip")).toString();
            counts << a.value(QStringLiteral("nrFact")).toString();
        }
        if (r.name() != QLatin1String("declaratie394"))
            r.skipCurrentElement();
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    EXPECT_EQ(den, QStringLiteral("Exemplu \"Ş&Ţ\" <SRL>"));
    EXPECT_EQ(adresa, QStringLiteral("B Bucureşti Str. Mărului 5    7")); // Bloc1 missing: two spaces
    EXPECT_EQ(fax, QStringLiteral(" ")); // stored as an empty text
    EXPECT_EQ(names,
              (QStringList { QString(), QStringLiteral("Alfa & Co"), QStringLiteral("Alfa & Co"),
                             QStringLiteral("Beta, \"SRL\" #1"), QStringLiteral("Gama Invers"),
                             QStringLiteral("Retur <Delta>"), QStringLiteral("Ștefan Țurcanu <ș ț>"),
                             QStringLiteral("Client Mic"), QStringLiteral("Client RO"), QStringLiteral("Client Taxare"),
                             QStringLiteral("Client Unu") }));
    EXPECT_EQ(tips.join(QString()), QStringLiteral("AAAACAALLVL"));
    EXPECT_EQ(counts.first(), QStringLiteral(" 1"));
}

TEST(DeclarationRun, Variant2012HasNoCountsAndNoReverseChargeLetters)
{
    Fixture fx;
    DeclarationInputs in = inputs2024();
    in.variant2013 = false;
    const DeclarationOutcome out = fx.run(in);
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written);
    const QString text = text::fromCp1250(readFile(out.textFile));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n#A#,555,#Gama Invers#, 600, 114\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n#L#,22222222,#Client Taxare#, 500, 100\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("#C#")));
    EXPECT_FALSE(text.contains(QStringLiteral("#V#")));
    const QByteArray xml = readFile(out.xmlFile);
    EXPECT_FALSE(xml.contains("nrFact"));
    EXPECT_TRUE(xml.contains("<op1 tip=\"C\" cuiP=\"555\" denP=\"Gama Invers\" baza=\" 600\" tva=\" 114\"/>"));
}

TEST(DeclarationRun, InputChecksInOrder)
{
    struct Case
    {
        QDate from, to;
        const char* nume;
        const char* prenume;
        const char* functie;
        const char* message;
    } cases[] = {
        { { 2024, 5, 1 }, { 2024, 4, 30 }, "", "", "", "Data de inceput trebuie sa fie mai mica ca cea de sfarsit" },
        { { 2011, 12, 1 }, { 2012, 1, 31 }, "", "", "", "Data de inceput trebuie sa fie mai mare de 2012" },
        { { 2012, 1, 1 }, { 2012, 1, 31 }, "", "", "", "Va rog completati Nume declarant" },
        { { 2012, 1, 1 }, { 2012, 1, 1 }, " ", "", "", "Va rog completati Prenume declarant" },
        { { 2012, 1, 1 }, { 2012, 1, 1 }, " ", " ", "", "Va rog completati Functie declarant" },
    };
    for (const Case& c : cases) {
        Fixture fx;
        DeclarationInputs in;
        in.from = c.from;
        in.to = c.to;
        in.declarant = { QString::fromUtf8(c.nume), QString::fromUtf8(c.prenume), QString::fromUtf8(c.functie) };
        const DeclarationOutcome out = fx.run(in);
        EXPECT_EQ(out.end, DeclarationOutcome::End::Check) << c.message;
        ASSERT_EQ(fx.messages.messages().size(), 1) << c.message;
        const Message& m = fx.messages.messages().first();
        EXPECT_EQ(m.text, QString::fromUtf8(c.message));
        EXPECT_EQ(m.role, MessageRole::Check);
        EXPECT_EQ(m.box, BoxKind::Standard);
        // The base folder is made before the checks; nothing else is.
        EXPECT_TRUE(QDir(fx.folder.file(QStringLiteral("D394"))).exists()) << c.message;
        EXPECT_TRUE(QDir(fx.folder.file(QStringLiteral("D394"))).isEmpty()) << c.message;
    }

    // Texts of spaces pass, and a single-day period is a month.
    Fixture fx;
    DeclarationInputs in;
    in.declarant = { QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ") };
    in.from = in.to = QDate(2012, 1, 1);
    EXPECT_EQ(fx.run(in).end, DeclarationOutcome::End::Written)
        << fx.messages.texts().join(QLatin1Char('\n')).toStdString();
}

TEST(DeclarationRun, PeriodCodes)
{
    struct Case
    {
        QDate from, to;
        const char *luna, *an, *tip;
    } cases[] = {
        { { 2024, 3, 1 }, { 2024, 3, 31 }, "03", "2024", "L" },
        { { 2024, 3, 5 }, { 2024, 3, 5 }, "03", "2024", "L" },
        { { 2024, 1, 1 }, { 2024, 3, 31 }, "03", "2024", "T" },
        { { 2024, 7, 1 }, { 2024, 12, 31 }, "12", "2024", "S" },
        { { 2024, 1, 1 }, { 2024, 12, 31 }, "12", "2024", "A" },
        { { 2024, 1, 1 }, { 2024, 2, 29 }, "02", "2024", "" }, // two months: no type
        { { 2012, 12, 1 }, { 2013, 2, 28 }, "02", "2013", "" }, // years are ignored in the count
        { { 2023, 10, 1 }, { 2024, 9, 30 }, "09", "2024", "" },
        { { 2023, 3, 1 }, { 2024, 3, 31 }, "03", "2024", "L" },
    };
    for (const Case& c : cases) {
        const PeriodCodes p = periodCodes(c.from, c.to);
        EXPECT_EQ(p.luna, QString::fromUtf8(c.luna)) << c.from.toString().toStdString();
        EXPECT_EQ(p.an, QString::fromUtf8(c.an)) << c.from.toString().toStdString();
        EXPECT_EQ(p.tip_D394, QString::fromUtf8(c.tip)) << c.from.toString().toStdString();
    }
}

TEST(DeclarationRun, CompanyCode)
{
    struct Case
    {
        const char* stored;
        const char* code;
    } cases[] = {
        { "RO14399840", "14399840" },
        { "14399840", "14399840" },
        { "RO 123", "123" },
        { "ro123", "123" },
        { "Ro  123", "123" },
        { " RO123 ", "123" },
        { "RO", "" },
        { "  ro  ", "" },
        { "R", "R" },
        { "xx9", "xx9" },
        { "123RO", "123RO" },
        { "ROMANIA", "MANIA" },
        { "", "" },
        { "RO 1 2", "1 2" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(companyCode(QString::fromUtf8(c.stored)), QString::fromUtf8(c.code)) << c.stored;
}

TEST(DeclarationRun, ACodeWithoutThePrefixIsUsedWholeInBothDeclarations)
{
    Fixture fx;
    fx.folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = ' 14399840 '"));
    const DeclarationOutcome out = fx.run(inputs2024());
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written);
    EXPECT_TRUE(out.xmlFile.startsWith(fx.finalFolder() + QLatin1Char('/')));
    EXPECT_TRUE(readFile(out.xmlFile).contains("<identificare cui=\"14399840\""));
    EXPECT_TRUE(readFile(out.textFile).contains(",#Administrator#,14399840,#"));

    DeclarationInputs in = inputs2024();
    in.rules2012 = false;
    company::CompanyParameters parameters;
    parameters.DataIN = 45292; // 2024-01-01
    parameters.DataSN = 45657; // 2024-12-31
    MessageList messages;
    const DeclarationOutcome semester
        = runDeclaration(in, DeclarationContext { fx.folder.folder(), fx.clock, parameters, {} }, messages);
    ASSERT_EQ(semester.end, DeclarationOutcome::End::Written) << messages.texts().join('|').toStdString();
    EXPECT_EQ(semester.semester->declarationFile, fx.folder.file(QStringLiteral("394_S124_J14399840.txt")));
    EXPECT_TRUE(readFile(semester.semester->declarationFile).startsWith("394,14399840,#S1#,2024,#"));
}

TEST(DeclarationRun, ShortCompanyCodeWritesIntoTheBaseFolder)
{
    Fixture fx(false);
    fx.folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO'"));
    const DeclarationOutcome out = fx.run(inputs2024());
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written);
    EXPECT_EQ(fx.filesUnder(QStringLiteral("D394")),
              (QStringList { QStringLiteral("D394_15.03.2024 - 10.20.30.txt"),
                             QStringLiteral("D394_15.03.2024 - 10.20.30.xml") }));
    // No partners: the header line alone, every identity field at its default.
    EXPECT_EQ(readFile(out.textFile),
              QByteArray("394,12,2024,#A#,#Pop#,# #,#Administrator#,,# #,#      #,# #,# #,# #\r\n"));
    EXPECT_TRUE(
        readFile(out.xmlFile)
            .endsWith("<identificare cui=\"\" den=\" \" adresa=\"            \" telefon=\" \" fax=\" \" mail=\" \" "
                      "totalPlata_A=\"0\"/><rezumat nrCui=\"0\" bazaL=\"0\" tvaL=\"0\" bazaA=\"0\" tvaA=\"0\" "
                      "bazaV=\"0\" tvaV=\"0\" "
                      "bazaVc=\"0\" tvaVc=\"0\" bazaC=\"0\" tvaC=\"0\" bazaCc=\"0\" tvaCc=\"0\"/></declaratie394>"));
}

TEST(DeclarationRun, RunsInTheSameSecondKeepEveryEarlierFile)
{
    Fixture fx;
    const DeclarationOutcome first = fx.run(inputs2024());
    ASSERT_EQ(first.end, DeclarationOutcome::End::Written);
    const QByteArray firstText = readFile(first.textFile);
    const QByteArray firstXml = readFile(first.xmlFile);
    fx.folder.exec(QStringLiteral("DELETE FROM zet_jvt_UE"));
    const DeclarationOutcome second = fx.run(inputs2024());
    ASSERT_EQ(second.end, DeclarationOutcome::End::Written);
    const DeclarationOutcome third = fx.run(inputs2024());
    ASSERT_EQ(third.end, DeclarationOutcome::End::Written);

    const QString stem = fx.finalFolder() + QStringLiteral("/D394_15.03.2024 - 10.20.30");
    EXPECT_EQ(second.xmlFile, stem + QStringLiteral(" (2).xml"));
    EXPECT_EQ(second.textFile, stem + QStringLiteral(" (2).txt"));
    EXPECT_EQ(third.xmlFile, stem + QStringLiteral(" (3).xml"));
    EXPECT_EQ(third.textFile, stem + QStringLiteral(" (3).txt"));
    EXPECT_EQ(fx.filesUnder(QStringLiteral("D394/14399840")).size(), 6);
    EXPECT_EQ(readFile(first.textFile), firstText);
    EXPECT_EQ(readFile(first.xmlFile), firstXml);
    EXPECT_FALSE(readFile(second.textFile).contains("Client"));
    // The messages name the folder, as designed, whatever name the files took.
    const QString shown = QDir::toNativeSeparators(fx.finalFolder());
    EXPECT_EQ(
        fx.messages.texts().mid(4),
        (QStringList { QStringLiteral("Fisierul D394.xml a fost generat in catalogul ") + shown + QLatin1Char('.'),
                       QStringLiteral("Fisierul D394.txt a fost generat in catalogul ") + shown + QLatin1Char('.') }));
}

TEST(DeclarationRun, BothFilesOfARunShareOneStampAndTheFirstNameFreeForBoth)
{
    // A clock that moves on a second each time it is read: one reading serves the run.
    class SteppingClock : public Clock
    {
    public:
        QDateTime now() const override { return test::fixedNow().addSecs(m_reads++); }

    private:
        mutable int m_reads = 0;
    };
    struct Case
    {
        QStringList taken; // names already in the folder
        const char* expected; // the name both files take, without its extension
    } cases[] = {
        { {}, "D394_15.03.2024 - 10.20.30" },
        { { QStringLiteral("D394_15.03.2024 - 10.20.30.txt") }, "D394_15.03.2024 - 10.20.30 (2)" },
        { { QStringLiteral("D394_15.03.2024 - 10.20.30.xml"), QStringLiteral("D394_15.03.2024 - 10.20.30 (2).txt") },
          "D394_15.03.2024 - 10.20.30 (3)" },
        { { QStringLiteral("D394_15.03.2024 - 10.20.31.xml") }, "D394_15.03.2024 - 10.20.30" },
    };
    for (const Case& c : cases) {
        Fixture fx;
        QDir().mkpath(fx.finalFolder());
        for (const QString& name : c.taken) {
            QFile f(fx.finalFolder() + QLatin1Char('/') + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        SteppingClock clock;
        const DeclarationOutcome out = runDeclaration(
            inputs2024(), DeclarationContext { fx.folder.folder(), clock, company::CompanyParameters {}, {} },
            fx.messages);
        ASSERT_EQ(out.end, DeclarationOutcome::End::Written) << c.expected;
        const QString stem = fx.finalFolder() + QLatin1Char('/') + QString::fromUtf8(c.expected);
        EXPECT_EQ(out.xmlFile, stem + QStringLiteral(".xml"));
        EXPECT_EQ(out.textFile, stem + QStringLiteral(".txt"));
        for (const QString& name : c.taken)
            EXPECT_EQ(readFile(fx.finalFolder() + QLatin1Char('/') + name), QByteArray("earlier"))
                << name.toStdString();
    }
}

TEST(DeclarationRun, FailuresGiveOneReportAndNoFile)
{
    struct Case
    {
        const char* name;
        const char* sql;
        const char* message; // the whole report, or its start up to the label
        int label;
    } cases[] = {
        { "missing code", "UPDATE Zet_Info SET CODFISCAL = NULL",
          "Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete.", 0 },
        { "no company row", "DELETE FROM Zet_Info",
          "Eroare 3021 - Tabela Zet_Info nu are nicio inregistrare. in procedura cmdCalcul_Click din Form "
          "frmRapDec394 Linia: 10",
          10 },
        { "no code column", "ALTER TABLE Zet_Info DROP COLUMN CODFISCAL",
          "Eroare 3265 - Coloana CODFISCAL lipseste din tabela Zet_Info. in procedura cmdCalcul_Click din Form "
          "frmRapDec394 Linia: 11",
          11 },
        { "no fax column", "ALTER TABLE Zet_Info DROP COLUMN FAX1",
          "Eroare 3265 - Coloana Fax1 lipseste din tabela Zet_Info. in procedura cmdCalcul_Click din Form "
          "frmRapDec394 Linia: 13",
          13 },
        { "no reverse-charge column", "ALTER TABLE zet_jct_UE DROP COLUMN COL16", "Eroare 5001 - ", 16 },
        { "no sales journal", "DROP TABLE zet_jvt_UE", "Eroare 5001 - ", 17 },
        { "a control character in a name",
          "UPDATE zet_jvt_UE SET NUME = 'Client' || char(1) || 'Unu' WHERE NUME = 'Client Unu'",
          "Eroare 13 - Partenerul cu codul fiscal 11111111 contine un caracter care nu poate fi scris in fisierul "
          "XML. in procedura cmdCalcul_Click din Form frmRapDec394 Linia: 19",
          19 },
        { "a code that is a path", "UPDATE Zet_Info SET CODFISCAL = 'RO../x'",
          "Eroare 75 - Codul fiscal ../x nu poate fi nume de folder. in procedura cmdCalcul_Click din Form "
          "frmRapDec394 Linia: 11",
          11 },
    };
    for (const Case& c : cases) {
        Fixture fx;
        fx.folder.exec(QString::fromUtf8(c.sql));
        const DeclarationOutcome out = fx.run(inputs2024());
        EXPECT_EQ(out.end, DeclarationOutcome::End::Failure) << c.name;
        ASSERT_EQ(fx.messages.messages().size(), 1) << c.name << ": " << fx.messages.texts().join('|').toStdString();
        const Message& m = fx.messages.messages().first();
        EXPECT_EQ(m.role, MessageRole::Failure);
        EXPECT_EQ(m.box, BoxKind::Own);
        EXPECT_TRUE(m.text.startsWith(QString::fromUtf8(c.message))) << c.name << ": " << m.text.toStdString();
        if (c.label) {
            EXPECT_TRUE(m.text.endsWith(QStringLiteral(" Linia: %1").arg(c.label))) << m.text.toStdString();
        }
        EXPECT_TRUE(out.xmlFile.isEmpty());
        EXPECT_TRUE(fx.filesUnder(QStringLiteral("D394/14399840")).isEmpty()) << c.name;
        EXPECT_TRUE(fx.filesUnder(QStringLiteral("D394")).isEmpty()) << c.name;
    }
}

TEST(DeclarationRun, UnwritableOutputFolder)
{
    // The company's folder name is taken by a file: the folder cannot be made.
    Fixture fx;
    QDir().mkpath(fx.folder.file(QStringLiteral("D394")));
    QFile blocker(fx.finalFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(fx.run(inputs2024()).end, DeclarationOutcome::End::Failure);
    ASSERT_EQ(fx.messages.messages().size(), 1);
    EXPECT_TRUE(fx.messages.messages().first().text.startsWith(QStringLiteral("Eroare 75 - Folderul ")));
    EXPECT_TRUE(fx.messages.messages().first().text.endsWith(QStringLiteral(" Linia: 18")));

    // D394 itself taken by a file: the run stops before any check.
    Fixture fx2;
    QFile blocker2(fx2.folder.file(QStringLiteral("D394")));
    ASSERT_TRUE(blocker2.open(QIODevice::WriteOnly));
    blocker2.close();
    DeclarationInputs in = inputs2024();
    in.declarant.name.clear();
    EXPECT_EQ(fx2.run(in).end, DeclarationOutcome::End::Failure);
    EXPECT_TRUE(fx2.messages.texts().first().endsWith(QStringLiteral(" Linia: 2")));
}

TEST(DeclarationRun, ATextFileThatCannotBeWrittenComesAfterTheXmlIsReported)
{
    // The text file's name is taken by a folder while the XML's message is shown.
    class BlockingSink : public MessageList
    {
    public:
        explicit BlockingSink(QString path)
            : m_path(std::move(path))
        { }
        void show(const Message& m) override
        {
            QDir().mkpath(m_path);
            MessageList::show(m);
        }

    private:
        QString m_path;
    };
    Fixture fx;
    BlockingSink sink(fx.finalFolder() + QStringLiteral("/D394_15.03.2024 - 10.20.30.txt"));
    const DeclarationOutcome out = runDeclaration(
        inputs2024(), DeclarationContext { fx.folder.folder(), fx.clock, company::CompanyParameters {}, {} }, sink);
    EXPECT_EQ(out.end, DeclarationOutcome::End::Failure);
    ASSERT_EQ(sink.messages().size(), 2);
    EXPECT_TRUE(sink.texts()[0].startsWith(QStringLiteral("Fisierul D394.xml a fost generat")));
    EXPECT_TRUE(sink.texts()[1].startsWith(QStringLiteral("Eroare 75 - ")));
    EXPECT_TRUE(sink.texts()[1].endsWith(QStringLiteral(" Linia: 21")));
    EXPECT_TRUE(QFile::exists(out.xmlFile));
}

TEST(DeclarationRun, SemesterPathTakesOverWhenTheBoxIsCleared)
{
    Fixture fx;
    DeclarationInputs in = inputs2024();
    in.rules2012 = false;
    in.from = QDate(2030, 1, 1); // not read on this path
    const DeclarationOutcome out = fx.run(in);
    EXPECT_TRUE(out.semester.has_value());
    EXPECT_TRUE(out.xmlFile.isEmpty());
    // Nothing of the 2012 path happens, not even the base folder.
    EXPECT_FALSE(QDir(fx.folder.file(QStringLiteral("D394"))).exists());
}

TEST(D394Writers, AFailingWriteKeepsTheEarlierFile)
{
    D394Declaration d;
    d.luna = QStringLiteral("03");
    d.an = QStringLiteral("2024");
    d.company.cui = QStringLiteral("123");
    for (int i = 0; i < 50; ++i)
        d.purchases.append({ QLatin1Char('A'), QString::number(1000 + i), QStringLiteral("Furnizor %1").arg(i), 1,
                             100.0 * i, 19.0 * i });

    test::TestFolder dir(false);
    const QString path = dir.file(QStringLiteral("D394.out"));
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    using Writer = Status (*)(const D394Declaration&, QIODevice&);
    for (Writer writer : { Writer(writeD394Xml), Writer(writeD394Text) }) {
        QBuffer whole;
        whole.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writer(d, whole).ok());
        const qint64 size = whole.size();
        for (qint64 limit : { qint64(0), qint64(10), size / 2, size - 1 }) {
            const Status s = saveFile(path, [&](QIODevice& out) {
                test::FailDevice failing(out, limit);
                return writer(d, failing);
            });
            ASSERT_FALSE(s.ok()) << limit << " of " << size;
            EXPECT_EQ(s.failure().number, err::DiskFull) << limit;
            EXPECT_EQ(readFile(path), QByteArray("earlier")) << limit;
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("D394.out") });

    ASSERT_TRUE(saveFile(path, [&](QIODevice& out) { return writeD394Text(d, out); }).ok());
    EXPECT_EQ(readFile(path), d394Text(d));
}

namespace {

// The document as the XML writer of Qt wrote it before the program wrote its bytes itself.
QByteArray referenceXml(const D394Declaration& d)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    buffer.write("<?xml version=\"1.0\"?>");
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(false);
    w.writeStartElement(QStringLiteral("declaratie394"));
    w.writeAttribute(QStringLiteral("luna"), d.luna);
    w.writeAttribute(QStringLiteral("an"), d.an);
    w.writeAttribute(QStringLiteral("tip_D394"), d.tip_D394);
    w.writeAttribute(QStringLiteral("nume_declar"), d.nume_declar);
    w.writeAttribute(QStringLiteral("prenume_declar"), d.prenume_declar);
    w.writeAttribute(QStringLiteral("functie_declar"), d.functie_declar);
    w.writeAttribute(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    w.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("mfp:anaf:dgti:d394:declaratie:v1"));
    w.writeAttribute(QStringLiteral("xsi:schemaLocation"),
                     QStringLiteral("mfp:anaf:dgti:d394:declaratie:v1 file:///C:/Program Files/Talmis/d394.xsd"));
    const CompanyIdentity& c = d.company;
    w.writeEmptyElement(QStringLiteral("identificare"));
    w.writeAttribute(QStringLiteral("cui"), c.cui);
    w.writeAttribute(QStringLiteral("den"), c.Denumire);
    w.writeAttribute(QStringLiteral("adresa"), c.adresa());
    w.writeAttribute(QStringLiteral("telefon"), c.Telefon1);
    w.writeAttribute(QStringLiteral("fax"), c.Fax1);
    w.writeAttribute(QStringLiteral("mail"), c.Email1);
    w.writeAttribute(QStringLiteral("totalPlata_A"), QStringLiteral("0"));
    w.writeEmptyElement(QStringLiteral("rezumat"));
    for (const char* name : { "nrCui", "bazaL", "tvaL", "bazaA", "tvaA", "bazaV", "tvaV", "bazaVc", "tvaVc", "bazaC",
                              "tvaC", "bazaCc", "tvaCc" })
        w.writeAttribute(QString::fromLatin1(name), QStringLiteral("0"));
    for (const QList<PartnerRow>* rows : { &d.purchases, &d.sales })
        for (const PartnerRow& r : *rows) {
            w.writeEmptyElement(QStringLiteral("op1"));
            w.writeAttribute(QStringLiteral("tip"), QString(r.tip));
            w.writeAttribute(QStringLiteral("cuiP"), r.cuiP);
            w.writeAttribute(QStringLiteral("denP"), r.denP);
            if (d.variant2013)
                w.writeAttribute(QStringLiteral("nrFact"), numberText(r.nrFact));
            w.writeAttribute(QStringLiteral("baza"), amountText(r.baza));
            w.writeAttribute(QStringLiteral("tva"), amountText(r.tva));
        }
    w.writeEndElement();
    return buffer.data();
}

} // namespace

TEST(D394Writers, TheDocumentsBytesAreThoseOfAnXmlWriter)
{
    // Markup, whitespace and characters of one to four bytes in UTF-8, at the edges of each length.
    const QStringList texts = {
        QString(),
        QStringLiteral(" "),
        QStringLiteral("Alfa & Co <SRL> \"Beta\" 'Gama' ]]> a=b; &amp;"),
        QStringLiteral("tab\there\nline\r\nend"),
        QStringLiteral("Ştefan Ţurcanu ș ț Ă â î"),
        QStringLiteral("\u007F\u0080\u07FF\u0800\u20AC\uFFFD\uFFFC"),
        QStringLiteral("\U0001F600 \U00010000\U0010FFFF"),
        QStringLiteral("日本語 #,%?"),
    };
    for (bool variant2013 : { true, false }) {
        D394Declaration d;
        d.luna = QStringLiteral("06");
        d.an = QStringLiteral("2024");
        d.tip_D394 = QStringLiteral("S");
        d.variant2013 = variant2013;
        d.nume_declar = texts[2];
        d.prenume_declar = texts[4];
        d.functie_declar = texts[3];
        d.company.cui = texts[7];
        d.company.Denumire = texts[2];
        d.company.Judet1 = texts[4];
        d.company.Oras1 = texts[5];
        d.company.Strada1 = texts[6];
        d.company.Nr1 = texts[3];
        d.company.Telefon1 = texts[1];
        d.company.Email1 = texts[0];
        int n = 0;
        for (const QString& code : texts)
            for (const QString& name : texts) {
                const double amount = (n * 7919 % 100003) / 1000.0 - 40.0;
                (n % 2 ? d.sales : d.purchases)
                    .append({ QChar(u"ACLV"[n % 4]), code, name, n - 3, amount, amount * 0.19 });
                ++n;
            }
        const auto bytes = d394Xml(d);
        ASSERT_TRUE(bytes.ok());
        EXPECT_EQ(*bytes, referenceXml(d)) << variant2013;
    }
}

namespace {

// A name made to forge a partner line, another with the record's separators, and a code with them.
const char* const ForgingJournals
    = "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES "
      "('X' || char(13) || char(10) || '#A#,2816464,#Fals#, 9, 99999, 9', '2816465', 100, 19),"
      "('Hash#Name, Comma', '12,3#4', 10, 2);"
      "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Tab' || char(9) || 'Client', '777', 50, 10);"
      "UPDATE Zet_Info SET CODFISCAL = 'RO14399840', DENUMIRE = 'Soc#1' || char(10) || 'SRL', STRADA1 = 'Str. #2, "
      "bl.', "
      "EMAIL1 = 'a#b'";

const QString ForgedName = QStringLiteral("X\r\n#A#,2816464,#Fals#, 9, 99999, 9");

} // namespace

TEST(DeclarationRun, NoValueChangesTheTextFilesRecords)
{
    Fixture fx(false);
    fx.folder.exec(QString::fromUtf8(ForgingJournals));
    DeclarationInputs in = inputs2024();
    in.declarant.name = QStringLiteral("Pop#\tIon");
    const DeclarationOutcome out = fx.run(in);
    ASSERT_EQ(out.end, DeclarationOutcome::End::Written) << fx.messages.texts().join('|').toStdString();

    const auto records = test::textRecords(readFile(out.textFile));
    ASSERT_EQ(records.size(), 4); // the header and the three partners of the journals, nothing else
    for (const auto& r : records)
        ASSERT_TRUE(r.has_value());
    EXPECT_EQ(*records[0],
              (QStringList { "394", "12", "2024", "A", "Pop  Ion", " ", "Administrator", "14399840", "Soc 1 SRL",
                             "    Str.  2, bl. ", " ", " ", "a b" }));
    EXPECT_EQ(*records[1], (QStringList { "A", "12 3 4", "Hash Name, Comma", " 1", " 10", " 2" }));
    EXPECT_EQ(*records[2], (QStringList { "A", "2816465", "X   A ,2816464, Fals , 9, 99999, 9", " 1", " 100", " 19" }));
    EXPECT_EQ(*records[3], (QStringList { "L", "777", "Tab Client", " 1", " 50", " 10" }));

    // The XML keeps the values as they are: its writer escapes them.
    QXmlStreamReader xml(readFile(out.xmlFile));
    QStringList names, codes;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("op1")) {
            names << xml.attributes().value(QStringLiteral("denP")).toString();
            codes << xml.attributes().value(QStringLiteral("cuiP")).toString();
        }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(names, (QStringList { QStringLiteral("Hash#Name, Comma"), ForgedName, QStringLiteral("Tab\tClient") }));
    EXPECT_EQ(codes, (QStringList { "12,3#4", "2816465", "777" }));
}

TEST(DeclarationRun, ATotalThatIsNotFiniteStopsTheRunBeforeAnyFile)
{
    struct Case
    {
        const char* name;
        const char* sql;
        int label;
    } cases[] = {
        { "two purchase amounts that overflow in the sum",
          "INSERT INTO zet_jct_UE (NUME, CODF, COL8, COL9) VALUES ('F', '123', 1e308, 1), ('F', '123', 1e308, 1)", 16 },
        { "an infinite sales amount", "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('C', '456', 1, -9e999)",
          17 },
    };
    for (const Case& c : cases) {
        Fixture fx(false);
        fx.folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO14399840'"));
        fx.folder.exec(QString::fromUtf8(c.sql));
        const DeclarationOutcome out = fx.run(inputs2024());
        EXPECT_EQ(out.end, DeclarationOutcome::End::Failure) << c.name;
        ASSERT_EQ(fx.messages.messages().size(), 1) << c.name;
        const QString report = fx.messages.texts().first();
        EXPECT_TRUE(report.startsWith(QStringLiteral("Eroare 6 - "))) << report.toStdString();
        EXPECT_TRUE(report.endsWith(QStringLiteral(" Linia: %1").arg(c.label))) << report.toStdString();
        EXPECT_TRUE(out.xmlFile.isEmpty() && out.textFile.isEmpty()) << c.name;
        EXPECT_TRUE(fx.filesUnder(QStringLiteral("D394/14399840")).isEmpty()) << c.name;
    }
}
