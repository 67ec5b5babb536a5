#include "base/ErrorReport.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "store/FileSystem.h"
#include "store/Schema.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::store;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList names(const ProgramFolder& folder, const QString& table)
{
    QStringList out;
    auto rs = query(folder, QStringLiteral("select NUME from %1 order by NUME").arg(table));
    EXPECT_TRUE(rs.ok()) << (rs.ok() ? "" : rs.failure().description.toStdString());
    if (rs)
        for (const auto& row : rs->rows)
            out << row[0].toText();
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// A folder whose write-ahead logs cannot be made, as in a protected folder, whoever runs the
// test (root ignores a folder's permissions): the default VFS with its xOpen refusing the log.
class ProtectedLogVfs
{
public:
    ProtectedLogVfs()
    {
        s_real = sqlite3_vfs_find(nullptr);
        m_vfs = *s_real;
        m_vfs.zName = "orvida-protected-log";
        m_vfs.pNext = nullptr;
        m_vfs.xOpen = [](sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
            if (flags & SQLITE_OPEN_WAL) {
                file->pMethods = nullptr;
                return SQLITE_CANTOPEN;
            }
            return s_real->xOpen(s_real, name, file, flags, outFlags);
        };
        m_vfs.xGetLastError = [](sqlite3_vfs*, int, char*) {
            return EACCES;
        };
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~ProtectedLogVfs()
    {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(s_real, 1);
    }

private:
    static inline sqlite3_vfs* s_real = nullptr;
    sqlite3_vfs m_vfs {};
};

} // namespace

TEST(StoreFailures, NumbersNameWhatHappened)
{
    test::TestFolder t;
    const QString db = t.folder().databasePath();
    const QString missing = t.file(QStringLiteral("Lipsa.mdb"));
    const QString folder = QDir::toNativeSeparators(t.path());
    struct Case
    {
        const char* name;
        int code;
        int systemErrno;
        QString path;
        int number;
        QString says;
    };
    const Case cases[] = {
        { "full", SQLITE_FULL, 0, db, 61, QStringLiteral("Discul este plin") },
        { "write on a full disk", SQLITE_IOERR_WRITE, ENOSPC, db, 61, QStringLiteral("Discul este plin") },
        { "quota", SQLITE_IOERR_FSYNC, EDQUOT, db, 61, QStringLiteral("Discul este plin") },
        { "other write failure", SQLITE_IOERR_WRITE, EIO, db, 5010, QStringLiteral("Eroare de citire sau scriere") },
        { "log refused", SQLITE_CANTOPEN, EACCES, db, 5008, folder + QStringLiteral(" este protejat la scriere") },
        { "read-only disk", SQLITE_CANTOPEN, EROFS, db, 5008, folder + QStringLiteral(" este protejat la scriere") },
        { "folder", SQLITE_READONLY_DIRECTORY, 0, db, 5008, folder + QStringLiteral(" este protejat la scriere") },
        { "shared memory", SQLITE_READONLY_CANTINIT, 0, db, 5008, folder + QStringLiteral(" este protejat") },
        { "read-only file", SQLITE_READONLY, 0, db, 5008, QStringLiteral("fisierul sau folderul ") + folder },
        { "missing file", SQLITE_CANTOPEN, ENOENT, missing, 5014, QStringLiteral("creati-o mai intai") },
        { "cannot open", SQLITE_CANTOPEN, ENOENT, db, 5014, QStringLiteral("nu poate fi deschisa") },
        { "locked", SQLITE_BUSY_SNAPSHOT, 0, db, 5005, QStringLiteral("blocata") },
    };
    for (const Case& c : cases) {
        const Failure f = sqliteFailure(c.code, QStringLiteral("engine text"), c.path, c.systemErrno);
        EXPECT_EQ(f.number, c.number) << c.name;
        EXPECT_TRUE(f.description.contains(c.says)) << c.name << ": " << f.description.toStdString();
        if (c.path != missing) { // a missing file is told how to be made instead
            EXPECT_TRUE(f.description.contains(QStringLiteral("engine text"))) << c.name;
        }
    }
}

TEST(StoreFailures, AFolderWhereTheLogCannotBeMadeIsNamed)
{
    test::TestFolder t;
    const QByteArray before = test::readFile(t.folder().databasePath());
    {
        ProtectedLogVfs vfs;
        auto rs = query(t.folder(), QStringLiteral("select * from Zet_Info"));
        ASSERT_FALSE(rs.ok());
        EXPECT_EQ(rs.failure().number, err::database(SQLITE_READONLY));
        EXPECT_TRUE(rs.failure().description.contains(QDir::toNativeSeparators(t.path())))
            << rs.failure().description.toStdString();
        EXPECT_TRUE(rs.failure().description.contains(QStringLiteral("protejat la scriere")));
    }
    EXPECT_EQ(test::readFile(t.folder().databasePath()), before);
}

TEST(StoreFailures, AFileThatIsNotYetADatabaseIsNeverWritten)
{
    for (const QByteArray& content : { QByteArray(), QByteArray("SQLite"), QByteArray(100, 'x') }) {
        test::TestFolder t(false);
        writeFile(t.folder().databasePath(), content);
        auto c = openDatabase(t.folder());
        ASSERT_FALSE(c.ok());
        EXPECT_EQ(c.failure().number, err::database(SQLITE_NOTADB));
        EXPECT_EQ(test::readFile(t.folder().databasePath()), content);
        EXPECT_EQ(entries(t.path()), QStringList { QStringLiteral("Orvida.mdb") });
    }
}

TEST(JournalMode, ANetworkShareUsesTheRollbackJournal)
{
    struct Case
    {
        FileSystemKind kind;
        QString mode;
        QString description;
    };
    const Case cases[] = {
        { FileSystemKind::Local, QStringLiteral("wal"), QStringLiteral("Jurnal: WAL (disc local)") },
        { FileSystemKind::Network, QStringLiteral("delete"), QStringLiteral("Jurnal: rollback (disc de retea)") },
    };
    for (const Case& c : cases) {
        test::TestFolder t;
        QString asked;
        ScopedFileSystemKind kind([&](const QString& folder) {
            asked = folder;
            return c.kind;
        });
        auto db = openDatabase(t.folder());
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(asked, t.path());
        EXPECT_EQ(fetchAll(*db, QStringLiteral("PRAGMA journal_mode"))->rows[0][0].toText(), c.mode);
        EXPECT_EQ(fetchAll(*db, QStringLiteral("PRAGMA busy_timeout"))->rows[0][0].toInteger(), BusyTimeoutMs);
        ASSERT_TRUE(db->exec(QStringLiteral("insert into zet_jct_UE (NUME) values ('x')")).ok());
        // The rollback journal leaves no log beside the file, even while the connection is open.
        EXPECT_EQ(QFile::exists(t.folder().databasePath() + QStringLiteral("-wal")), c.kind == FileSystemKind::Local);
        EXPECT_EQ(journalDescription(t.folder()), c.description);
    }
    // Without the override the probe asks the system; a temporary folder is on a local disk here.
    EXPECT_EQ(fileSystemKind(QDir::tempPath()), FileSystemKind::Local);
}

TEST(Backup, RestoreBringsBackTheCopyAndDropsAnotherDatabasesLog)
{
    test::TestFolder t;
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL) values ('Copiat', 'RO1', 10)"));
    const QString copy = t.file(QStringLiteral("copie/Orvida-copie.mdb"));
    QDir().mkpath(t.file(QStringLiteral("copie")));
    ASSERT_TRUE(backupDatabase(t.folder(), copy).ok());
    EXPECT_EQ(entries(t.file(QStringLiteral("copie"))), QStringList { QStringLiteral("Orvida-copie.mdb") });
    ASSERT_TRUE(checkRestoreSource(t.folder(), copy).ok());
    {
        // The copy stands alone: it opens without a log and in the rollback journal mode.
        auto c = Connection::openReadOnly(copy);
        ASSERT_TRUE(c.ok());
        EXPECT_EQ(fetchAll(*c, QStringLiteral("PRAGMA journal_mode"))->rows[0][0].toText(), QStringLiteral("delete"));
    }

    t.exec(QStringLiteral("delete from zet_jct_UE; insert into zet_jct_UE (NUME) values ('Dupa copie')"));

    // The log of another database, left beside Orvida.mdb as after a crash and a copied file.
    test::TestFolder other;
    {
        auto o = openDatabase(other.folder());
        ASSERT_TRUE(o.ok());
        ASSERT_TRUE(o->exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")).ok());
        ASSERT_TRUE(o->exec(QStringLiteral("insert into zet_jct_UE (NUME) values ('Strain')")).ok());
        ASSERT_TRUE(QFile::copy(other.folder().databasePath() + QStringLiteral("-wal"),
                                t.folder().databasePath() + QStringLiteral("-wal")));
    }

    auto restored = restoreDatabase(t.folder(), copy, test::fixedNow());
    ASSERT_TRUE(restored.ok()) << restored.failure().description.toStdString();
    EXPECT_EQ(restored->keptAs, t.folder().databasePath() + QStringLiteral(".inainte-de-restaurare-20240315-102030"));
    EXPECT_FALSE(QFile::exists(t.folder().databasePath() + QStringLiteral("-wal")));
    EXPECT_FALSE(QFile::exists(t.folder().databasePath() + QStringLiteral("-shm")));
    EXPECT_EQ(names(t.folder(), QStringLiteral("zet_jct_UE")), QStringList { QStringLiteral("Copiat") });
    {
        auto kept = Connection::openReadOnly(restored->keptAs);
        ASSERT_TRUE(kept.ok());
        EXPECT_TRUE(fetchAll(*kept, QStringLiteral("select count(*) from zet_jct_UE")).ok());
    }

    // A second restore in the same second keeps the earlier database under the next free name.
    auto again = restoreDatabase(t.folder(), copy, test::fixedNow());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->keptAs, restored->keptAs + QStringLiteral("-2"));
    EXPECT_EQ(names(t.folder(), QStringLiteral("zet_jct_UE")), QStringList { QStringLiteral("Copiat") });
    // Nothing temporary is left anywhere.
    EXPECT_EQ(entries(t.path()),
              (QStringList { QStringLiteral("Orvida.mdb"), QFileInfo(restored->keptAs).fileName(),
                             QFileInfo(again->keptAs).fileName() }));
}

