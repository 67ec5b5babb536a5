// The floors the journal import is measured against: what the libraries alone take.
//   import_floor xls FILE.xls      FreeXL reads every cell of Sheet1, then one prepared
//                                        statement inserts that many rows in one transaction
//   import_floor inflate FILE.xlsx QuaZip inflates the sheet part, nothing else
//   import_floor xlsx FILE.xlsx    on one thread: QuaZip inflates the shared strings and the sheet,
//                                        expat parses them keeping only the five cells of each row,
//                                        one prepared statement inserts the rows in one transaction
// Prints "name milliseconds" lines.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <expat.h>
#include <freexl.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// A journal table of the program's shape in a fresh database, with the program's log.
sqlite3* openJournal(const QTemporaryDir& dir)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("floor.db"))).constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE TABLE j (NUME TEXT, CODF TEXT, TOTAL REAL NOT NULL DEFAULT 0, "
                 "COL6 REAL NOT NULL DEFAULT 0, COL7 REAL NOT NULL DEFAULT 0)",
                 nullptr, nullptr, nullptr);
    return db;
}

int xlsFloor(const QByteArray& path)
{
    QElapsedTimer timer;
    timer.start();
    const void* h = nullptr;
    if (freexl_open(path.constData(), &h) != FREEXL_OK || freexl_select_active_worksheet(h, 0) != FREEXL_OK)
        return 1;
    unsigned rows = 0;
    unsigned short cols = 0;
    freexl_worksheet_dimensions(h, &rows, &cols);
    size_t cells = 0;
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, c, &v) == FREEXL_OK && v.type != FREEXL_CELL_NULL)
                ++cells;
        }
    freexl_close(h);
    std::printf("freexl_read_ms %lld\n", static_cast<long long>(timer.elapsed()));

    QTemporaryDir dir;
    sqlite3* db = openJournal(dir);
    timer.restart();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO j (NUME,CODF,TOTAL,COL6,COL7) VALUES (?,?,?,?,?)", -1, &st, nullptr);
    for (unsigned r = 1; r < rows; ++r) {
        sqlite3_bind_text(st, 1, "Partener de proba SRL", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, "RO14399840", -1, SQLITE_STATIC);
        sqlite3_bind_double(st, 3, 1190);
        sqlite3_bind_double(st, 4, 1000);
        sqlite3_bind_double(st, 5, 190);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::printf("sqlite_insert_ms %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("cells %zu\n", cells);
    return 0;
}

int inflateFloor(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip) || !zip.setCurrentFile(QStringLiteral("xl/worksheets/sheet1.xml")))
        return 1;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (qint64 n; (n = file.read(buffer.data(), buffer.size())) > 0;)
        total += n;
    std::printf("inflate_ms %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("sheet_bytes %lld\n", static_cast<long long>(total));
    return 0;
}

// Feeds a whole part to expat in the chunks the import reads.
bool parsePart(QuaZip& zip, const QString& name, XML_Parser parser)
{
    if (!zip.setCurrentFile(name))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0 || XML_Parse(parser, buffer.constData(), int(n), n == 0) != XML_STATUS_OK)
            return false;
        if (n == 0)
            return true;
    }
}

struct XlsxState
{
    std::vector<std::string> shared;
    std::string text;
    bool inText = false;
    int column = 0;
    bool sharedCell = false;
    std::string cells[5];
    bool header = true;
    sqlite3_stmt* insert = nullptr;
    long long rows = 0;
};

int xlsxFloor(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QTemporaryDir dir;
    sqlite3* db = openJournal(dir);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    XlsxState st;
    sqlite3_prepare_v2(db, "INSERT INTO j (NUME,CODF,TOTAL,COL6,COL7) VALUES (?,?,?,?,?)", -1, &st.insert, nullptr);
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip))
        return 1;

    XML_Parser strings = XML_ParserCreate(nullptr);
    XML_SetUserData(strings, &st);
    XML_SetElementHandler(
        strings,
        [](void* u, const char* name, const char**) {
            auto* s = static_cast<XlsxState*>(u);
            if (std::strcmp(name, "si") == 0)
                s->text.clear();
            else if (std::strcmp(name, "t") == 0)
                s->inText = true;
        },
        [](void* u, const char* name) {
            auto* s = static_cast<XlsxState*>(u);
            if (std::strcmp(name, "t") == 0)
                s->inText = false;
            else if (std::strcmp(name, "si") == 0)
                s->shared.push_back(s->text);
        });
    XML_SetCharacterDataHandler(strings, [](void* u, const char* text, int len) {
        auto* s = static_cast<XlsxState*>(u);
        if (s->inText)
            s->text.append(text, size_t(len));
    });
    const bool stringsRead = parsePart(zip, QStringLiteral("xl/sharedStrings.xml"), strings);
    XML_ParserFree(strings);
    if (!stringsRead)
        return 1;

    XML_Parser sheet = XML_ParserCreate(nullptr);
    XML_SetUserData(sheet, &st);
    XML_SetElementHandler(
        sheet,
        [](void* u, const char* name, const char** atts) {
            auto* s = static_cast<XlsxState*>(u);
            if (std::strcmp(name, "c") == 0) {
                s->column = -1;
                s->sharedCell = false;
                for (int i = 0; atts[i]; i += 2)
                    if (std::strcmp(atts[i], "r") == 0)
                        s->column = atts[i + 1][0] - 'A';
                    else if (std::strcmp(atts[i], "t") == 0)
                        s->sharedCell = std::strcmp(atts[i + 1], "s") == 0;
            } else if (std::strcmp(name, "v") == 0) {
                s->text.clear();
                s->inText = true;
            }
        },
        [](void* u, const char* name) {
            auto* s = static_cast<XlsxState*>(u);
            if (std::strcmp(name, "v") == 0) {
                s->inText = false;
                if (s->column >= 0 && s->column < 5)
                    s->cells[s->column]
                        = s->sharedCell ? s->shared[size_t(std::strtoul(s->text.c_str(), nullptr, 10))] : s->text;
            } else if (std::strcmp(name, "row") == 0) {
                if (std::exchange(s->header, false))
                    return;
                sqlite3_bind_text(s->insert, 1, s->cells[0].data(), int(s->cells[0].size()), SQLITE_STATIC);
                sqlite3_bind_text(s->insert, 2, s->cells[1].data(), int(s->cells[1].size()), SQLITE_STATIC);
                for (int c = 2; c < 5; ++c)
                    sqlite3_bind_double(s->insert, c + 1, std::strtod(s->cells[c].c_str(), nullptr));
                sqlite3_step(s->insert);
                sqlite3_reset(s->insert);
                ++s->rows;
            }
        });
    XML_SetCharacterDataHandler(sheet, [](void* u, const char* text, int len) {
        auto* s = static_cast<XlsxState*>(u);
        if (s->inText)
            s->text.append(text, size_t(len));
    });
    const bool sheetRead = parsePart(zip, QStringLiteral("xl/worksheets/sheet1.xml"), sheet);
    XML_ParserFree(sheet);
    sqlite3_finalize(st.insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (!sheetRead)
        return 1;
    std::printf("xlsx_ms %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("rows %lld\n", st.rows);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("xls"))
        return xlsFloor(QFile::encodeName(args[2]));
    if (args.size() == 3 && args[1] == QLatin1String("inflate"))
        return inflateFloor(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("xlsx"))
        return xlsxFloor(args[2]);
    std::fprintf(stderr, "usage: import_floor xls FILE.xls | inflate FILE.xlsx | xlsx FILE.xlsx\n");
    return 64;
}
