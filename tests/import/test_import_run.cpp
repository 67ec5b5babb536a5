#include "ImportTestSupport.h"

#include "base/ErrorReport.h"
#include "import/Amounts.h"
#include "import/ImportAdvice.h"
#include "import/ImportProgress.h"
#include "import/ImportRun.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include "base/Text.h"

#include <QTemporaryDir>

#include <random>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::test;

namespace {

const QString Success = QStringLiteral("Importul s-a realizat cu succes");

QString structure(int label)
{
    return report::importStructure(label).text;
}

// The journal's rows as "NUME|CODF|TOTAL|COL6|COL7|COL10|COL16|COL17", in insertion order.
QStringList journal(const TestFolder& t, bool purchases)
{
    const QString sql = purchases
        ? QStringLiteral("select NUME, CODF, TOTAL, COL6, COL7, COL10, COL16, COL17 from zet_jct_UE order by rowid")
        : QStringLiteral(
            "select NUME, CODF, TOTAL, COL6, COL7, COL10, 0 as COL16, 0 as COL17 from zet_jvt_UE order by rowid");
    auto rs = store::query(t.folder(), sql);
    EXPECT_TRUE(rs.ok());
    QStringList out;
    for (int r = 0; rs.ok() && r < rs->size(); ++r) {
        QStringList cells;
        for (const char* c : { "NUME", "CODF", "TOTAL", "COL6", "COL7", "COL10", "COL16", "COL17" })
            cells << rs->value(r, QString::fromLatin1(c)).toText();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

struct Imported
{
    import::ImportOutcome outcome;
    QStringList messages;
};

Imported runImport(const TestFolder& t,
                   const QString& file,
                   import::Journal journal,
                   bool replaceJournal = true,
                   bool reverse = false,
                   const import::Limits& limits = {})
{
    import::ImportInputs in;
    in.journal = journal;
    in.path = file.startsWith(QLatin1Char('/')) ? file : dataFile(file);
    in.replaceJournal = replaceJournal;
    in.reverseCharge = reverse;
    MessageList sink;
    Imported out { import::importJournal(in, t.folder(), sink, limits), sink.texts() };
    return out;
}

constexpr import::Journal C = import::Journal::Purchases;
constexpr import::Journal L = import::Journal::Sales;

QString journalName(import::Journal j)
{
    return j == C ? QStringLiteral("C") : QStringLiteral("L");
}

} // namespace

TEST(Amounts, RomanianAndPlainForms)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        { "1234,56", 1234.56 },
        { "1.234,56", 1234.56 },
        { "-12,5", -12.5 },
        { "1234.56", 1234.56 },
        { "1.234", 1234 },
        { "1.234.567", 1234567 },
        { "1.234.567,5", 1234567.5 },
        { " 42 ", 42 },
        { "0.5", 0.5 },
        { "12.3456", 12.3456 },
        { "+7", 7 },
        { "-0,5", -0.5 },
        { "", std::nullopt },
        { "abc", std::nullopt },
        { "12 lei", std::nullopt },
        { "1,2,3", std::nullopt },
        { "1.23,4", std::nullopt },
        { "12.34.56", std::nullopt },
        { "1.2345,6", std::nullopt },
        { ",5", std::nullopt },
        { "1,", std::nullopt },
        { "1e5", std::nullopt },
        { "--1", std::nullopt },
        { "1 234,56", std::nullopt },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(import::parseAmount(QString::fromUtf8(text)), expected) << text;
}

// The rows written from the same sheet for each journal and option: header names in any order
// and case, extra columns ignored, rows without a code skipped, numeric codes as digits, names
// cut to 35 characters, amounts to whole numbers with halves to even, text amounts the Romanian
// way, cached formula values, apostrophes, quotes and semicolons stored as they are.
TEST(ImportRun, RowsWrittenPerJournalAndOption)
{
    // name, code, total, then the rest by option.
    const QStringList common = {
        QStringLiteral("Ștefănescu Țesătorii S.R.L.|RO14399840|1190"),
        QStringLiteral("Brânzeturi Câmpulung SA|12345678|1234"),
        QStringLiteral("O'Brien; \"Ghilimele\" & Co|RO 123'4;5|1236"),
        QStringLiteral("Agromec Bărăgan Îmbunătățiri Funcia|RO2816464|6499"),
        QStringLiteral("Ionescu Mihai PFA|12|1190"),
        QStringLiteral("Sărățeni Transport SRL|4329883|-60"),
    };
    // base, VAT per row
    const QStringList base = { "1000", "1234", "-2", "5264", "1000", "-50" };
    const QStringList vat = { "190", "0", "2", "1235", "4", "-10" };
    struct Case
    {
        import::Journal journal;
        bool reverse;
        // the amount columns COL6|COL7|COL10|COL16|COL17 from base b and VAT v
        QString pattern;
    };
    const Case cases[] = {
        { C, false, QStringLiteral("b|v|0|0|0") },
        { C, true, QStringLiteral("0|0|0|b|v") },
        { L, false, QStringLiteral("b|v|0|0|0") },
        { L, true, QStringLiteral("0|0|b|0|0") },
    };
    for (const char* file : { "journal.xlsx", "journal.xls" }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(QStringLiteral("%1 %2 %3")
                             .arg(QLatin1String(file), journalName(c.journal))
                             .arg(c.reverse)
                             .toStdString());
            TestFolder t;
            const Imported r = runImport(t, QString::fromLatin1(file), c.journal, true, c.reverse);
            EXPECT_EQ(r.messages, QStringList { Success });
            EXPECT_TRUE(r.outcome.ok());
            QStringList expected;
            for (qsizetype i = 0; i < common.size(); ++i) {
                QString amounts = c.pattern;
                amounts.replace(QLatin1Char('b'), base[i]).replace(QLatin1Char('v'), vat[i]);
                expected << common[i] + QLatin1Char('|') + amounts;
            }
            EXPECT_EQ(journal(t, c.journal == C), expected);
            EXPECT_EQ(journal(t, c.journal != C), QStringList()); // the other journal is not touched
        }
    }
}

