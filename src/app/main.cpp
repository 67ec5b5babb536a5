#include "app/Desktop.h"
#include "base/Clock.h"
#include "base/ProgramFolderChoice.h"
#include "cli/Cli.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

QStringList argumentsOf(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// The executable's folder, read before Qt starts (QCoreApplication needs a platform chosen first).
QString executableFolder(const QStringList& args)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QFileInfo(args.value(0)).absolutePath();
}

// Qt warns on every start when the session has no runtime folder (a cron job, a CI runner);
// give it the private one it would fall back to, so a command prints only its own messages.
void ensureRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(uint(getuid()));
    if (QDir().mkpath(QString::fromLocal8Bit(dir))) {
        QFile::setPermissions(QString::fromLocal8Bit(dir),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
}

// The program folder by its rules; QStandardPaths needs the application's name, set before.
orvida::ProgramFolderChoice programFolder(const QStringList& args, const QString& exeFolder)
{
    return orvida::chooseProgramFolder(exeFolder, orvida::cli::homeFolder(args, QString()),
                                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

// The command line's run, with whatever application object the caller made for it.
int runCommandLine(const QStringList& args, const QString& exeFolder)
{
    const orvida::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return orvida::cli::run(args, programFolder(args, exeFolder), clock, out, err);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = argumentsOf(argc, argv);
    const QString exeFolder = executableFolder(args);
    // The user's data folder (~/.local/share/Orvida) and settings (~/.config/Orvida) use this name.
    QCoreApplication::setApplicationName(QStringLiteral("Orvida"));

    switch (orvida::cli::startFor(args)) {
    case orvida::cli::Start::Answer:
        return runCommandLine(args, exeFolder);
    case orvida::cli::Start::Core: {
        QCoreApplication app(argc, argv);
        return runCommandLine(args, exeFolder);
    }
    case orvida::cli::Start::Painting: {
        // Drawing the summary needs fonts, so a GUI platform, but never a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        ensureRuntimeFolder();
        QGuiApplication app(argc, argv);
        return runCommandLine(args, exeFolder);
    }
    case orvida::cli::Start::Desktop:
        break;
    }

    QApplication app(argc, argv);
    // The desktop entry that gives the windows their icon and name in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvida"));
    return orvida::runDesktop(app, programFolder(args, exeFolder));
}
