// The floors the journal import is measured against: what the libraries alone take.
//   import_floor xls FILE.xls      FreeXL reads every cell of Sheet1, then one prepared
//                                        statement inserts that many rows in one transaction
//   import_floor inflate FILE.xlsx QuaZip inflates the sheet part, nothing else
// Prints "name milliseconds" lines.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <freexl.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <sqlite3.h>

#include <cstdio>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("xls"))
        return xlsFloor(QFile::encodeName(args[2]));
    if (args.size() == 3 && args[1] == QLatin1String("inflate"))
        return inflateFloor(args[2]);
    std::fprintf(stderr, "usage: import_floor xls FILE.xls | inflate FILE.xlsx\n");
    return 64;
}