TEST(ImportRun, EmptiesTheJournalFirstUnlessAppending)
{
    TestFolder t;
    t.exec(QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 5)"));
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), L, false).messages, QStringList { Success });
    const QStringList appended = journal(t, false);
    ASSERT_EQ(appended.size(), 7);
    EXPECT_EQ(appended.first(), QStringLiteral("Vechi|RO1|5|0|0|0|0|0"));
    // Importing twice without emptying adds the rows again.
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), L, false).messages, QStringList { Success });
    EXPECT_EQ(journal(t, false).size(), 13);
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), L, true).messages, QStringList { Success });
    EXPECT_EQ(journal(t, false), appended.mid(1));
}

TEST(ImportRun, SheetWithoutCodesImportsNothingAndSucceeds)
{
    TestFolder t;
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF) values ('Vechi', 'RO1')"));
    const Imported r = runImport(t, QStringLiteral("no-codes.xlsx"), C);
    EXPECT_EQ(r.messages, QStringList { Success });
    EXPECT_EQ(journal(t, true), QStringList());
}

// Every failure shows the structure message with the failing step and leaves the journal
// exactly as it was, whether it was to be emptied first or appended to.
TEST(ImportRun, FailuresShowTheirStepAndLeaveTheJournalAsItWas)
{
    import::Limits small;
    small.sheetBytes = 1 << 20;
    struct Case
    {
        const char* file;
        import::Journal journal;
        bool reverse;
        int label;
        import::Limits limits;
    };
    const Case cases[] = {
        { "nu-exista.xlsx", C, false, 140, {} },
        { "not-a-workbook.xls", C, false, 140, {} },
        { "truncated.xls", L, false, 140, {} },
        { "truncated.xlsx", L, false, 140, {} },
        { "protected.xls", C, false, 140, {} },
        { "encrypted.xlsx", C, false, 140, {} },
        { "no-sheet1.xlsx", C, false, 160, {} },
        { "no-sheet1.xls", L, false, 160, {} },
        { "bomb.xlsx", C, false, 160, {} },
        { "inflating.xlsx", C, false, 160, small },
        { "header-only.xlsx", C, false, 170, {} },
        { "empty-sheet.xlsx", L, false, 170, {} },
        { "no-tva.xlsx", C, false, 250, {} },
        { "no-tva.xlsx", L, false, 380, {} },
        { "no-tva.xlsx", L, true, 380, {} }, // the VAT is read even where it is not stored
        { "bad-amount.xlsx", C, false, 230, {} }, // "119 lei" on the second row
        { "bad-amount.xlsx", L, true, 360, {} },
        { "error-amount.xlsx", C, true, 240, {} }, // #REF! in BAZA
        { "error-amount.xlsx", L, false, 370, {} },
        { "date-amount.xlsx", C, false, 230, {} }, // a date where TOTAL should be
        { "empty-name.xlsx", C, false, 220, {} },
        { "empty-name.xlsx", L, false, 350, {} },
        { "cut-sheet.xlsx", C, false, 460, {} }, // damaged after some good rows
        { "inflating-lying.xlsx", L, false, 460, small },
    };
    for (const Case& c : cases) {
        for (bool replaceJournal : { true, false }) {
            SCOPED_TRACE(QStringLiteral("%1 %2 reverse %3 empty-first %4")
                             .arg(QLatin1String(c.file), journalName(c.journal))
                             .arg(c.reverse)
                             .arg(replaceJournal)
                             .toStdString());
            TestFolder t;
            t.exec(
                QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
            t.exec(
                QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO2', 119, 100)"));
            const QStringList purchases = journal(t, true);
            const QStringList sales = journal(t, false);
            const Imported r
                = runImport(t, QString::fromLatin1(c.file), c.journal, replaceJournal, c.reverse, c.limits);
            EXPECT_EQ(r.messages, QStringList { structure(c.label) });
            EXPECT_EQ(r.outcome.label, c.label);
            EXPECT_FALSE(r.outcome.failure.description.isEmpty());
            EXPECT_EQ(journal(t, true), purchases);
            EXPECT_EQ(journal(t, false), sales);
        }
    }
}

TEST(ImportRun, StructureMessageIsAStandardBoxFailure)
{
    TestFolder t;
    import::ImportInputs in;
    in.path = dataFile(QStringLiteral("header-only.xlsx"));
    MessageList sink;
    const auto outcome = import::importJournal(in, t.folder(), sink);
    ASSERT_EQ(sink.messages().size(), 1);
    const Message& m = sink.messages().first();
    EXPECT_EQ(m.text, QStringLiteral("Va rugam verificati structura fisierului! (NUME,CODFISCAL,TOTAL,BAZA,TVA) 170"));
    EXPECT_EQ(m.role, MessageRole::Failure);
    EXPECT_EQ(m.box, BoxKind::Standard);
    EXPECT_EQ(m.title, QStringLiteral(" ImportXLS "));
    EXPECT_FALSE(outcome.failedBeforeWorkbookOpen());
}

// Without a database the run stops where it first needs it: emptying the journal, or else the
// first insert. The window stays open only for failures before the workbook was open.
TEST(ImportRun, MissingDatabase)
{
    TestFolder t(false);
    const Imported emptying = runImport(t, QStringLiteral("journal.xlsx"), C, true);
    EXPECT_EQ(emptying.messages, QStringList { structure(60) });
    EXPECT_TRUE(emptying.outcome.failedBeforeWorkbookOpen());
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), L, true).messages, QStringList { structure(80) });
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), C, false).messages, QStringList { structure(270) });
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xlsx"), L, false, true).messages, QStringList { structure(420) });
    // An .xls journal is emptied while FreeXL opens the workbook: the workbook's own failure still
    // comes first.
    EXPECT_EQ(runImport(t, QStringLiteral("journal.xls"), C, true).messages, QStringList { structure(60) });
    EXPECT_EQ(runImport(t, QStringLiteral("protected.xls"), C, true).messages, QStringList { structure(140) });
    EXPECT_EQ(runImport(t, QStringLiteral("no-sheet1.xls"), L, true).messages, QStringList { structure(160) });
    // Without emptying, a workbook that cannot be read reports its own step, and the window
    // stays open when it could not be opened at all; a sheet without codes needs no database.
    const Imported unreadable = runImport(t, QStringLiteral("nu-exista.xlsx"), C, false);
    EXPECT_EQ(unreadable.messages, QStringList { structure(140) });
    EXPECT_TRUE(unreadable.outcome.failedBeforeWorkbookOpen());
    EXPECT_EQ(runImport(t, QStringLiteral("no-sheet1.xls"), L, false).messages, QStringList { structure(160) });
    EXPECT_EQ(runImport(t, QStringLiteral("header-only.xlsx"), C, false).messages, QStringList { structure(170) });
    EXPECT_EQ(runImport(t, QStringLiteral("no-codes.xlsx"), C, false).messages, QStringList { Success });
    EXPECT_FALSE(QFile::exists(t.folder().databasePath()));
}

