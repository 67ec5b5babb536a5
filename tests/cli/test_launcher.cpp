#include "cli/Cli.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvida;

namespace {

const QString Desktop = QStringLiteral("orvida-desktop");

// A folder holding a copy of the lean orvida, and what the test puts beside it.
class LauncherFolder
{
public:
    LauncherFolder() { EXPECT_TRUE(copyFromBuild(QStringLiteral("orvida"))); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Copies an executable from the build folder (where ORVIDA_BINARY is).
    bool copyFromBuild(const QString& name) const
    {
        const QString binary = qEnvironmentVariable("ORVIDA_BINARY", QStringLiteral(ORVIDA_BINARY_PATH));
        return QFile::copy(QFileInfo(binary).absoluteDir().filePath(name), path(name));
    }

    // A file named orvida-desktop with the given text and permissions.
    void writeDesktop(const QByteArray& text, QFile::Permissions permissions) const
    {
        QFile f(path(Desktop));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        ASSERT_TRUE(f.setPermissions(permissions));
    }

    test::Run run(const QStringList& args,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const
    {
        return test::runProgram(path(QStringLiteral("orvida")), args, env, 60000);
    }

private:
    QTemporaryDir m_dir;
};

const QFile::Permissions Executable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QStringList semesterWithSummary(const QString& home, const QString& pdf)
{
    return { QStringLiteral("--home"),
             home,
             QStringLiteral("declare-semester"),
             QStringLiteral("--semester"),
             QStringLiteral("1"),
             QStringLiteral("--mode"),
             QStringLiteral("report"),
             QStringLiteral("--name"),
             QStringLiteral("P"),
             QStringLiteral("--function"),
             QStringLiteral("F"),
             QStringLiteral("--summary"),
             pdf };
}

} // namespace

// The windows and the summary go to the orvida-desktop beside the executable (here a script that
// prints what it was given), with the arguments unchanged; the commands that never draw do not.
TEST(Launcher, HandsTheWindowsAndTheSummaryToOrvidaDesktopBesideIt)
{
    LauncherFolder dir;
    dir.writeDesktop("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done\nexit 7\n", Executable);
    const QString pdf = dir.path(QStringLiteral("r.pdf"));
    struct Case
    {
        QStringList args;
        int exit;
        QString out;
    } cases[] = {
        { {}, 7, QString() },
        { { QStringLiteral("--home"), QStringLiteral("/tmp/a b") }, 7, QStringLiteral("[--home][/tmp/a b]") },
        { semesterWithSummary(QStringLiteral("/tmp/x"), pdf), 7,
          QStringLiteral("[--home][/tmp/x][declare-semester][--semester][1][--mode][report][--name][P][--function][F]"
                         "[--summary][")
              + pdf + QStringLiteral("]") },
        // Answered here.
        { { QStringLiteral("--version") }, 0, QStringLiteral("Orvida " ORVIDA_VERSION "\n") },
        { { QStringLiteral("--nimic") }, cli::exitcode::Usage, QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const test::Run r = dir.run(c.args);
        EXPECT_EQ(r.exitCode, c.exit) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
    }
}

// Without a startable orvida-desktop the windows and the summary stop with a message that names
// it and the command line's failure status; the commands that never draw still run.
TEST(Launcher, SaysWhenOrvidaDesktopCannotStart)
{
    struct Case
    {
        const char* name;
        bool present; // a file that is not executable, or none
        QString message;
    } cases[] = {
        { "missing", false, QStringLiteral("Lipseste %1: ferestrele programului si rezumatul in PDF pornesc din el.") },
        { "not executable", true, QStringLiteral("%1 nu poate fi pornit: ") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherFolder dir;
        if (c.present)
            dir.writeDesktop("#!/bin/sh\n", QFile::ReadOwner | QFile::WriteOwner);
        const QString message = c.message.arg(dir.path(Desktop));
        const QString pdf = dir.path(QStringLiteral("r.pdf"));
        for (const QStringList& args : { QStringList {}, semesterWithSummary(dir.path(QStringLiteral("home")), pdf) }) {
            const test::Run r = dir.run(args);
            EXPECT_EQ(r.exitCode, cli::exitcode::Failure);
            EXPECT_TRUE(r.err.startsWith(message)) << r.err.toStdString();
            EXPECT_EQ(r.out, QString());
        }
        EXPECT_FALSE(QFile::exists(pdf));
        EXPECT_FALSE(QFile::exists(dir.path(QStringLiteral("home"))));
        EXPECT_EQ(dir.run({ QStringLiteral("--version") }).exitCode, 0);
    }
}

// The pair copied together elsewhere: orvida finds orvida-desktop in its own folder, not the build's,
// and the summary is drawn.
TEST(Launcher, ThePairCopiedTogetherWritesTheSummary)
{
    LauncherFolder dir;
    ASSERT_TRUE(dir.copyFromBuild(Desktop));
    test::TestFolder t;
    t.load(QStringLiteral(ORVIDA_TEST_DATA "/semester/fixture.sql"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), t.file(QStringLiteral("fara-wine")));
    const QString pdf = t.file(QStringLiteral("rezumat.pdf"));
    const test::Run r = dir.run(semesterWithSummary(t.path(), pdf), env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(test::readFile(pdf).startsWith("%PDF-"));
}

// The command line without a summary writer (the lean executable's) refuses the summary before the
// run: no declaration is written without the summary it was asked with.
TEST(Launcher, TheCommandLineWithoutAWriterRefusesTheSummaryBeforeTheRun)
{
    test::TestFolder t;
    t.load(QStringLiteral(ORVIDA_TEST_DATA "/semester/fixture.sql"));
    qputenv("WINEPREFIX", t.file(QStringLiteral("fara-wine")).toUtf8());
    const QString pdf = t.file(QStringLiteral("rezumat.pdf"));
    const QStringList before = QDir(t.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const FixedClock clock(test::fixedNow());
    const int code = cli::run(QStringList { QStringLiteral("orvida") } + semesterWithSummary(t.path(), pdf),
                              ProgramFolderChoice { t.path() }, clock, out, err);
    qunsetenv("WINEPREFIX");
    EXPECT_EQ(code, cli::exitcode::Failure);
    EXPECT_EQ(errText,
              QStringLiteral("Rezumatul in PDF il scrie orvida-desktop; acest executabil nu deseneaza pagini.\n"));
    EXPECT_EQ(outText, QString());
    EXPECT_EQ(QDir(t.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}
