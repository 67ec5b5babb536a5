#include "cli/Commands.h"

#include "store/Backup.h"

#include <QDir>

namespace orvida::cli {

namespace {

// The one FILE argument of backup and restore, or the usage on standard error.
std::optional<QString> fileArgument(const QStringList& args, Context& ctx, const char* command)
{
    QCommandLineParser p;
    if (!parseCommand(p, args, ctx))
        return std::nullopt;
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 1 || pos.first().isEmpty()) {
        ctx.err << QStringLiteral("Utilizare: orvida %1 FISIER").arg(QLatin1String(command)) << Qt::endl;
        return std::nullopt;
    }
    return QDir::current().absoluteFilePath(pos.first());
}

} // namespace

int backupCommand(const QStringList& args, Context& ctx)
{
    const auto file = fileArgument(args, ctx, "backup");
    if (!file)
        return exitcode::Usage;
    if (Status s = store::checkBackupTarget(ctx.folder, *file); !s) {
        ctx.out << s.failure().description << Qt::endl;
        return exitcode::Check;
    }
    if (Status s = store::backupDatabase(ctx.folder, *file); !s) {
        ctx.out << s.failure().description << Qt::endl;
        return exitcode::Failure;
    }
    ctx.out << QStringLiteral("Baza de date a fost salvata in fisierul %1.").arg(QDir::toNativeSeparators(*file))
            << Qt::endl;
    return exitcode::Done;
}

int restoreCommand(const QStringList& args, Context& ctx)
{
    const auto file = fileArgument(args, ctx, "restore");
    if (!file)
        return exitcode::Usage;
    if (Status s = store::checkRestoreSource(ctx.folder, *file); !s) {
        ctx.out << s.failure().description << Qt::endl;
        return exitcode::Check;
    }
    auto outcome = store::restoreDatabase(ctx.folder, *file, ctx.clock.now());
    if (!outcome) {
        ctx.out << outcome.failure().description << Qt::endl;
        return exitcode::Failure;
    }
    ctx.out << QStringLiteral("Baza de date a fost restaurata din fisierul %1.").arg(QDir::toNativeSeparators(*file))
            << Qt::endl;
    if (!outcome->keptAs.isEmpty())
        ctx.out << QStringLiteral("Baza de date anterioara a fost pastrata in fisierul %1.")
                       .arg(QDir::toNativeSeparators(outcome->keptAs))
                << Qt::endl;
    return exitcode::Done;
}

} // namespace orvida::cli