TEST(ImportCommand, ImportsAndReportsLikeTheWindow)
{
    TestFolder t;
    test::Run ok
        = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("import"), QStringLiteral("purchases"),
                      dataFile(QStringLiteral("journal.xls")), QStringLiteral("--reverse-charge") });
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out.trimmed(), Success);
    EXPECT_EQ(journal(t, true).first(), QStringLiteral("Ștefănescu Țesătorii S.R.L.|RO14399840|1190|0|0|0|1000|190"));

    test::Run appended
        = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("import"), QStringLiteral("purchases"),
                      dataFile(QStringLiteral("journal.xlsx")), QStringLiteral("--append") });
    EXPECT_EQ(appended.exitCode, 0);
    EXPECT_EQ(journal(t, true).size(), 12);

    test::Run failed = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("import"),
                                   QStringLiteral("sales"), dataFile(QStringLiteral("no-tva.xlsx")) });
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_EQ(failed.out, structure(380) + QLatin1Char('\n'));
    EXPECT_TRUE(failed.err.contains(QStringLiteral("TVA"))) << failed.err.toStdString();

    for (const QStringList& wrong :
         { QStringList { QStringLiteral("import"), QStringLiteral("purchases") },
           QStringList { QStringLiteral("import"), QStringLiteral("vanzari"), QStringLiteral("x.xls") },
           QStringList { QStringLiteral("import"), QStringLiteral("sales"), QStringLiteral("x.xls"),
                         QStringLiteral("--fara") } }) {
        test::Run r = runOrvida(QStringList { QStringLiteral("--home"), t.path() } + wrong);
        EXPECT_EQ(r.exitCode, 64) << wrong.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.out, QString());
    }
}

