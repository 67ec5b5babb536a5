#include "base/ProgramFolderChoice.h"
#include "base/ResourceFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvida;

// The program folder and the resource folder of each layout the executable can sit in.
TEST(ProgramFolderRules, ByLayoutAndHome)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString r = root.path();
    for (const char* folder : { "usr/bin", "usr/share/orvida/BMP", "opt/orvida/bin", "build", "home/ana/bin",
                                "home/ana/share", "portable/bin", "portable/share/orvida" })
        ASSERT_TRUE(QDir().mkpath(r + QLatin1Char('/') + QLatin1String(folder)));
    // share/orvida as a file, not a folder: no installed copy.
    ASSERT_TRUE(QDir().mkpath(r + QStringLiteral("/opt/orvida/share")));
    ASSERT_TRUE(QFile(r + QStringLiteral("/opt/orvida/share/orvida")).open(QIODevice::WriteOnly));

    const QString data = QStringLiteral("/home/ana/.local/share/Orvida");
    struct Case
    {
        QString executable;
        QString home;
        QString folder;
        FolderOrigin origin;
        QString resources;
    } cases[] = {
        // An installed copy keeps its data in the user's folder, never beside the executable.
        { r + "/usr/bin", "", data, FolderOrigin::UserData, r + "/usr/share/orvida" },
        { r + "/usr/bin/", "", data, FolderOrigin::UserData, r + "/usr/share/orvida" },
        { r + "/usr/lib/../bin", "", data, FolderOrigin::UserData, r + "/usr/share/orvida" },
        { r + "/portable/bin", "", data, FolderOrigin::UserData, r + "/portable/share/orvida" },
        // --home wins everywhere.
        { r + "/usr/bin", r + "/clienti/alfa/", r + "/clienti/alfa", FolderOrigin::Home, r + "/usr/share/orvida" },
        { r + "/build", r + "/clienti/beta", r + "/clienti/beta", FolderOrigin::Home, r + "/build" },
        // The build tree and portable copies keep everything beside the executable.
        { r + "/build", "", r + "/build", FolderOrigin::Executable, r + "/build" },
        { r + "/home/ana/bin", "", r + "/home/ana/bin", FolderOrigin::Executable, r + "/home/ana/bin" },
        { r + "/opt/orvida/bin", "", r + "/opt/orvida/bin", FolderOrigin::Executable, r + "/opt/orvida/bin" },
        { r + "/usr/share/orvida", "", r + "/usr/share/orvida", FolderOrigin::Executable, r + "/usr/share/orvida" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.executable + QStringLiteral(" --home ") + c.home).toStdString());
        const ProgramFolderChoice choice = chooseProgramFolder(c.executable, c.home, data);
        EXPECT_EQ(choice.path, c.folder);
        EXPECT_EQ(choice.origin, c.origin);
        EXPECT_EQ(resourceFolder(c.executable), c.resources);
    }

    // A relative --home is taken from the current folder.
    EXPECT_EQ(chooseProgramFolder(r + "/usr/bin", QStringLiteral("alfa"), data).path,
              QDir::current().absoluteFilePath(QStringLiteral("alfa")));
}

TEST(ProgramFolderRules, PrepareCreatesOrSaysWhy)
{
    QTemporaryDir root;
    const QString r = root.path();
    ASSERT_TRUE(QFile(r + QStringLiteral("/fisier")).open(QIODevice::WriteOnly));

    struct Case
    {
        QString path;
        bool usable;
    } cases[] = {
        { r + "/.local/share/Orvida", true }, // created with its parents
        { r, true }, // already there
        { r + "/fisier", false }, // a file in the way
        { r + "/fisier/Orvida", false }, // cannot be created under a file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString problem = prepareProgramFolder(c.path);
        EXPECT_EQ(problem.isEmpty(), c.usable) << problem.toStdString();
        if (c.usable) {
            EXPECT_TRUE(QFileInfo(c.path).isDir());
            EXPECT_EQ(QDir(c.path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                      c.path == r ? 2 : 0); // the probe file is gone
        } else {
            EXPECT_TRUE(problem.contains(c.path)) << problem.toStdString();
        }
    }

    EXPECT_EQ(
        programFolderText({ QStringLiteral("/home/ana/.local/share/Orvida"), FolderOrigin::UserData }),
        QStringLiteral("Folderul programului: /home/ana/.local/share/Orvida (folderul de date al utilizatorului)"));
}
