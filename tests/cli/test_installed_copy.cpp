#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvida;

namespace {

// A copy of the executable laid out as installed: <prefix>/bin/orvida beside <prefix>/share/orvida/.
class InstalledCopy
{
public:
    InstalledCopy()
    {
        const QString binary = qEnvironmentVariable("ORVIDA_BINARY", QStringLiteral(ORVIDA_BINARY_PATH));
        EXPECT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("usr/bin"))));
        EXPECT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("usr/share/orvida"))));
        EXPECT_TRUE(QFile::copy(binary, executable()));
    }

    QString executable() const { return m_root.filePath(QStringLiteral("usr/bin/orvida")); }
    QString path(const QString& relative) const { return m_root.filePath(relative); }

    // Runs the copy as a user whose home is `home`.
    test::Run run(const QString& home, const QStringList& args) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        return test::runProgram(executable(), args, env, 60000);
    }

private:
    QTemporaryDir m_root;
};

} // namespace

// An installed copy keeps its database in the user's data folder, never beside the executable;
// --home still wins; a data folder that cannot be made stops a command with its name.
TEST(InstalledCopy, KeepsItsProgramFolderInTheUsersDataFolder)
{
    InstalledCopy copy;
    QFile blocker(copy.path(QStringLiteral("fisier")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString home = copy.path(QStringLiteral("home/ana"));
    const QString data = home + QStringLiteral("/.local/share/Orvida");
    const QString other = copy.path(QStringLiteral("clienti/alfa"));
    const QString blocked = copy.path(QStringLiteral("fisier/.local/share/Orvida"));

    struct Case
    {
        const char* name;
        QString home;
        QStringList args;
        int exit;
        QString out; // a line of standard output
        QString database; // made by the command, empty: none
    } cases[] = {
        { "init", home, { "init" }, 0, "Baza de date " + data + "/Orvida.mdb a fost creata.", data + "/Orvida.mdb" },
        { "help",
          home,
          { "--help" },
          0,
          "Folderul programului: " + data + " (folderul de date al utilizatorului)",
          "" },
        { "--home",
          home,
          { "--home", other, "init" },
          0,
          "Baza de date " + other + "/Orvida.mdb a fost creata.",
          other + "/Orvida.mdb" },
        { "help --home",
          home,
          { "--home", other, "--help" },
          0,
          "Folderul programului: " + other + " (dat cu --home)",
          "" },
        { "blocked",
          copy.path(QStringLiteral("fisier")),
          { "company", "show" },
          2,
          "Folderul programului " + blocked + " nu poate fi creat.",
          "" },
        // --help still answers where the data folder cannot be made.
        { "blocked help",
          copy.path(QStringLiteral("fisier")),
          { "--help" },
          0,
          "Folderul programului: " + blocked + " (folderul de date al utilizatorului)",
          "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::Run r = copy.run(c.home, c.args);
        EXPECT_EQ(r.exitCode, c.exit) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.out)) << r.out.toStdString();
        if (!c.database.isEmpty()) {
            EXPECT_TRUE(QFile::exists(c.database));
        }
    }
    EXPECT_EQ(QDir(copy.path(QStringLiteral("usr/bin"))).entryList(QDir::Files), QStringList({ "orvida" }));
}
