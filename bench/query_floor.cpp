// The floor of the declarations: their grouped queries alone, sent by SQLite's own API to the
// program folder's database, every row and column read once, nothing written.
//   query_floor declare FOLDER [THREADS]   the 2012+ declaration's two partner-totals queries
//   query_floor semester FOLDER [THREADS]  the semester report's four (passes A, B, E, F)
// THREADS, when given, is passed to PRAGMA threads (helper threads for the sorter).
// Prints "name value" lines.
#include "declaration/PartnerTotals.h"
#include "declaration/SemesterPasses.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <sqlite3.h>

#include <cstdio>

using namespace orvida::declaration;

namespace {

int run(const QString& folder, const QStringList& queries, const QString& threads)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("Orvida.mdb")));
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", path.constData(), sqlite3_errmsg(db));
        return 1;
    }
    if (!threads.isEmpty())
        sqlite3_exec(db, QStringLiteral("PRAGMA threads=%1").arg(threads.toInt()).toUtf8().constData(), nullptr,
                     nullptr, nullptr);
    long long rows = 0;
    double checksum = 0;
    for (const QString& sql : queries) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
            return 1;
        }
        const int columns = sqlite3_column_count(st);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c)
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    checksum += sqlite3_column_bytes(st, c);
                else
                    checksum += sqlite3_column_double(st, c);
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
            return 1;
        }
    }
    sqlite3_close(db);
    std::printf("queries_ms %lld\ngroups %lld\nchecksum %.2f\n", static_cast<long long>(timer.elapsed()), rows,
                checksum);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString threads = args.size() == 4 ? args[3] : QString();
    if (args.size() >= 3 && args.size() <= 4 && args[1] == QLatin1String("declare"))
        return run(args[2], { partnerTotalsSql(Journal::Purchases), partnerTotalsSql(Journal::Sales) }, threads);
    if (args.size() >= 3 && args.size() <= 4 && args[1] == QLatin1String("semester"))
        return run(args[2],
                   { passQuery(SemesterPass::A), passQuery(SemesterPass::B), passQuery(SemesterPass::E),
                     passQuery(SemesterPass::F) },
                   threads);
    std::fprintf(stderr, "usage: query_floor declare|semester FOLDER [THREADS]\n");
    return 64;
}
