#include "declaration/NumberText.h"
#include "declaration/Review.h"
#include "declaration/ReviewExport.h"
#include "import/Workbook.h"
#include "store/Database.h"
#include "support/QtPrint.h"
#include "support/TestFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::declaration;
using orvida::test::TestFolder;

namespace {

const QDate Jan2013(2013, 1, 1);
const QDate Dec2013(2013, 12, 31);

// A fresh database with the company's code, the one company field the review needs.
void setCompany(const TestFolder& folder)
{
    folder.exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO14399840'"));
}

Review reviewOf(const TestFolder& folder, QDate start = Jan2013, QDate end = Dec2013)
{
    MessageList messages;
    auto review = reviewDeclaration(folder.folder(), start, end, messages);
    EXPECT_TRUE(review.has_value()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages.messages().isEmpty());
    return review.value_or(Review {});
}

// A finding in one line: kind, journal, partner, code and amounts.
QString summary(const Finding& f)
{
    QString s = findingKindLabel(f.kind) + QLatin1Char('|') + (f.journal ? journalLabel(*f.journal) : QString())
        + QLatin1Char('|') + f.partner + QLatin1Char('|') + f.code;
    if (f.hasAmounts)
        s += QLatin1Char('|') + reviewAmount(f.base) + QLatin1Char('|') + reviewAmount(f.vat);
    return s;
}

QStringList summaries(const Review& review)
{
    QStringList out;
    for (const Finding& f : review.findings)
        out << summary(f);
    return out;
}

const Finding* findingOf(const Review& review, FindingKind kind)
{
    for (const Finding& f : review.findings)
        if (f.kind == kind)
            return &f;
    return nullptr;
}

// The op1 elements of a declaration document, one "tip|cuiP|denP|nrFact|baza|tva" each.
QStringList documentLines(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement() || r.name() != QLatin1String("op1"))
            continue;
        const auto a = r.attributes();
        QStringList fields;
        for (const char* name : { "tip", "cuiP", "denP", "nrFact", "baza", "tva" })
            fields << a.value(QLatin1String(name)).toString();
        out << fields.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace

TEST(Review, ControlDigitRule)
{
    struct Case
    {
        const char* code;
        bool valid;
    } cases[] = {
        { "18547290", true },    { "18547291", false },   { "RO18547290", true },
        { "ro18547290", true },  { "RO 18547290", true }, { " 18547290 ", true },
        { "RO18547291", false }, { "14399840", true },    { "14399841", false },
        { "19", true },          { "18", false },         { "1", false },
        { "", false },           { "RO", false },         { "018547290", false },
        { "1234567897", true },  { "1234567890", false }, { "12345678901", false },
        { "1854729O", false },   { "18547-290", false },  { "RO1234567897", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(controlDigitValid(QString::fromUtf8(c.code)), c.valid) << c.code;
}

// The lines are those the declaration writes into its document for the same journals: same
// order, codes, names, counts and rounded amounts.
TEST(Review, LinesEqualTheDeclarationsDocument)
{
    TestFolder folder;
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
    const Review review = reviewOf(folder, QDate(2024, 1, 1), QDate(2024, 12, 31));
    QStringList lines;
    for (const QList<PartnerRow>* rows : { &review.purchases, &review.sales })
        for (const PartnerRow& r : *rows)
            lines << QStringList { QString(r.tip),     r.cuiP,           r.denP, numberText(r.nrFact),
                                   amountText(r.baza), amountText(r.tva) }
                         .join(QLatin1Char('|'));
    const QStringList golden = documentLines(test::readFile(QStringLiteral(ORVIDA_TEST_DATA "/golden/d394_2013.xml")));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(lines, golden);
}

// Journal totals = declared + left out by the screening + rows without VAT, per journal and column.
TEST(Review, ReconciliationWithRowsLeftOut)
{
    TestFolder folder;
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
    const Review review = reviewOf(folder);
    ASSERT_EQ(review.reconciliation.size(), 2);
    struct Expected
    {
        qint64 rows, withoutVatRows;
        double journal, declared, screenedOut, withoutVat;
    } expected[4] = {
        { 13, 1, 4147.955, 4047.955, 0, 100 }, // purchases, base
        { 13, 1, 646.65, 630.65, 16, 0 }, // purchases, VAT: 13 characters, too short, no name
        { 6, 1, 1611.5, 1510.5, 1, 100 }, // sales, base: a code over 10 characters
        { 6, 1, 293.15, 292.15, 1, 0 }, // sales, VAT
    };
    for (int i = 0; i < 4; ++i) {
        const Reconciliation& rec = review.reconciliation[i / 2];
        const Reconciliation::Column& c = i % 2 ? rec.vat : rec.base;
        const Expected& e = expected[i];
        EXPECT_EQ(rec.rows, e.rows) << i;
        EXPECT_EQ(rec.rowsWithoutVat, e.withoutVatRows) << i;
        EXPECT_NEAR(c.journal, e.journal, 1e-9) << i;
        EXPECT_NEAR(c.declared, e.declared, 1e-9) << i;
        EXPECT_NEAR(c.screenedOut, e.screenedOut, 1e-9) << i;
        EXPECT_NEAR(c.withoutVat, e.withoutVat, 1e-9) << i;
        EXPECT_NEAR(c.difference(), 0, 1e-9) << i;
    }
    EXPECT_EQ(findingOf(review, FindingKind::Reconciliation), nullptr);
}

// Each kind of finding from a small journal of its own; a clean partner adds none.
TEST(Review, Findings)
{
    struct Case
    {
        const char* what;
        QStringList sql;
        QStringList expected; // summaries, in order
        const char* textHas; // in the first finding's text
    } cases[] = {
        { "clean",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Beta', 'RO18547290', 100, 19)",
            "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Client', '14399840', 10, 1.9)",
            "INSERT INTO zet_jvt_UE (NUME, CODF, COL6) VALUES ('Scutit', '', 10)" },
          {},
          "" },
        { "control digit",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Alfa', 'RO18547291', 100, 19)",
            "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Client RO', 'RO', 10, 1.9)" },
          { "Cifra de control|Cumparari|Alfa|18547291|100.00|19.00", "Cifra de control|Vanzari|Client RO||10.00|1.90" },
          "verificati" },
        { "one code, several names",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Alfa SRL', '18547290', 100, 19)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Alfa SRL', '18547290', 50, 9.5)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('ALFA S.R.L.', 'RO18547290', 10, 1.9)" },
          { "Cod pe mai multe linii|Cumparari|ALFA S.R.L.; Alfa SRL|18547290|160.00|30.40" },
          "\"ALFA S.R.L.\" (1 document), \"Alfa SRL\" (2 documente)" },
        { "one code written two ways under one name",
          { "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Delta', 'RO18547290', 100, 19)",
            "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Delta', '18547290', 10, 1.9)" },
          { "Cod pe mai multe linii|Vanzari|Delta|18547290|110.00|20.90" },
          "\"18547290\" (1 document), \"RO18547290\" (1 document)" },
        { "one name, several codes",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Gama', '18547290', 100, 19)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('gama ', '14399840', 10, 1.9)" },
          { "Nume cu mai multe coduri|Cumparari|Gama|18547290; 14399840|110.00|20.90" },
          "2 coduri fiscale" },
        { "negative totals",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Retur', '18547290', 100, 19)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Retur', '18547290', -150, -28.5)" },
          { "Totaluri negative|Cumparari|Retur|18547290|-50.00|-9.50" },
          "negative" },
        { "rows left out, with their reasons",
          { "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Cnp', '1234567890123', 10, 1.9)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES (NULL, '18547290', 20, 3.8)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Fara cod', NULL, 30, 5.7)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Prefix', 'RO', 40, 7.6)",
            "INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Scurt', 'RO1', 50, 9.5)",
            "INSERT INTO zet_jvt_UE (NUME, CODF, COL6, COL7) VALUES ('Lung', '12345678901', 60, 11.4)" },
          { "Randuri lasate afara|Cumparari||18547290|20.00|3.80",
            "Randuri lasate afara|Cumparari|Cnp|1234567890123|10.00|1.90",
            "Randuri lasate afara|Cumparari|Fara cod||30.00|5.70",
            "Randuri lasate afara|Cumparari|Prefix|RO|40.00|7.60",
            "Randuri lasate afara|Cumparari|Scurt|RO1|50.00|9.50",
            "Randuri lasate afara|Vanzari|Lung|12345678901|60.00|11.40" },
          "fara numele partenerului" },
    };
    for (const Case& c : cases) {
        TestFolder folder;
        setCompany(folder);
        for (const QString& sql : c.sql)
            folder.exec(sql);
        const Review review = reviewOf(folder);
        EXPECT_EQ(summaries(review), c.expected) << c.what;
        if (!review.findings.isEmpty()) {
            EXPECT_TRUE(review.findings.first().text.contains(QString::fromUtf8(c.textHas)))
                << c.what << ": " << review.findings.first().text.toStdString();
            EXPECT_FALSE(review.findings.first().action.isEmpty()) << c.what;
        }
        EXPECT_EQ(findingOf(review, FindingKind::Reconciliation), nullptr) << c.what;
    }
}

