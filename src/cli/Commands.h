#pragma once

#include "cli/Cli.h"

#include <QCommandLineParser>

#include <optional>

namespace orvida::cli {

// One function per command. `args` starts with "orvida <command>" and holds the command's own
// arguments after it. Each returns the exit status.
int initCommand(const QStringList& args, Context& ctx);
int companyCommand(const QStringList& args, Context& ctx);
int declareCommand(const QStringList& args, Context& ctx);
int declareSemesterCommand(const QStringList& args, Context& ctx);
int importCommand(const QStringList& args, Context& ctx);
int backupCommand(const QStringList& args, Context& ctx);
int restoreCommand(const QStringList& args, Context& ctx);
int reviewCommand(const QStringList& args, Context& ctx);

// Parses a command's own options; on a wrong command line prints the message and the usage to
// standard error and returns false.
bool parseCommand(QCommandLineParser& parser, const QStringList& args, Context& ctx);

} // namespace orvida::cli
