#include "cli/Commands.h"

#include "store/Schema.h"

namespace orvida::cli {

int initCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    if (!p.positionalArguments().isEmpty()) {
        ctx.err << "init nu primeste argumente." << Qt::endl;
        return exitcode::Usage;
    }
    auto outcome = store::initDatabase(ctx.folder, ctx.clock.now().date().year());
    if (!outcome) {
        ctx.out << outcome.failure().description << Qt::endl;
        return exitcode::Failure;
    }
    if (*outcome == store::InitOutcome::AlreadyExists)
        ctx.out << QStringLiteral("Baza de date %1 exista deja; nu a fost modificata.").arg(ctx.folder.databasePath())
                << Qt::endl;
    else
        ctx.out << QStringLiteral("Baza de date %1 a fost creata.").arg(ctx.folder.databasePath()) << Qt::endl;
    return exitcode::Done;
}

} // namespace orvida::cli
