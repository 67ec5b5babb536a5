// orvida: the executable users start. It links no GUI library, so that the commands that never draw
// start as fast as a QtCore program; the windows and the summary's PDF it hands to orvida-desktop
// in its own folder, with the same arguments.
#include "cli/EntryPoint.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

// Returns only when orvida-desktop cannot be started, with the command line's failure status.
int startDesktop(char** argv, const QString& exeFolder)
{
    const QString desktop = exeFolder + QStringLiteral("/orvida-desktop");
    execv(QFile::encodeName(desktop).constData(), argv);
    const int error = errno;
    QTextStream err(stderr);
    if (error == ENOENT)
        err << QStringLiteral("Lipseste %1: ferestrele programului si rezumatul in PDF pornesc din el. "
                              "Reinstalati programul.")
                   .arg(desktop)
            << Qt::endl;
    else
        err << QStringLiteral("%1 nu poate fi pornit: %2.").arg(desktop, QString::fromLocal8Bit(std::strerror(error)))
            << Qt::endl;
    return orvida::cli::exitcode::Failure;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace orvida;
    const QStringList args = cli::argumentsOf(argc, argv);
    const QString exeFolder = cli::executableFolder(args);
    // The user's data folder (~/.local/share/Orvida) uses this name.
    QCoreApplication::setApplicationName(QStringLiteral("Orvida"));

    if (const auto done = cli::runWithoutDrawing(argc, argv, args, exeFolder))
        return *done;
    return startDesktop(argv, exeFolder);
}