TEST(Review, LeftOutReasons)
{
    TestFolder folder;
    setCompany(folder);
    folder.exec(QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, COL7) VALUES ('Cnp', '1234567890123', 1), "
                               "('Fara cod', NULL, 1), ('Prefix', 'RO', 1), ('Scurt', 'RO1', 1), (NULL, 'RO5', 1)"));
    folder.exec(QStringLiteral("INSERT INTO zet_jvt_UE (NUME, CODF, COL7) VALUES ('Lung', '12345678901', 1)"));
    QStringList texts;
    for (const Finding& f : reviewOf(folder).findings)
        texts << f.text;
    EXPECT_EQ(texts,
              (QStringList { QStringLiteral("Randurile nu intra in declaratie: randuri fara numele partenerului."),
                             QStringLiteral("Randurile nu intra in declaratie: cod fiscal de 13 caractere (cod "
                                            "numeric personal)."),
                             QStringLiteral("Randurile nu intra in declaratie: randuri fara cod fiscal."),
                             QStringLiteral("Randurile nu intra in declaratie: cod fiscal gol."),
                             QStringLiteral("Randurile nu intra in declaratie: cod fiscal prea scurt."),
                             QStringLiteral("Randurile nu intra in declaratie: cod fiscal mai lung de 10 "
                                            "caractere.") }));
}

