#pragma once

#include "cli/Cli.h"

#include <QString>
#include <QStringList>

#include <optional>

// What both executables do before and around the command line: orvida runs the commands that never
// draw, orvida-desktop the windows and the commands that draw.
namespace orvida::cli {

// The command line as Qt text, program name first.
QStringList argumentsOf(int argc, char** argv);

// The executable's folder (the target of /proc/self/exe), read before Qt starts: which application
// object to make depends on the arguments.
QString executableFolder(const QStringList& arguments);

// Runs the command line on the system clock, standard output and standard error, in the program
// folder its rules choose (the application's name must be set before).
int runCommandLine(const QStringList& arguments, const QString& exeFolder, const SummaryWriter& writeSummary);

// Runs a command line that never draws (an answer such as --version, or a command under a
// QCoreApplication), with no summary writer; nothing when the arguments start the windows or a
// command that draws.
std::optional<int> runWithoutDrawing(int argc, char** argv, const QStringList& arguments, const QString& exeFolder);

// The program folder by its rules, for the windows.
ProgramFolderChoice programFolder(const QStringList& arguments, const QString& exeFolder);

} // namespace orvida::cli
