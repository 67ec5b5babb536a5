#include "ImportTestSupport.h"

#include "../../fuzz/ReadWorkbook.h"

#include <QDir>
#include <QTemporaryDir>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::test;
using import::ReadError;

namespace {

const QStringList TypesHeader = { QStringLiteral("T:Text|T:Numar|T:Logic|T:Formula|T:Data|T:Eroare|T:Gol|T:Inline") };

// A copy of an .xlsx whose sheet part has `element` written just before its rows.
bool copyWithBeforeRows(const QString& from, const QString& to, const QByteArray& element)
{
    QuaZip in(from);
    QuaZip out(to);
    if (!in.open(QuaZip::mdUnzip) || !out.open(QuaZip::mdCreate))
        return false;
    for (bool more = in.goToFirstFile(); more; more = in.goToNextFile()) {
        const QString name = in.getCurrentFileName();
        QuaZipFile part(&in);
        if (!part.open(QIODevice::ReadOnly))
            return false;
        QByteArray bytes = part.readAll();
        if (name == QLatin1String("xl/worksheets/sheet1.xml"))
            bytes.replace("<sheetData>", element + "<sheetData>");
        QuaZipFile copy(&out);
        if (!copy.open(QIODevice::WriteOnly, QuaZipNewInfo(name)) || copy.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

// The rows the sheet "Sheet1" says it holds, -1 when it does not say; read after its first row.
qint64 expectedRows(const QString& path)
{
    import::ReadFailure f;
    auto book = import::openWorkbook(path, f);
    auto sheet = book ? book->openSheet(QStringLiteral("Sheet1"), f) : nullptr;
    import::Row row;
    if (!sheet || !sheet->nextRow(row))
        return -2;
    return sheet->expectedRows().value_or(-1);
}

} // namespace

// Every kind of cell, as each format stores it: shared strings (rich text whose phonetic
// reading is not part of the value), inline strings, numbers, booleans, cached formula results,
// dates (by their number format, in both date systems) and errors.
TEST(Readers, CellKinds)
{
    const QString row1 = QStringLiteral("T:Pădurea Verde|N:42.25|B:1|N:42|D:45351|E:#N/A||T:Scris în celulă");
    const QString row2 = QStringLiteral("T:Două|N:-7|B:0|N:0.25|D:61|E:#DIV/0!");
    struct Case
    {
        const char* file;
        QStringList rows;
    };
    const Case cases[] = {
        { "types.xlsx", TypesHeader + QStringList { row1, row2 + QStringLiteral("||T:") } },
        { "types-1904.xlsx", TypesHeader + QStringList { row1, row2 + QStringLiteral("||T:") } },
        // BIFF has no empty text cell: the writer leaves it blank.
        { "types.xls", TypesHeader + QStringList { row1, row2 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const SheetDump d = dumpSheet(dataFile(QString::fromLatin1(c.file)));
        EXPECT_EQ(d.failure, QString());
        EXPECT_EQ(d.rows, c.rows);
    }
}

TEST(Readers, SheetIsFoundByNameNotPosition)
{
    for (const char* name : { "types.xlsx", "types.xls" }) {
        SCOPED_TRACE(name);
        import::ReadFailure f;
        auto book = import::openWorkbook(dataFile(QString::fromLatin1(name)), f);
        ASSERT_TRUE(book);
        EXPECT_EQ(book->sheetNames(), (QStringList { QStringLiteral("Foaie1"), QStringLiteral("Sheet1") }));
        auto sheet = book->openSheet(QStringLiteral("SHEET1"), f);
        ASSERT_TRUE(sheet);
        import::Row row;
        ASSERT_TRUE(sheet->nextRow(row).value());
        EXPECT_EQ(describe(row), TypesHeader.first());
        EXPECT_FALSE(book->openSheet(QStringLiteral("Sheet2"), f));
        EXPECT_EQ(f.error, ReadError::NoSuchSheet);
    }
}

TEST(Readers, BothFormatsReadTheSameRows)
{
    const SheetDump xls = dumpSheet(dataFile(QStringLiteral("journal.xls")));
    const SheetDump xlsx = dumpSheet(dataFile(QStringLiteral("journal.xlsx")));
    const SheetDump inlineStrings = dumpSheet(dataFile(QStringLiteral("journal-inline.xlsx")));
    EXPECT_EQ(xls.failure, QString());
    EXPECT_EQ(xls.rows.size(), 9);
    EXPECT_EQ(xls.rows, xlsx.rows);
    EXPECT_EQ(xls.rows, inlineStrings.rows);
    EXPECT_EQ(xls.rows.value(4), QString()); // the blank row between data rows is kept
}

// The format is told by the bytes: a workbook saved under the other extension reads the same.
TEST(Readers, FormatComesFromTheContentNotTheName)
{
    QTemporaryDir dir;
    const QString asXls = dir.filePath(QStringLiteral("jurnal.xls"));
    const QString asXlsx = dir.filePath(QStringLiteral("jurnal.xlsx"));
    ASSERT_TRUE(QFile::copy(dataFile(QStringLiteral("journal.xlsx")), asXls));
    ASSERT_TRUE(QFile::copy(dataFile(QStringLiteral("journal.xls")), asXlsx));
    EXPECT_EQ(dumpSheet(asXls).rows, dumpSheet(dataFile(QStringLiteral("journal.xlsx"))).rows);
    EXPECT_EQ(dumpSheet(asXlsx).rows, dumpSheet(dataFile(QStringLiteral("journal.xls"))).rows);
}

// Each damaged or unreadable file fails with its reason at the step where it shows: opening
// the workbook, opening the sheet, or reading its rows.
TEST(Readers, BadFilesFailClearly)
{
    enum Stage { Open, Sheet, Rows };
    import::Limits small;
    small.sheetBytes = 1 << 20;
    struct Case
    {
        const char* file;
        Stage stage;
        ReadError error; // for Open and Sheet
        import::Limits limits;
    };
    const Case cases[] = {
        { "nu-exista.xlsx", Open, ReadError::NotFound, {} },
        { "not-a-workbook.xls", Open, ReadError::NotAWorkbook, {} },
        { "truncated.xls", Open, ReadError::Corrupt, {} },
        { "truncated.xlsx", Open, ReadError::Corrupt, {} },
        { "protected.xls", Open, ReadError::Protected, {} },
        { "encrypted.xlsx", Open, ReadError::Protected, {} },
        { "bomb.xlsx", Sheet, ReadError::TooLarge, {} },
        { "inflating.xlsx", Sheet, ReadError::TooLarge, small },
        { "inflating-lying.xlsx", Rows, ReadError::TooLarge, small }, // its header claims 1000 bytes
        { "cut-sheet.xlsx", Rows, ReadError::Corrupt, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        import::ReadFailure f;
        auto book = import::openWorkbook(dataFile(QString::fromLatin1(c.file)), f, c.limits);
        if (c.stage == Open) {
            EXPECT_FALSE(book);
            EXPECT_EQ(f.error, c.error);
            EXPECT_FALSE(f.description.isEmpty());
            continue;
        }
        ASSERT_TRUE(book);
        auto sheet = book->openSheet(QStringLiteral("Sheet1"), f);
        if (c.stage == Sheet) {
            EXPECT_FALSE(sheet);
            EXPECT_EQ(f.error, c.error);
            continue;
        }
        ASSERT_TRUE(sheet);
        import::Row row;
        Result<bool> more = true;
        int rows = 0;
        while ((more = sheet->nextRow(row)) && *more)
            ++rows;
        EXPECT_FALSE(more.ok()) << rows << " rows read";
    }
}

// The fuzzers' seed corpus, read as the fuzzers read it: nothing crashes, hangs or leaks.
TEST(Readers, FuzzCorpus)
{
    int files = 0;
    for (const char* kind : { "xls", "xlsx" }) {
        QDir dir(QStringLiteral(ORVIDA_SOURCE_DIR "/fuzz/corpus/") + QLatin1String(kind));
        for (const QString& name : dir.entryList(QDir::Files)) {
            SCOPED_TRACE(name.toStdString());
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
            fuzz::readXls(data, size_t(bytes.size()));
            fuzz::readXlsx(data, size_t(bytes.size()));
            ++files;
        }
    }
    EXPECT_NE(files, 0) << "the starting corpus was not found";
}

// Rows 16,384 cells wide: the reader pauses its parser while rows wait, and resumes it where it
// stopped; every row still arrives, in order.
TEST(Readers, WideRowsArriveInOrder)
{
    import::ReadFailure f;
    auto book = import::openWorkbook(dataFile(QStringLiteral("wide-rows.xlsx")), f);
    ASSERT_TRUE(book);
    auto sheet = book->openSheet(QStringLiteral("Sheet1"), f);
    ASSERT_TRUE(sheet);
    import::Row row;
    int n = 0;
    while (sheet->nextRow(row).value()) {
        ++n;
        ASSERT_EQ(row.size(), 16384u);
        ASSERT_EQ(row.front(), import::Cell::ofNumber(n));
        ASSERT_EQ(row.back(), import::Cell::ofNumber(-n));
    }
    EXPECT_EQ(n, 200);
}

// The size of the sheet where the format tells it: an .xls by its DIMENSIONS record, brought down
// to the rows that hold records (so a record that claims the whole sheet tells the truth); an
// .xlsx by its <dimension> element, when its range is plausible. Either way the rows read are
// those of the sheet, whatever it claims.
TEST(Readers, ExpectedRowsWhereTheFormatTellsThem)
{
    QTemporaryDir dir;
    const SheetDump journal = dumpSheet(dataFile(QStringLiteral("journal.xls")));
    ASSERT_EQ(journal.rows.size(), 9);
    struct Case
    {
        const char* file; // a fixture, or journal.xlsx with this dimension element when set
        const char* dimension;
        qint64 expected; // -1: none
    };
    const Case cases[] = {
        { "journal.xls", nullptr, 9 },
        { "huge-dimensions.xls", nullptr, 9 }, // claims 65,536 rows
        { "journal.xlsx", nullptr, -1 }, // no dimension element
        { "journal.xlsx", R"(<dimension ref="A1:K9"/>)", 9 },
        { "journal.xlsx", R"(<dimension ref="$A$1:$K$9"/>)", 9 },
        { "journal.xlsx", R"(<dimension ref="A1"/>)", 1 },
        { "journal.xlsx", R"(<dimension ref="A1:K2000000"/>)", -1 }, // past the last row of a sheet
        { "journal.xlsx", R"(<dimension ref="K9:A1"/>)", -1 },
        { "journal.xlsx", R"(<dimension ref="A0:K9"/>)", -1 },
        { "journal.xlsx", R"(<dimension ref="nimic"/>)", -1 },
        { "journal.xlsx", R"(<dimension/>)", -1 },
        { "journal.xlsx", R"(<dimension ref="A1:K3"/>)", 3 }, // short of the rows: they are read all the same
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + (c.dimension ? c.dimension : ""));
        QString path = dataFile(QString::fromLatin1(c.file));
        if (c.dimension) {
            path = dir.filePath(QStringLiteral("dimension.xlsx"));
            QFile::remove(path);
            ASSERT_TRUE(copyWithBeforeRows(dataFile(QString::fromLatin1(c.file)), path, c.dimension));
        }
        EXPECT_EQ(expectedRows(path), c.expected);
        EXPECT_EQ(dumpSheet(path).rows, journal.rows);
    }
}
