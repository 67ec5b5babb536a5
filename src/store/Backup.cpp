#include "store/Backup.h"

#include "base/ErrorReport.h"
#include "store/Database.h"
#include "store/Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace orvida::store {

namespace {

const QStringList Tables = { QStringLiteral("zet_jct_UE"), QStringLiteral("zet_jvt_UE"), QStringLiteral("Zet_Info"),
                             QStringLiteral("Zet_Par") };

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void removeWithCompanions(const QString& path)
{
    for (const char* suffix : { "", "-wal", "-shm", "-journal" })
        QFile::remove(path + QLatin1String(suffix));
}

QString tempBeside(const QString& path, const char* what)
{
    return QFileInfo(path).absolutePath()
        + QStringLiteral("/.Orvida-%1-%2.tmp").arg(QLatin1String(what), QUuid::createUuid().toString(QUuid::Id128));
}

// A failure while writing a copy, named after the file the user asked for, not the temporary one.
Failure copyFailure(const QString& target, const Failure& f)
{
    const QFileInfo folder(QFileInfo(target).absolutePath());
    if (f.number == err::DiskFull)
        return { err::DiskFull, QStringLiteral("Discul este plin: copia %1 nu poate fi scrisa.").arg(shown(target)) };
    if (!folder.isDir())
        return { err::PathNotFound,
                 QStringLiteral("Folderul %1 nu exista: copia %2 nu poate fi scrisa.")
                     .arg(shown(folder.filePath()), shown(target)) };
    if (f.number == err::database(SQLITE_READONLY) || !folder.isWritable())
        return { err::PermissionDenied,
                 QStringLiteral("Folderul %1 este protejat la scriere: copia %2 nu poate fi scrisa.")
                     .arg(shown(folder.filePath()), shown(target)) };
    if (f.number == err::database(SQLITE_CANTOPEN))
        return { err::PathFileAccess, QStringLiteral("Copia %1 nu poate fi creata.").arg(shown(target)) };
    return { f.number, QStringLiteral("Copia %1 nu poate fi scrisa (%2).").arg(shown(target), f.description) };
}

// Copies every page of `from` into a new file `target` (replacing it at the end) in the rollback
// journal mode.
Status copyInto(Connection& from, const QString& target)
{
    const QString temp = tempBeside(target, "copie");
    const Status copied = [&]() -> Status {
        auto to = Connection::create(temp);
        if (!to)
            return to.failure();
        sqlite3_backup* backup = sqlite3_backup_init(to->handle(), "main", from.handle(), "main");
        if (!backup)
            return to->lastFailure();
        int rc = SQLITE_OK;
        for (int waited = 0;; waited += 50) {
            rc = sqlite3_backup_step(backup, -1);
            if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || waited >= BusyTimeoutMs)
                break;
            QThread::msleep(50);
        }
        // The step's failure is left on the destination connection.
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            return to->lastFailure();
        return to->exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    }();
    if (!copied) {
        removeWithCompanions(temp);
        return copyFailure(target, copied.failure());
    }
    // std::rename replaces an existing target in one step.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        const int e = errno;
        removeWithCompanions(temp);
        return copyFailure(target,
                           { e == ENOSPC ? err::DiskFull
                                         : (e == EACCES || e == EPERM || e == EROFS ? err::database(SQLITE_READONLY)
                                                                                    : err::PathFileAccess),
                             QString::fromLocal8Bit(std::strerror(e)) });
    }
    return Status::success();
}

Failure inUse(const QString& database)
{
    return { err::database(SQLITE_BUSY),
             QStringLiteral("Baza de date %1 este folosita de alta fereastra sau de alt program; inchideti-le si "
                            "incercati din nou. Baza de date nu a fost modificata.")
                 .arg(shown(database)) };
}

bool samePath(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

} // namespace

Status checkBackupTarget(const ProgramFolder& folder, const QString& target)
{
    if (samePath(target, folder.databasePath()))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Copia nu poate fi scrisa peste baza de date %1.").arg(shown(target)) };
    const QFileInfo info(target);
    if (!info.exists())
        return Status::success();
    QFile file(target);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly) || file.read(16) != QByteArray("SQLite format 3", 16))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 exista si nu este o copie a bazei de date; nu a fost inlocuit.")
                             .arg(shown(target)) };
    return Status::success();
}

Status backupDatabase(const ProgramFolder& folder, const QString& target)
{
    if (Status s = checkBackupTarget(folder, target); !s)
        return s;
    auto from = openDatabase(folder);
    if (!from)
        return from.failure();
    return copyInto(*from, target);
}

