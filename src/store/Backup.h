#pragma once

#include "base/ProgramFolder.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>

namespace orvida::store {

// Copies the program folder's database into `target` with SQLite's online backup, so the copy is
// consistent even while other windows use the database. The copy is a file of its own (rollback
// journal: no -wal beside it is needed); an existing `target` is replaced only once the copy is
// complete.
Status backupDatabase(const ProgramFolder& folder, const QString& target);

// Whether `target` may receive a copy: not the folder's database itself, and when it exists, a
// database file (an earlier copy), never some other file a typing slip named.
Status checkBackupTarget(const ProgramFolder& folder, const QString& target);

// Whether `source` can be restored into the folder: an existing file, an SQLite database that
// passes the quick check and holds the program's four tables, and not the folder's database itself.
// The failure's description says why not (the command line's input check).
Status checkRestoreSource(const ProgramFolder& folder, const QString& source);

struct RestoreOutcome
{
    QString keptAs; // the earlier database, kept beside the new one; empty when there was none
};

// The name the earlier database is kept under: "Orvida.mdb.inainte-de-restaurare-yyyyMMdd-HHmmss",
// with "-2", "-3"... added when it is taken.
QString keptDatabaseName(const ProgramFolder& folder, const QDateTime& now);

// Replaces the folder's database with a copy of `source` (checked first: nothing changes when it
// is refused). The earlier database is kept beside it (keptDatabaseName), and no -wal, -shm or
// -journal file is left beside the restored one, so a log of another database is never applied
// to it. Fails without changing anything while another connection uses the database.
Result<RestoreOutcome> restoreDatabase(const ProgramFolder& folder, const QString& source, const QDateTime& now);

} // namespace orvida::store