TEST(Backup, WhatIsNotAnOrvidaDatabaseIsRefusedAndNothingChanges)
{
    test::TestFolder t;
    t.exec(QStringLiteral("insert into zet_jvt_UE (NUME) values ('Ramane')"));
    QTemporaryDir sources;
    const QString text = sources.filePath(QStringLiteral("text.mdb"));
    writeFile(text, "NUME,CODF\nx,y\n");
    const QString empty = sources.filePath(QStringLiteral("gol.mdb"));
    writeFile(empty, {});
    const QString foreign = sources.filePath(QStringLiteral("alta.mdb"));
    {
        auto c = Connection::create(foreign);
        ASSERT_TRUE(c.ok());
        ASSERT_TRUE(c->exec(QStringLiteral("create table Clienti (Nume TEXT)")).ok());
    }
    const QString truncated = sources.filePath(QStringLiteral("taiat.mdb"));
    writeFile(truncated, test::readFile(t.folder().databasePath()).left(100));

    struct Case
    {
        const char* name;
        QString source;
        QString says;
    };
    const Case cases[] = {
        { "text", text, QStringLiteral("nu este o baza de date Orvida") },
        { "empty", empty, QStringLiteral("nu este o baza de date Orvida") },
        { "other tables", foreign, QStringLiteral("lipseste tabela zet_jct_UE") },
        { "truncated", truncated, QStringLiteral("nu este o baza de date Orvida") },
        { "folder", sources.path(), QStringLiteral("nu este un fisier") },
        { "missing", sources.filePath(QStringLiteral("lipsa.mdb")), QStringLiteral("nu exista") },
        { "itself", t.folder().databasePath(), QStringLiteral("chiar baza de date") },
    };
    const QByteArray before = test::readFile(t.folder().databasePath());
    const QStringList files = entries(t.path());
    for (const Case& c : cases) {
        auto r = restoreDatabase(t.folder(), c.source, test::fixedNow());
        ASSERT_FALSE(r.ok()) << c.name;
        EXPECT_TRUE(r.failure().description.contains(c.says))
            << c.name << ": " << r.failure().description.toStdString();
        EXPECT_EQ(test::readFile(t.folder().databasePath()), before) << c.name;
        EXPECT_EQ(entries(t.path()), files) << c.name;
    }
    EXPECT_EQ(names(t.folder(), QStringLiteral("zet_jvt_UE")), QStringList { QStringLiteral("Ramane") });
    EXPECT_FALSE(backupDatabase(t.folder(), t.folder().databasePath()).ok());
    const Status nowhere = backupDatabase(t.folder(), sources.filePath(QStringLiteral("lipsa/copie.mdb")));
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.failure().number, 76);
    EXPECT_EQ(test::readFile(t.folder().databasePath()), before);
}