// The document's version covers 2012 and 2013; a period ending from January 2014 on is flagged.
TEST(Review, SchemaVersionNote)
{
    TestFolder folder;
    setCompany(folder);
    struct Case
    {
        QDate start, end;
        bool flagged;
    } cases[] = {
        { QDate(2013, 12, 1), QDate(2013, 12, 31), false },
        { QDate(2014, 1, 1), QDate(2014, 1, 31), true },
        { QDate(2012, 1, 1), QDate(2014, 3, 31), true },
        { QDate(2024, 1, 1), QDate(2024, 12, 31), true },
    };
    for (const Case& c : cases) {
        const Review review = reviewOf(folder, c.start, c.end);
        EXPECT_EQ(summaries(review),
                  c.flagged ? QStringList { QStringLiteral("Versiunea declaratiei|||") } : QStringList {})
            << c.end.toString(Qt::ISODate).toStdString();
    }
}

// Bad input stops the review with the declaration's own messages, and nothing is written.
TEST(Review, BadInputGetsTheDeclarationsMessages)
{
    struct Case
    {
        const char* what;
        bool database;
        const char* sql;
        QDate start, end;
        MessageRole role;
        const char* text;
    } cases[] = {
        { "start after end", true, nullptr, QDate(2013, 2, 1), QDate(2013, 1, 31), MessageRole::Check,
          "Data de inceput trebuie sa fie mai mica ca cea de sfarsit" },
        { "before 2012", true, nullptr, QDate(2011, 12, 1), QDate(2012, 1, 31), MessageRole::Check,
          "Data de inceput trebuie sa fie mai mare de 2012" },
        { "no company", true, "DELETE FROM Zet_Info", Jan2013, Dec2013, MessageRole::Failure, "3021" },
        { "no company code", true, "UPDATE Zet_Info SET CODFISCAL = NULL", Jan2013, Dec2013, MessageRole::Failure,
          "Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete." },
        { "no database", false, nullptr, Jan2013, Dec2013, MessageRole::Failure, "cmdCalcul_Click" },
    };
    for (const Case& c : cases) {
        TestFolder folder(c.database);
        if (c.sql)
            folder.exec(QString::fromUtf8(c.sql));
        MessageList messages;
        EXPECT_FALSE(reviewDeclaration(folder.folder(), c.start, c.end, messages).has_value()) << c.what;
        ASSERT_EQ(messages.messages().size(), 1) << c.what;
        EXPECT_EQ(messages.messages().first().role, c.role) << c.what;
        EXPECT_TRUE(messages.messages().first().text.contains(QString::fromUtf8(c.text)))
            << c.what << ": " << messages.messages().first().text.toStdString();
        EXPECT_FALSE(QDir(folder.file(QStringLiteral("D394"))).exists()) << c.what;
    }
}

TEST(Review, CsvExport)
{
    TestFolder folder;
    setCompany(folder);
    folder.exec(QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Beta; \"SRL\"', "
                               "'RO18547291', 1250.455, 100.125)"));
    const Review review = reviewOf(folder);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(writeReviewCsv(review, buffer).ok());
    EXPECT_TRUE(buffer.data().startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(buffer.data().mid(3));
    const QStringList rows = text.split(QStringLiteral("\r\n"));
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[0],
              QStringLiteral("Sectiune;Constatare;Jurnal;Tip;Cod fiscal;Denumire;Nr. facturi;Baza;TVA;Descriere;Ce "
                             "faceti"));
    EXPECT_EQ(rows[1], QStringLiteral("Linie;;Cumparari;A;18547291;\"Beta; \"\"SRL\"\"\";1;1250.46;100.12;;"));
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral(
        "Constatare;Cifra de control;Cumparari;;18547291;\"Beta; \"\"SRL\"\"\";;1250.46;100.12;\"Codul fiscal "
        "\"\"18547291\"\"")))
        << rows[2].toStdString();
    EXPECT_EQ(rows.last(), QString());
}

