// The .xlsx sheet is inflated and parsed on one thread while its rows are stored on another. These
// tests use sheets long enough that the parsing thread is several batches ahead when the import
// stops, wherever it stops: the journal must be as it was and the thread must end.
#include "ImportTestSupport.h"

#include "base/ErrorReport.h"
#include "import/ImportProgress.h"
#include "import/ImportRun.h"
#include "import/Prefetcher.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <atomic>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::test;

namespace {

constexpr int DataRows = 20000; // some twelve batches of the parsing thread
constexpr int Late = 15000; // a row of the sheet far past what the first batches hold
const QString Damaged = QStringLiteral("Fisierul .xlsx este deteriorat sau incomplet.");

// Shared strings: the five headers, 40 names, 40 codes, and one name longer than a short string.
constexpr int Names = 5;
constexpr int Codes = 45;
constexpr int LongName = 85;

QByteArray sharedStrings()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    QStringList all = { QStringLiteral("NUME"), QStringLiteral("CODFISCAL"), QStringLiteral("TOTAL"),
                        QStringLiteral("BAZA"), QStringLiteral("TVA") };
    for (int i = 0; i < 40; ++i)
        all << QStringLiteral("Partener %1 SRL").arg(i);
    for (int i = 0; i < 40; ++i)
        all << QStringLiteral("RO%1").arg(1000 + i);
    all << QStringLiteral("Societatea cu un nume foarte lung ") + QString(300, QLatin1Char('x'));
    for (const QString& s : all)
        xml += "<si><t>" + s.toUtf8() + "</t></si>";
    return xml + "</sst>";
}

// The data row of sheet row `r`: a name and a code from the shared strings (the long name on every
// 7th row, the code as a number on every 3rd), TOTAL, BAZA, TVA.
QByteArray dataRow(int r)
{
    const QByteArray n = QByteArray::number(r);
    const int name = r % 7 == 0 ? LongName : Names + r % 40;
    const QByteArray code = r % 3 == 0
        ? "<c r=\"B" + n + "\"><v>" + QByteArray::number(20000000 + r) + "</v></c>"
        : "<c r=\"B" + n + "\" t=\"s\"><v>" + QByteArray::number(Codes + r % 40) + "</v></c>";
    return "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + QByteArray::number(name) + "</v></c>" + code
        + "<c r=\"C" + n + "\"><v>" + QByteArray::number(r % 1000 + 119) + "</v></c><c r=\"D" + n + "\"><v>"
        + QByteArray::number(r % 1000 + 100) + "</v></c><c r=\"E" + n + "\"><v>19</v></c></row>";
}

// How a sheet departs from the sound one at row `row`.
struct Fault
{
    int row = 0; // 0: a sound sheet
    QByteArray xml; // replaces the row ("%1" is its number); empty: the sheet stops inside the row
    bool last = false; // the sheet stops after `xml`
};

void writeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& parts)
{
    QuaZip zip(path);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    for (const auto& [name, bytes] : parts) {
        QuaZipFile file(&zip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        file.write(bytes);
        file.close();
    }
    zip.close();
}

// A journal of DataRows rows under the header, with the fault, and rows missing from the file
// (empty rows of the sheet) where `gaps` says.
QString writeJournal(const TestFolder& t, const Fault& fault = {}, const std::function<bool(int)>& gaps = {})
{
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                       "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
                       "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" "
                       "t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c></row>";
    bool cut = false;
    for (int r = 2; r <= DataRows + 1 && !cut; ++r) {
        if (gaps && gaps(r))
            continue;
        if (r != fault.row) {
            sheet += dataRow(r);
        } else if (fault.xml.isEmpty()) {
            sheet += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A";
            cut = true;
        } else {
            sheet += QByteArray(fault.xml).replace("%1", QByteArray::number(r));
            cut = fault.last;
        }
    }
    if (!cut)
        sheet += "</sheetData></worksheet>";
    const QString path = t.file(QStringLiteral("jurnal.xlsx"));
    writeZip(path,
             { { QStringLiteral("_rels/.rels"),
                 "<?xml version=\"1.0\"?><Relationships "
                 "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                 "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                 "Target=\"xl/workbook.xml\"/></Relationships>" },
               { QStringLiteral("xl/workbook.xml"),
                 "<?xml version=\"1.0\"?><workbook "
                 "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet "
                 "name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>" },
               { QStringLiteral("xl/_rels/workbook.xml.rels"),
                 "<?xml version=\"1.0\"?><Relationships "
                 "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                 "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                 "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
                 "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                 "Target=\"sharedStrings.xml\"/></Relationships>" },
               { QStringLiteral("xl/sharedStrings.xml"), sharedStrings() },
               { QStringLiteral("xl/worksheets/sheet1.xml"), sheet } });
    return path;
}

// Both journals, row by row.
QStringList journals(const TestFolder& t)
{
    QStringList out;
    for (const char* table : { "zet_jct_UE", "zet_jvt_UE" }) {
        auto rs = store::query(
            t.folder(),
            QStringLiteral("select NUME, CODF, TOTAL, COL6, COL7 from %1 order by rowid").arg(QLatin1String(table)));
        EXPECT_TRUE(rs.ok());
        for (int r = 0; rs.ok() && r < rs->size(); ++r) {
            QStringList cells;
            for (const char* c : { "NUME", "CODF", "TOTAL", "COL6", "COL7" })
                cells << rs->value(r, QString::fromLatin1(c)).toText();
            out << QLatin1String(table) + QLatin1Char('|') + cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

void seedJournals(const TestFolder& t)
{
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
    t.exec(QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO2', 119, 100)"));
}

struct Imported
{
    import::ImportOutcome outcome;
    QStringList messages;
};

Imported runImport(const TestFolder& t,
                   const QString& path,
                   bool replaceJournal,
                   const import::Limits& limits = {},
                   import::Journal journal = import::Journal::Purchases,
                   bool reverseCharge = false)
{
    import::ImportInputs in;
    in.journal = journal;
    in.path = path;
    in.replaceJournal = replaceJournal;
    in.reverseCharge = reverseCharge;
    MessageList sink;
    Imported out { import::importJournal(in, t.folder(), sink, limits), sink.texts() };
    return out;
}

} // namespace

// The whole sheet, read across many batches with rows missing from the file at and around the
// batches' edges, comes out row for row as it is in the file.
TEST(ImportPipeline, RowsComeOutAsTheFileHasThem)
{
    TestFolder t;
    const auto gap = [](int r) {
        return r % 1700 < 3 || (r > 9000 && r < 9600);
    };
    const SheetDump dump = dumpSheet(writeJournal(t, {}, gap));
    ASSERT_EQ(dump.failure, QString());
    QStringList expected { QStringLiteral("T:NUME|T:CODFISCAL|T:TOTAL|T:BAZA|T:TVA") };
    const QString longName = QStringLiteral("Societatea cu un nume foarte lung ") + QString(300, QLatin1Char('x'));
    for (int r = 2; r <= DataRows + 1; ++r) {
        if (gap(r)) {
            expected << QString();
            continue;
        }
        expected << QStringLiteral("T:%1|%2|N:%3|N:%4|N:19")
                        .arg(r % 7 == 0 ? longName : QStringLiteral("Partener %1 SRL").arg(r % 40),
                             r % 3 == 0 ? QStringLiteral("N:%1").arg(20000000 + r)
                                        : QStringLiteral("T:RO%1").arg(1000 + r % 40))
                        .arg(r % 1000 + 119)
                        .arg(r % 1000 + 100);
    }
    ASSERT_EQ(dump.rows.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        ASSERT_EQ(dump.rows[i], expected[i]) << "row " << i + 1;

    const Imported r = runImport(t, writeJournal(t), true);
    EXPECT_EQ(r.messages, QStringList { QStringLiteral("Importul s-a realizat cu succes") });
    EXPECT_EQ(r.outcome.rowsWritten, DataRows);
    EXPECT_EQ(journals(t).size(), DataRows);
}

// Every row of a long sheet is stored as the sheet has it, in order, for each journal and option:
// runs of rows broken at irregular places by rows without a code, names cut to 35 characters,
// numeric codes as digits, an empty name as an empty text, and only the amounts the option keeps.
TEST(ImportPipeline, EveryRowIsStoredAsTheSheetHasIt)
{
    struct Case
    {
        import::Journal journal;
        bool reverseCharge;
        const char* columns; // where TOTAL, BAZA and TVA go; TVA not at all when only two
    };
    const Case cases[] = {
        { import::Journal::Purchases, false, "TOTAL,COL6,COL7" },
        { import::Journal::Purchases, true, "TOTAL,COL16,COL17" },
        { import::Journal::Sales, false, "TOTAL,COL6,COL7" },
        { import::Journal::Sales, true, "TOTAL,COL10" },
    };
    constexpr int EmptyName = 4321;
    const auto noCode = [](int r) {
        return r % 97 == 0 || r % 1000 == 1 || (r > 3000 && r < 3010);
    };
    const QByteArray emptyName = "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t></t></is></c><c r=\"B%1\" "
                                 "t=\"inlineStr\"><is><t>RO9</t></is></c><c r=\"C%1\"><v>7.5</v></c><c "
                                 "r=\"D%1\"><v>6.5</v></c><c r=\"E%1\"><v>1</v></c></row>";
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 reverse %2").arg(int(c.journal)).arg(c.reverseCharge).toStdString());
        TestFolder t;
        const QString path = writeJournal(t, { EmptyName, emptyName }, noCode);
        const Imported r = runImport(t, path, true, {}, c.journal, c.reverseCharge);
        ASSERT_EQ(r.messages, QStringList { QStringLiteral("Importul s-a realizat cu succes") });

        const QStringList amounts = QString::fromLatin1(c.columns).split(QLatin1Char(','));
        auto rs = store::query(t.folder(),
                               QStringLiteral("select NUME is null, NUME, CODF, %1 from %2 order by rowid")
                                   .arg(amounts.join(QLatin1Char(',')), store::journalTable(c.journal)));
        ASSERT_TRUE(rs.ok());
        QStringList stored;
        for (int i = 0; i < rs->size(); ++i) {
            QStringList cells;
            for (int k = 0; k < 3 + amounts.size(); ++k)
                cells << rs->rows[i][k].toText();
            stored << cells.join(QLatin1Char('|'));
        }
        QStringList expected;
        const QString longName = QStringLiteral("Societatea cu un nume foarte lung x");
        for (int row = 2; row <= DataRows + 1; ++row) {
            if (noCode(row))
                continue;
            const QStringList all = row == EmptyName
                ? QStringList { QStringLiteral("0"), QString(),           QStringLiteral("RO9"),
                                QStringLiteral("8"), QStringLiteral("6"), QStringLiteral("1") }
                : QStringList { QStringLiteral("0"),
                                row % 7 == 0 ? longName : QStringLiteral("Partener %1 SRL").arg(row % 40),
                                row % 3 == 0 ? QString::number(20000000 + row)
                                             : QStringLiteral("RO%1").arg(1000 + row % 40),
                                QString::number(row % 1000 + 119),
                                QString::number(row % 1000 + 100),
                                QStringLiteral("19") };
            expected << all.mid(0, 3 + amounts.size()).join(QLatin1Char('|'));
        }
        ASSERT_EQ(stored.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            ASSERT_EQ(stored[i], expected[i]) << "stored row " << i + 1;
        EXPECT_EQ(r.outcome.rowsWritten, expected.size());
    }
}

// A failure on either side, late in the sheet or at its first row, shows the step and the reason
// it shows on one thread, and leaves both journals as they were, whether the journal was to be
// emptied first or appended to.
TEST(ImportPipeline, AFailureOnEitherSideLeavesTheJournalsAsTheyWere)
{
    const QString tooLong = QStringLiteral("Celula din randul %1, coloana A, are mai mult de 32767 de caractere.");
    struct Case
    {
        const char* what;
        Fault fault;
        int label;
        QString reason; // empty: not compared (SQLite's own text)
    };
    const Case cases[] = {
        { "sheet cut short", { Late, {} }, 460, Damaged },
        { "sheet cut at the first data row", { 2, {} }, 170, Damaged },
        // The rows missing before the cut row are empty rows read before it: the failure is past
        // the first data row.
        { "sheet cut after missing rows", { 2, "<row r=\"5\"><c r=\"A5\" t=\"s\"><v>", true }, 460, Damaged },
        { "rows out of order", { Late, "<row r=\"3\"></row>" }, 460, Damaged },
        { "no such shared string",
          { Late, "<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>99999</v></c></row>" },
          460,
          Damaged },
        { "a number beyond a double",
          { Late, "<row r=\"%1\"><c r=\"B%1\"><v>1</v></c><c r=\"C%1\"><v>1e999</v></c></row>" },
          460,
          Damaged },
        { "a text over the cell limit, made on the storing side",
          { Late,
            "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>" + QByteArray(40000, 'a') + "</t></is></c></row>" },
          460,
          tooLong.arg(Late) },
        { "a text far over the cell limit, stopped while parsing",
          { Late,
            "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>" + QByteArray(120000, 'a') + "</t></is></c></row>" },
          460,
          tooLong.arg(Late) },
        { "a damaged cell before a text far over the limit, in one row",
          { Late,
            "<row r=\"%1\"><c r=\"A%1\" t=\"s\"><v>99999</v></c><c r=\"B%1\" t=\"inlineStr\"><is><t>"
                + QByteArray(120000, 'a') + "</t></is></c></row>" },
          460,
          Damaged },
        { "an amount that is not a number",
          { Late,
            "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>X</t></is></c><c r=\"B%1\"><v>1</v></c><c r=\"C%1\" "
            "t=\"inlineStr\"><is><t>119 lei</t></is></c></row>" },
          230,
          QStringLiteral("Randul %1: Valoarea \"119 lei\" din coloana TOTAL nu este un numar.").arg(Late) },
        { "an insert refused by the database",
          { Late,
            "<row r=\"%1\"><c r=\"A%1\" t=\"inlineStr\"><is><t>X</t></is></c><c r=\"B%1\" "
            "t=\"inlineStr\"><is><t>RO-REFUZAT</t></is></c><c r=\"C%1\"><v>1</v></c><c r=\"D%1\"><v>1</v></c><c "
            "r=\"E%1\"><v>0</v></c></row>" },
          270,
          {} },
    };
    for (const Case& c : cases) {
        for (bool replaceJournal : { true, false }) {
            SCOPED_TRACE(
                QStringLiteral("%1, empty first %2").arg(QLatin1String(c.what)).arg(replaceJournal).toStdString());
            TestFolder t;
            seedJournals(t);
            t.exec(QStringLiteral("create trigger refuse before insert on zet_jct_UE when new.CODF = 'RO-REFUZAT' "
                                  "begin select raise(abort, 'refuzat'); end"));
            const QStringList before = journals(t);
            const Imported r = runImport(t, writeJournal(t, c.fault), replaceJournal);
            EXPECT_EQ(r.outcome.label, c.label);
            EXPECT_EQ(r.messages, QStringList { report::importStructure(c.label).text });
            if (!c.reason.isEmpty()) {
                EXPECT_EQ(r.outcome.failure.description, c.reason);
            }
            EXPECT_EQ(journals(t), before);
        }
    }
}

// A stop asked for from the window at any row, the last included, rolls the import back; the
// count of rows follows the rows stored, one by one, up to the stop.
TEST(ImportPipeline, AStopAtAnyRowRollsBack)
{
    for (int stopAt : { 1, 1500, Late, DataRows }) {
        for (bool replaceJournal : { true, false }) {
            SCOPED_TRACE(QStringLiteral("stop at %1, empty first %2").arg(stopAt).arg(replaceJournal).toStdString());
            TestFolder t;
            seedJournals(t);
            const QStringList before = journals(t);
            import::ImportProgress progress;
            qint64 count = 0;
            bool inOrder = true;
            progress.rowsRead = [&](qint64 rows) {
                inOrder = inOrder && rows == count + 1;
                count = rows;
                if (rows == stopAt)
                    progress.cancel = true;
            };
            import::Limits limits;
            limits.progress = &progress;
            const Imported r = runImport(t, writeJournal(t), replaceJournal, limits);
            EXPECT_TRUE(inOrder);
            EXPECT_EQ(count, stopAt);
            EXPECT_EQ(r.outcome.failure.number, err::UserInterrupt);
            EXPECT_EQ(r.outcome.label, 460);
            EXPECT_EQ(r.messages,
                      QStringList {
                          QStringLiteral("Importul a fost oprit. Jurnalul a ramas asa cum era inainte de import.") });
            EXPECT_EQ(journals(t), before);
        }
    }
}

// A reader dropped at any point, with the parsing thread waiting for room or still parsing, ends
// it and returns.
TEST(ImportPipeline, AReaderDroppedEarlyEndsItsThread)
{
    TestFolder t;
    const QString path = writeJournal(t);
    for (int taken : { 0, 1, 1700, Late, DataRows + 1, DataRows + 2 }) {
        SCOPED_TRACE(taken);
        import::ReadFailure failure;
        auto book = import::openWorkbook(path, failure);
        ASSERT_TRUE(book);
        auto sheet = book->openSheet(QStringLiteral("Sheet1"), failure);
        ASSERT_TRUE(sheet);
        import::Row row;
        for (int i = 0; i < taken; ++i) {
            auto more = sheet->nextRow(row);
            ASSERT_TRUE(more.ok());
            ASSERT_EQ(*more, i < DataRows + 1);
        }
        sheet.reset();
    }
}

// The hand-over itself: batches come out in order, the producer never runs more than its depth
// ahead, an exception comes out after the batches before it, and dropping the prefetcher stops a
// producer that would never end.
TEST(Prefetcher, HandsOverInOrderWithinItsDepth)
{
    struct Case
    {
        int batches; // -1: never ends
        int throwAt; // -1: never
        int depth;
        int taken; // -1: all
    };
    const Case cases[] = {
        { 10, -1, 1, -1 }, { 10, -1, 4, -1 }, { 10, 6, 2, -1 }, { -1, -1, 3, 0 },
        { -1, -1, 1, 5 },  { 1, -1, 4, -1 },  { 10, 0, 4, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.batches << " batches, throw at " << c.throwAt << ", depth " << c.depth
                                        << ", taken " << c.taken);
        std::atomic<int> produced { 0 };
        int next = 0;
        bool thrown = false;
        {
            import::Prefetcher<int> prefetcher(c.depth);
            prefetcher.start([&](int& batch) {
                batch = produced++;
                if (batch == c.throwAt)
                    throw std::runtime_error("plin");
                return c.batches < 0 || batch + 1 < c.batches;
            });
            try {
                for (; c.taken < 0 || next < c.taken; ++next) {
                    const std::optional<int> batch = prefetcher.take();
                    if (!batch)
                        break;
                    EXPECT_EQ(*batch, next);
                    // One being made, `depth` waiting, the one just taken.
                    EXPECT_LE(produced.load(), next + c.depth + 2);
                }
            } catch (const std::runtime_error&) {
                thrown = true;
            }
        }
        EXPECT_EQ(thrown, c.throwAt >= 0);
        if (c.throwAt >= 0)
            EXPECT_EQ(next, c.throwAt);
        else if (c.taken < 0)
            EXPECT_EQ(next, c.batches);
        else
            EXPECT_EQ(next, c.taken);
    }
}