// The import's rounding agrees with text::roundHalfEven everywhere, halves included.
TEST(Amounts, WholeAmountIsHalfToEven)
{
    for (double v : { 0.5, 1.5, 2.5, -2.5, -0.5, 1234.5, 1235.5, 0.49999999999999994, 2.4999999999999996, 1250.455,
                      -0.4, 1e16 + 2, 4503599627370495.5, 12.5000001, -59.5, 6498.56 })
        EXPECT_EQ(import::wholeAmount(v), text::roundHalfEven(v, 0) + 0.0) << v;
    std::mt19937_64 random(394);
    std::uniform_int_distribution<qint64> cents(-10000000, 10000000);
    for (int i = 0; i < 20000; ++i) {
        const double v = double(cents(random)) / (i % 2 ? 100.0 : 10.0);
        ASSERT_EQ(import::wholeAmount(v), text::roundHalfEven(v, 0) + 0.0) << v;
    }
    EXPECT_FALSE(std::signbit(import::wholeAmount(-0.4)));
}

// The window shows these lines under the structure message: the cause, with its sheet, column or
// row, and what to do.
TEST(ImportRun, FailureReasonsNameTheCauseAndTheRemedy)
{
    const QString fixCell = QStringLiteral("\nCorectati celula in registru, salvati-l si apasati din nou Ok.");
    struct Case
    {
        const char* file;
        import::Journal journal;
        QString reason;
    };
    const Case cases[] = {
        { "no-sheet1.xlsx", C,
          "Registrul nu are foaia \"Sheet1\". Foile registrului: \"Foaie1\"; foaia cu jurnalul trebuie numita "
          "\"Sheet1\"." },
        { "no-sheet1.xls", L,
          "Registrul nu are foaia \"Sheet1\". Foile registrului: \"Foaie1\"; foaia cu jurnalul trebuie numita "
          "\"Sheet1\"." },
        { "no-tva.xlsx", L,
          "Foaia nu are coloana TVA.\nAdaugati coloana in primul rand al foii Sheet1, salvati registrul si apasati "
          "din nou Ok." },
        { "bad-amount.xlsx", C, "Randul 3: Valoarea \"119 lei\" din coloana TOTAL nu este un numar." + fixCell },
        { "empty-name.xlsx", L, "Randul 3: Coloana NUME este goala." + fixCell },
        { "date-amount.xlsx", C, "Randul 3: Coloana TOTAL contine o data calendaristica." + fixCell },
        { "error-amount.xlsx", C, "Randul 3: Coloana BAZA contine eroarea #REF!." + fixCell },
        { "not-a-workbook.xls", C, "Fisierul nu este un registru Excel (.xls sau .xlsx)." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TestFolder t;
        const Imported r = runImport(t, QString::fromLatin1(c.file), c.journal);
        EXPECT_EQ(import::failureReason(r.outcome), c.reason);
    }

    // The database's own states, whichever step meets them first.
    TestFolder none(false);
    const Imported missing = runImport(none, QStringLiteral("journal.xlsx"), L);
    EXPECT_EQ(missing.outcome.label, 80);
    EXPECT_EQ(import::failureReason(missing.outcome),
              QStringLiteral("Baza de date %1 nu exista; creati-o mai intai.").arg(none.folder().databasePath()));
    const struct
    {
        int number;
        QString remedy;
    } states[] = {
        { err::database(5),
          "Inchideti ferestrele si programele care lucreaza cu baza de date, apoi apasati din nou Ok." },
        { err::database(6),
          "Inchideti ferestrele si programele care lucreaza cu baza de date, apoi apasati din nou Ok." },
        { err::database(8),
          "Cereti drepturi de scriere pentru fisierul Orvida.mdb si pentru folderul programului, apoi apasati din "
          "nou Ok." },
    };
    for (const auto& state : states) {
        import::ImportOutcome outcome;
        outcome.label = 60;
        outcome.failure = { state.number, QStringLiteral("Motivul.") };
        EXPECT_EQ(import::failureReason(outcome), QStringLiteral("Motivul.\n") + state.remedy);
    }

    // Success and a stop have no reason.
    EXPECT_EQ(import::failureReason({}), QString());
    import::ImportOutcome stopped;
    stopped.label = 460;
    stopped.failure = { err::UserInterrupt, QStringLiteral("oprit") };
    EXPECT_EQ(import::failureReason(stopped), QString());
}

// A stop asked for during the import rolls it back: the journal is exactly as before, whether it
// was to be emptied first or appended to, and the message says so.
TEST(ImportRun, AStopRollsBackAndSaysNothingChanged)
{
    for (const char* file : { "journal.xlsx", "journal.xls" })
        for (bool checkIni : { true, false }) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(QLatin1String(file)).arg(checkIni).toStdString());
            TestFolder t;
            t.exec(
                QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
            const QStringList before = journal(t, true);
            import::ImportProgress progress;
            QList<qint64> seen;
            progress.rowsRead = [&](qint64 rows) {
                seen << rows;
                if (rows == 2)
                    progress.cancel = true;
            };
            import::Limits limits;
            limits.progress = &progress;
            const Imported r = runImport(t, QString::fromLatin1(file), C, checkIni, false, limits);
            EXPECT_EQ(seen, QList<qint64>({ 1, 2 }));
            EXPECT_EQ(r.outcome.failure.number, err::UserInterrupt);
            EXPECT_FALSE(r.outcome.ok());
            EXPECT_EQ(r.messages,
                      QStringList {
                          QStringLiteral("Importul a fost oprit. Jurnalul a ramas asa cum era inainte de import.") });
            EXPECT_EQ(journal(t, true), before);
        }

    // Followed to the end, every data row is counted.
    TestFolder t;
    import::ImportProgress progress;
    qint64 last = 0;
    progress.rowsRead = [&](qint64 rows) {
        last = rows;
    };
    import::Limits limits;
    limits.progress = &progress;
    const Imported r = runImport(t, QStringLiteral("journal.xlsx"), C, true, false, limits);
    EXPECT_TRUE(r.outcome.ok());
    EXPECT_GE(last, r.outcome.rowsWritten);
    EXPECT_EQ(r.messages, QStringList { Success });
}

// The run tells the window how many data rows to expect where the workbook says (after its
// header row); where it does not, the window shows the count alone.
TEST(ImportRun, TellsTheExpectedDataRows)
{
    struct Case
    {
        const char* file;
        bool known;
    };
    for (const Case c : { Case { "journal.xls", true }, Case { "journal.xlsx", false } }) {
        SCOPED_TRACE(c.file);
        TestFolder t;
        import::ImportProgress progress;
        qint64 last = 0;
        qint64 expectedAtFirstRow = -2;
        progress.rowsRead = [&](qint64 rows) {
            if (rows == 1)
                expectedAtFirstRow = progress.expectedRows;
            last = rows;
        };
        import::Limits limits;
        limits.progress = &progress;
        const Imported r = runImport(t, QString::fromLatin1(c.file), C, true, false, limits);
        EXPECT_TRUE(r.outcome.ok());
        EXPECT_EQ(expectedAtFirstRow, c.known ? last : -1);
    }
}
