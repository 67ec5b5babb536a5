#include "cli/EntryPoint.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace orvida::cli {

QStringList argumentsOf(int argc, char** argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

QString executableFolder(const QStringList& arguments)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
    return QFileInfo(arguments.value(0)).absolutePath();
}

ProgramFolderChoice programFolder(const QStringList& arguments, const QString& exeFolder)
{
    // QStandardPaths needs the application's name, set before.
    return chooseProgramFolder(exeFolder, homeFolder(arguments, QString()),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

int runCommandLine(const QStringList& arguments, const QString& exeFolder, const SummaryWriter& writeSummary)
{
    const SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(arguments, programFolder(arguments, exeFolder), clock, out, err, writeSummary);
}

std::optional<int> runWithoutDrawing(int argc, char** argv, const QStringList& arguments, const QString& exeFolder)
{
    switch (startFor(arguments)) {
    case Start::Answer:
        return runCommandLine(arguments, exeFolder, {});
    case Start::Core: {
        QCoreApplication app(argc, argv);
        return runCommandLine(arguments, exeFolder, {});
    }
    case Start::Painting:
    case Start::Desktop:
        break;
    }
    return std::nullopt;
}

} // namespace orvida::cli
