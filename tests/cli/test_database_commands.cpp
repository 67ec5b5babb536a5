#include "cli/Cli.h"
#include "store/Database.h"
#include "store/FileSystem.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace orvida;
using test::runOrvida;

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList home(const test::TestFolder& t, const QStringList& args)
{
    return QStringList { QStringLiteral("--home"), t.path() } + args;
}

} // namespace

TEST(DatabaseCommands, AnEmptyHomeIsAWrongCommandLine)
{
    const QStringList commands[] = {
        { QStringLiteral("--home"), QString(), QStringLiteral("company"), QStringLiteral("show") },
        { QStringLiteral("--home="), QStringLiteral("init") },
        { QStringLiteral("--home"), QString() },
    };
    for (const QStringList& args : commands) {
        auto r = runOrvida(args);
        EXPECT_EQ(r.exitCode, 64) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--home cere un folder"))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        // The desktop program does not start on it either: the command line answers.
        EXPECT_TRUE(cli::namesCommand(QStringList { QStringLiteral("orvida") } + args));
    }
}

TEST(DatabaseCommands, FailingCommandsLeaveAnEmptyFileEmpty)
{
    test::TestFolder t(false);
    QFile empty(t.folder().databasePath());
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const QStringList commands[] = {
        { QStringLiteral("company"), QStringLiteral("show") },
        { QStringLiteral("company"), QStringLiteral("set"), QStringLiteral("DENUMIRE=Nou") },
        { QStringLiteral("import"), QStringLiteral("purchases"), QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx") },
        { QStringLiteral("declare"), QStringLiteral("--name"), QStringLiteral("N") },
        { QStringLiteral("backup"), t.file(QStringLiteral("copie.mdb")) },
    };
    for (const QStringList& args : commands) {
        auto r = runOrvida(home(t, args));
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        // The import shows its structure message; the others say what the file is.
        EXPECT_TRUE(r.out.contains(QStringLiteral("nu este o baza de date"))
                    || (args.first() == QLatin1String("import") && r.out.contains(QStringLiteral("structura"))))
            << r.out.toStdString();
        EXPECT_EQ(QFileInfo(t.folder().databasePath()).size(), 0) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(entries(t.path()), QStringList { QStringLiteral("Orvida.mdb") });
    }
}

TEST(DatabaseCommands, AnotherProgramsDatabaseIsLeftAsItWas)
{
    test::TestFolder t(false);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(t.folder().databasePath().toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db, "CREATE TABLE clienti(nume TEXT); INSERT INTO clienti VALUES('A')", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    const QByteArray before = test::readFile(t.folder().databasePath());
    const QStringList commands[] = {
        { QStringLiteral("company"), QStringLiteral("show") },
        { QStringLiteral("company"), QStringLiteral("set"), QStringLiteral("DENUMIRE=Nou") },
        { QStringLiteral("import"), QStringLiteral("purchases"), QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx") },
        { QStringLiteral("declare"), QStringLiteral("--name"), QStringLiteral("N") },
        { QStringLiteral("declare-semester"), QStringLiteral("--semester"), QStringLiteral("1"),
          QStringLiteral("--mode"), QStringLiteral("report") },
        { QStringLiteral("review") },
        { QStringLiteral("backup"), t.file(QStringLiteral("copie.mdb")) },
    };
    for (const QStringList& args : commands) {
        auto r = runOrvida(home(t, args));
        EXPECT_EQ(r.exitCode, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("nu este o baza de date Orvida"))) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--home"))) << r.err.toStdString();
        // Still in its own journal mode, byte for byte, with nothing made beside it.
        EXPECT_EQ(test::readFile(t.folder().databasePath()), before) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(entries(t.path()), QStringList { QStringLiteral("Orvida.mdb") });
    }
}

TEST(DatabaseCommands, BackupAndRestoreAndNoLogLeftBehind)
{
    test::TestFolder t(false);
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(QStringLiteral("copie.mdb"));
    const QString notADatabase = elsewhere.filePath(QStringLiteral("nota.txt"));
    QFile text(notADatabase);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("nu este o baza de date\n");
    text.close();
    const QString kept = t.folder().databasePath() + QStringLiteral(".inainte-de-restaurare-");
    struct Step
    {
        QStringList args;
        int exit;
        QString out;
    };
    const Step steps[] = {
        { { QStringLiteral("init") }, 0, QStringLiteral("a fost creata") },
        { { QStringLiteral("company"), QStringLiteral("set"), QStringLiteral("DENUMIRE=Salvata") }, 0, {} },
        { { QStringLiteral("import"), QStringLiteral("purchases"), QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx") },
          0,
          {} },
        { { QStringLiteral("backup"), copy }, 0, QStringLiteral("Baza de date a fost salvata in fisierul ") + copy },
        { { QStringLiteral("company"), QStringLiteral("set"), QStringLiteral("DENUMIRE=Schimbata") }, 0, {} },
        { { QStringLiteral("restore"), notADatabase },
          1,
          QStringLiteral("Fisierul ") + notADatabase + QStringLiteral(" nu este o baza de date Orvida") },
        { { QStringLiteral("restore"), copy },
          0,
          QStringLiteral("Baza de date anterioara a fost pastrata in fisierul ") + kept },
        { { QStringLiteral("company"), QStringLiteral("show") }, 0, QStringLiteral("DENUMIRE=Salvata\n") },
        // An earlier copy is replaced.
        { { QStringLiteral("backup"), copy }, 0, QStringLiteral("Baza de date a fost salvata") },
        { { QStringLiteral("backup"), notADatabase }, 1, QStringLiteral(" nu a fost inlocuit") },
        { { QStringLiteral("restore") }, 64, {} },
        { { QStringLiteral("backup"), copy, QStringLiteral("alta.mdb") }, 64, {} },
    };
    for (const Step& s : steps) {
        auto r = runOrvida(home(t, s.args));
        EXPECT_EQ(r.exitCode, s.exit) << s.args.join(QLatin1Char(' ')).toStdString() << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(s.out)) << r.out.toStdString();
        // Every connection is closed at the end of a command, so no log stays beside the database.
        EXPECT_FALSE(QFile::exists(t.folder().databasePath() + QStringLiteral("-wal")))
            << s.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(QFile::exists(t.folder().databasePath() + QStringLiteral("-shm")));
    }
    EXPECT_EQ(entries(elsewhere.path()), (QStringList { QStringLiteral("copie.mdb"), QStringLiteral("nota.txt") }));
    EXPECT_EQ(test::readFile(notADatabase), QByteArray("nu este o baza de date\n"));
    auto purchases = store::query(t.folder(), QStringLiteral("select count(*) from zet_jct_UE"));
    ASSERT_TRUE(purchases.ok());
    EXPECT_GT(purchases->rows[0][0].toInteger(), 0);

    const QString help = runOrvida({ QStringLiteral("--help") }).out;
    EXPECT_TRUE(help.contains(QStringLiteral("orvida [--home DIR] backup FISIER")));
    EXPECT_TRUE(help.contains(QStringLiteral("orvida [--home DIR] restore FISIER")));
}

TEST(DatabaseCommands, CompanyShowSaysWhichJournalIsUsed)
{
    test::TestFolder t;
    for (const auto kind : { store::FileSystemKind::Local, store::FileSystemKind::Network }) {
        store::ScopedFileSystemKind probe([kind](const QString&) { return kind; });
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        const FixedClock clock(test::fixedNow());
        EXPECT_EQ(cli::run({ QStringLiteral("orvida"), QStringLiteral("company"), QStringLiteral("show") },
                           ProgramFolderChoice { t.path() }, clock, out, err),
                  0);
        EXPECT_TRUE(outText.endsWith(kind == store::FileSystemKind::Local
                                         ? QStringLiteral("Jurnal: WAL (disc local)\n")
                                         : QStringLiteral("Jurnal: rollback (disc de retea)\n")))
            << outText.toStdString();
    }
}