TEST(Backup, RestoreWaitsForNoOtherConnection)
{
    test::TestFolder t;
    const QString copy = t.file(QStringLiteral("copie.mdb"));
    ASSERT_TRUE(backupDatabase(t.folder(), copy).ok());
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME) values ('In lucru')"));
    auto window = openDatabase(t.folder());
    ASSERT_TRUE(window.ok());
    auto r = restoreDatabase(t.folder(), copy, test::fixedNow());
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.failure().description.contains(QStringLiteral("nu a fost modificata")));
    EXPECT_EQ(entries(t.path()),
              (QStringList { QStringLiteral("Orvida.mdb"), QStringLiteral("Orvida.mdb-shm"),
                             QStringLiteral("Orvida.mdb-wal"), QStringLiteral("copie.mdb") }));
    EXPECT_EQ(names(t.folder(), QStringLiteral("zet_jct_UE")), QStringList { QStringLiteral("In lucru") });
}

TEST(Maintenance, ManyFreePagesAreGivenBack)
{
    test::TestFolder t;
    auto db = openDatabase(t.folder());
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(*reclaimFreePages(*db), false); // a fresh database has none
    ASSERT_TRUE(
        db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
                                "insert into zet_jct_UE (NUME, CODF) select printf('%0200d', i), i from n"))
            .ok());
    const qint64 full = fetchAll(*db, QStringLiteral("PRAGMA page_count"))->rows[0][0].toInteger();
    // A few rows gone leave too few free pages to be worth a rewrite.
    ASSERT_TRUE(db->exec(QStringLiteral("delete from zet_jct_UE where rowid <= 100")).ok());
    EXPECT_EQ(*reclaimFreePages(*db), false);
    ASSERT_TRUE(db->exec(QStringLiteral("delete from zet_jct_UE where rowid > 1000")).ok());
    auto reclaimed = reclaimFreePages(*db);
    ASSERT_TRUE(reclaimed.ok()) << reclaimed.failure().description.toStdString();
    EXPECT_TRUE(*reclaimed);
    EXPECT_LT(fetchAll(*db, QStringLiteral("PRAGMA page_count"))->rows[0][0].toInteger(), full / 4);
    EXPECT_EQ(fetchAll(*db, QStringLiteral("select count(*) from zet_jct_UE"))->rows[0][0].toInteger(), 900);
}
