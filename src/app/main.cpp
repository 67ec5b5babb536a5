#include "app/Clock.h"
#include "app/gui/Desktop.h"
#include "cli/Cli.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

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

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = argumentsOf(argc, argv);
    const QString exeFolder = executableFolder(args);
    orvida::SystemClock clock;

    if (orvida::cli::namesCommand(args)) {
        // A command never needs a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return orvida::cli::run(args, exeFolder, clock, out, err);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvida"));
    return orvida::runDesktop(app, orvida::ProgramFolder(orvida::cli::homeFolder(args, exeFolder)));
}
