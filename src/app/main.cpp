// orvida-desktop: the whole program, the windows and every command. The orvida users start hands it
// the windows and the commands that draw.
#include "app/Desktop.h"
#include "cli/EntryPoint.h"
#include "declaration/SummaryPainting.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <unistd.h>

namespace {

// Qt warns on every start when the session has no runtime folder (a cron job, a CI runner, su);
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

} // namespace

int main(int argc, char** argv)
{
    using namespace orvida;
    const QStringList args = cli::argumentsOf(argc, argv);
    const QString exeFolder = cli::executableFolder(args);
    // The user's data folder (~/.local/share/Orvida) and settings (~/.config/Orvida) use this name.
    QCoreApplication::setApplicationName(QStringLiteral("Orvida"));
    if (const auto done = cli::runWithoutDrawing(argc, argv, args, exeFolder))
        return *done;
    if (cli::startFor(args) == cli::Start::Painting) {
        // Drawing the summary needs fonts, so a GUI platform, but never a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        ensureRuntimeFolder();
        QGuiApplication app(argc, argv);
        return cli::runCommandLine(args, exeFolder, declaration::saveSummaryPdf);
    }

    ensureRuntimeFolder();
    QApplication app(argc, argv);
    // The desktop entry that gives the windows their icon and name in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvida"));
    return runDesktop(app, cli::programFolder(args, exeFolder));
}