Status checkRestoreSource(const ProgramFolder& folder, const QString& source)
{
    const QFileInfo info(source);
    if (!info.exists())
        return Failure { err::PathNotFound, QStringLiteral("Fisierul %1 nu exista.").arg(shown(source)) };
    auto refuse = [&](const QString& why) {
        return Failure { err::database(SQLITE_NOTADB),
                         QStringLiteral("Fisierul %1 nu este o baza de date Orvida (%2). Baza de date nu a fost "
                                        "modificata.")
                             .arg(shown(source), why) };
    };
    if (!info.isFile())
        return refuse(QStringLiteral("nu este un fisier"));
    if (samePath(source, folder.databasePath()))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 este chiar baza de date a programului.").arg(shown(source)) };
    auto c = Connection::openReadOnly(source);
    if (!c)
        return refuse(c.failure().description);
    auto check = fetchAll(*c, QStringLiteral("PRAGMA quick_check"));
    if (!check)
        return refuse(check.failure().description);
    if (check->size() != 1 || check->rows[0][0].toText() != QLatin1String("ok"))
        return refuse(QStringLiteral("fisierul este deteriorat"));
    auto tables = fetchAll(*c, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    if (!tables)
        return refuse(tables.failure().description);
    for (const QString& table : Tables) {
        bool found = false;
        for (const auto& row : tables->rows)
            found = found || row[0].toText().compare(table, Qt::CaseInsensitive) == 0;
        if (!found)
            return refuse(QStringLiteral("lipseste tabela %1").arg(table));
    }
    return Status::success();
}

QString keptDatabaseName(const ProgramFolder& folder, const QDateTime& now)
{
    const QString base = folder.databasePath() + QStringLiteral(".inainte-de-restaurare-")
        + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

Result<RestoreOutcome> restoreDatabase(const ProgramFolder& folder, const QString& source, const QDateTime& now)
{
    if (Status s = checkRestoreSource(folder, source); !s)
        return s.failure();
    const QString database = folder.databasePath();

    // The new database is made complete first, beside the one it replaces.
    const QString incoming = tempBeside(database, "restaurare");
    {
        auto from = Connection::openReadOnly(source);
        if (!from)
            return from.failure();
        if (Status s = copyInto(*from, incoming); !s)
            return s.failure();
    }

    RestoreOutcome outcome;
    std::optional<Connection> current;
    if (QFileInfo::exists(database)) {
        const QString kept = keptDatabaseName(folder, now);
        auto c = Connection::open(database);
        if (c) {
            // Leaving the write-ahead log checkpoints it into the file; it needs the database to
            // itself, so a restore never pulls the file from under another window.
            auto mode = fetchAll(*c, QStringLiteral("PRAGMA journal_mode=DELETE"));
            if (!mode || mode->size() != 1
                || mode->rows[0][0].toText().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
                removeWithCompanions(incoming);
                return inUse(database);
            }
            // A database the engine cannot copy (a log of another database applied to it) is
            // kept as its bytes.
            if (!copyInto(*c, kept) && !QFile::copy(database, kept)) {
                removeWithCompanions(incoming);
                return Failure { err::PathFileAccess,
                                 QStringLiteral("Baza de date %1 nu poate fi pastrata in %2. Baza de date nu a fost "
                                                "modificata.")
                                     .arg(shown(database), shown(kept)) };
            }
            // Held until the new file is in place, so no other copy of the program writes meanwhile
            // (on a network share, where the journal mode told nothing, this is the check).
            if (!c->exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
                removeWithCompanions(incoming);
                removeWithCompanions(kept);
                return inUse(database);
            }
            current = std::move(*c);
        } else if (c.failure().number == err::database(SQLITE_NOTADB)) {
            if (!QFile::rename(database, kept)) {
                removeWithCompanions(incoming);
                return Failure { err::PathFileAccess,
                                 QStringLiteral("Fisierul %1 nu poate fi pastrat in %2. Baza de date nu a fost "
                                                "modificata.")
                                     .arg(shown(database), shown(kept)) };
            }
        } else {
            removeWithCompanions(incoming);
            return c.failure();
        }
        outcome.keptAs = kept;
    }

    if (std::rename(QFile::encodeName(incoming).constData(), QFile::encodeName(database).constData()) != 0) {
        const int e = errno;
        removeWithCompanions(incoming);
        return Failure { e == ENOSPC ? err::DiskFull : err::PathFileAccess,
                         QStringLiteral("Baza de date %1 nu poate fi inlocuita (%2).")
                             .arg(shown(database), QString::fromLocal8Bit(std::strerror(e))) };
    }
    current.reset();
    // Whatever log or journal still lies beside the name belongs to the database that was there.
    for (const char* suffix : { "-wal", "-shm", "-journal" })
        QFile::remove(database + QLatin1String(suffix));
    return outcome;
}

} // namespace orvida::store