// The workbook read back with the program's own reader: the lines and findings, amounts as numbers.
TEST(Review, XlsxExport)
{
    TestFolder folder;
    folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
    const Review review = reviewOf(folder);
    const QString path = folder.file(QStringLiteral("verificare.xlsx"));
    ASSERT_TRUE(saveReviewXlsx(review, path).ok());

    import::ReadFailure failure;
    auto book = import::openWorkbook(path, failure);
    ASSERT_TRUE(book) << failure.description.toStdString();
    EXPECT_EQ(book->sheetNames(), (QStringList { QStringLiteral("Linii"), QStringLiteral("Constatari") }));

    auto readSheet = [&](const QString& name) {
        std::vector<import::Row> rows;
        auto sheet = book->openSheet(name, failure);
        EXPECT_TRUE(sheet) << failure.description.toStdString();
        if (!sheet)
            return rows;
        import::Row row;
        while (true) {
            auto more = sheet->nextRow(row);
            EXPECT_TRUE(more.ok());
            if (!more.ok() || !*more)
                break;
            rows.push_back(row);
        }
        return rows;
    };
    const auto lines = readSheet(QStringLiteral("Linii"));
    ASSERT_EQ(lines.size(), size_t(1 + review.purchases.size() + review.sales.size()));
    EXPECT_EQ(lines[0][3], import::Cell::ofText(QStringLiteral("Denumire")));
    // Beta: 1250.455 and 100.125 rounded as the declaration rounds them.
    const import::Row& beta = lines[4];
    EXPECT_EQ(beta[3], import::Cell::ofText(QStringLiteral("Beta, \"SRL\" #1")));
    EXPECT_EQ(beta[4], import::Cell::ofNumber(1));
    EXPECT_EQ(beta[5], import::Cell::ofNumber(1250.46));
    EXPECT_EQ(beta[6], import::Cell::ofNumber(100.12));

    const auto findings = readSheet(QStringLiteral("Constatari"));
    ASSERT_EQ(findings.size(), size_t(1 + review.findings.size()));
    for (size_t i = 1; i < findings.size(); ++i)
        EXPECT_EQ(findings[i][0], import::Cell::ofText(findingKindLabel(review.findings[int(i - 1)].kind))) << i;
}

TEST(Review, ExportToAnUnwritablePathFails)
{
    TestFolder folder;
    setCompany(folder);
    const Review review = reviewOf(folder);
    const QString missing = folder.file(QStringLiteral("nu-exista/verificare"));
    EXPECT_FALSE(saveReviewCsv(review, missing + QStringLiteral(".csv")).ok());
    EXPECT_FALSE(saveReviewXlsx(review, missing + QStringLiteral(".xlsx")).ok());
}

// A database another copy of the program holds locked stops the review with a failure report,
// as it stops the declaration.
TEST(Review, LockedDatabaseFails)
{
    TestFolder folder;
    setCompany(folder);
    auto holder = store::openDatabase(folder.folder());
    ASSERT_TRUE(holder.ok());
    ASSERT_TRUE(holder->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")).ok());
    ASSERT_TRUE(holder->exec(QStringLiteral("BEGIN EXCLUSIVE")).ok());
    MessageList messages;
    EXPECT_FALSE(reviewDeclaration(folder.folder(), Jan2013, Dec2013, messages).has_value());
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().first().role, MessageRole::Failure);
    EXPECT_TRUE(messages.messages().first().text.contains(QStringLiteral("blocata")))
        << messages.messages().first().text.toStdString();
}

// A stored name with a character XML cannot carry still gives a readable workbook; the character
// becomes a space and everything else, emoji included, stays.
TEST(Review, XlsxWithUnwritableCharacters)
{
    TestFolder folder;
    setCompany(folder);
    folder.exec(QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, COL6, COL7) VALUES ('Rau' || char(1) || 'Nume "
                               "\U0001F600', 'RO18547290', 100, 19)"));
    const QString path = folder.file(QStringLiteral("verificare.xlsx"));
    ASSERT_TRUE(saveReviewXlsx(reviewOf(folder), path).ok());
    import::ReadFailure failure;
    auto book = import::openWorkbook(path, failure);
    ASSERT_TRUE(book) << failure.description.toStdString();
    auto sheet = book->openSheet(QStringLiteral("Linii"), failure);
    ASSERT_TRUE(sheet);
    import::Row row;
    ASSERT_TRUE(sheet->nextRow(row).ok());
    ASSERT_TRUE(sheet->nextRow(row).ok());
    ASSERT_GE(row.size(), size_t(4));
    EXPECT_EQ(row[3], import::Cell::ofText(QStringLiteral("Rau Nume \U0001F600")));
}
