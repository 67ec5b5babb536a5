// The floors the journal import is measured against: what the libraries alone take.
//   import_floor xls FILE.xls      FreeXL reads every cell of Sheet1, then one prepared
//                                        statement inserts that many rows in one transaction
//   import_floor inflate FILE.xlsx QuaZip inflates the sheet part, nothing else
//   import_floor xlsx FILE.xlsx    one thread: QuaZip inflates the shared strings and Sheet1,
//                                        expat parses them, one prepared statement inserts the
//                                        rows (columns A to E, header skipped) in one transaction
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
#include <vector>

namespace {

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
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("floor.db"))).constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE TABLE j (NUME TEXT, CODF TEXT, TOTAL REAL NOT NULL DEFAULT 0, "
                 "COL6 REAL NOT NULL DEFAULT 0, COL7 REAL NOT NULL DEFAULT 0)",
                 nullptr, nullptr, nullptr);
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

// The sheet's cells as expat hands them over: the value of <v> (or of <t> in a shared string).
struct XlsxState
{
    std::vector<std::string> shared;
    std::string text;
    bool inText = false;
    bool sharedCell = false;
    int column = -1;
    std::string cells[5];
    long long rows = 0;
    sqlite3_stmt* insert = nullptr;
};

const char* attr(const char** atts, const char* name)
{
    for (int i = 0; atts[i]; i += 2)
        if (std::strcmp(atts[i], name) == 0)
            return atts[i + 1];
    return nullptr;
}

void onText(void* user, const XML_Char* s, int len)
{
    auto* x = static_cast<XlsxState*>(user);
    if (x->inText)
        x->text.append(s, size_t(len));
}

void sharedStart(void* user, const XML_Char* name, const XML_Char**)
{
    auto* x = static_cast<XlsxState*>(user);
    if (std::strcmp(name, "si") == 0)
        x->text.clear();
    else if (std::strcmp(name, "t") == 0)
        x->inText = true;
}

void sharedEnd(void* user, const XML_Char* name)
{
    auto* x = static_cast<XlsxState*>(user);
    if (std::strcmp(name, "t") == 0)
        x->inText = false;
    else if (std::strcmp(name, "si") == 0)
        x->shared.push_back(x->text);
}

void sheetStart(void* user, const XML_Char* name, const XML_Char** atts)
{
    auto* x = static_cast<XlsxState*>(user);
    if (std::strcmp(name, "c") == 0) {
        const char* r = attr(atts, "r");
        const char* t = attr(atts, "t");
        x->column = r && r[0] >= 'A' && r[0] <= 'E' && (r[1] >= '0' && r[1] <= '9') ? r[0] - 'A' : -1;
        x->sharedCell = t && std::strcmp(t, "s") == 0;
    } else if (std::strcmp(name, "v") == 0) {
        x->text.clear();
        x->inText = true;
    } else if (std::strcmp(name, "row") == 0) {
        for (auto& c : x->cells)
            c.clear();
    }
}

void sheetEnd(void* user, const XML_Char* name)
{
    auto* x = static_cast<XlsxState*>(user);
    if (std::strcmp(name, "v") == 0) {
        x->inText = false;
        if (x->column >= 0)
            x->cells[x->column] = x->sharedCell ? x->shared.at(std::strtoul(x->text.c_str(), nullptr, 10)) : x->text;
    } else if (std::strcmp(name, "row") == 0 && x->rows++ > 0) {
        sqlite3_bind_text(x->insert, 1, x->cells[0].data(), int(x->cells[0].size()), SQLITE_STATIC);
        sqlite3_bind_text(x->insert, 2, x->cells[1].data(), int(x->cells[1].size()), SQLITE_STATIC);
        for (int c = 2; c < 5; ++c)
            sqlite3_bind_double(x->insert, c + 1, std::strtod(x->cells[c].c_str(), nullptr));
        sqlite3_step(x->insert);
        sqlite3_reset(x->insert);
    }
}

bool parsePart(
    QuaZip& zip, const QString& part, XlsxState& state, XML_StartElementHandler start, XML_EndElementHandler end)
{
    if (!zip.setCurrentFile(part))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetUserData(p, &state);
    XML_SetElementHandler(p, start, end);
    XML_SetCharacterDataHandler(p, onText);
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    bool ok = true;
    for (qint64 n; ok && (n = file.read(buffer.data(), buffer.size())) > 0;)
        ok = XML_Parse(p, buffer.constData(), int(n), XML_FALSE) == XML_STATUS_OK;
    ok = ok && XML_Parse(p, nullptr, 0, XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(p);
    return ok;
}

int xlsxFloor(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QTemporaryDir dir;
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("floor.db"))).constData(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE TABLE j (NUME TEXT, CODF TEXT, TOTAL REAL NOT NULL DEFAULT 0, "
                 "COL6 REAL NOT NULL DEFAULT 0, COL7 REAL NOT NULL DEFAULT 0)",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    XlsxState state;
    sqlite3_prepare_v2(db, "INSERT INTO j (NUME,CODF,TOTAL,COL6,COL7) VALUES (?,?,?,?,?)", -1, &state.insert, nullptr);
    QuaZip zip(path);
    const bool ok = zip.open(QuaZip::mdUnzip)
        && parsePart(zip, QStringLiteral("xl/sharedStrings.xml"), state, sharedStart, sharedEnd)
        && parsePart(zip, QStringLiteral("xl/worksheets/sheet1.xml"), state, sheetStart, sheetEnd);
    sqlite3_finalize(state.insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (!ok)
        return 1;
    std::printf("xlsx_ms %lld\n", static_cast<long long>(timer.elapsed()));
    std::printf("rows %lld\n", state.rows > 0 ? state.rows - 1 : 0);
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
