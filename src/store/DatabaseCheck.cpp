#include "store/DatabaseCheck.h"

#include "base/ErrorReport.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

namespace orvida::store {

namespace {

// Immutable: no lock, no journal, no WAL or shared-memory file made beside it. The schema is
// written when the database is created, so the main file holds it.
Status checkTables(const QString& path)
{
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?immutable=1";
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    int tables = 0;
    if (rc == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        rc = sqlite3_prepare_v2(db,
                                "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) IN "
                                "('zet_info', 'zet_par')",
                                -1, &st, nullptr);
        if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            tables = sqlite3_column_int(st, 0);
        else if (rc == SQLITE_OK)
            rc = sqlite3_errcode(db);
        sqlite3_finalize(st);
    }
    const QString engine = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 nu este o baza de date Orvida (%2).").arg(path, engine) };
    if (tables != 2)
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 nu este o baza de date Orvida: lipsesc tabelele Zet_Info si "
                                        "Zet_Par.")
                             .arg(path) };
    return {};
}

} // namespace

Status checkOrvidaDatabase(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure { err::PathFileAccess, QStringLiteral("Baza de date %1 nu exista.").arg(path) };
    if (!info.isFile())
        return Failure { err::PathFileAccess, QStringLiteral("%1 nu este un fisier.").arg(path) };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 nu poate fi citit (%2).").arg(path, file.errorString()) };
    if (file.read(16) != QByteArray("SQLite format 3\0", 16))
        return Failure {
            err::PathFileAccess,
            QStringLiteral("Fisierul %1 nu este o baza de date Orvida: nu este o baza de date SQLite.").arg(path)
        };
    file.close();
    return checkTables(path);
}

Status checkOrvidaTables(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)
        || file.read(16) != QByteArray("SQLite format 3\0", 16))
        return {};
    file.close();
    return checkTables(path);
}

} // namespace orvida::store
