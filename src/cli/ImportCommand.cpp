#include "cli/Commands.h"

#include "import/ImportRun.h"

namespace orvida::cli {

int importCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    p.addOption({ QStringLiteral("append"), QStringLiteral("Adauga la jurnal, fara sa il goleasca.") });
    p.addOption({ QStringLiteral("reverse-charge"), QStringLiteral("Toate randurile sunt cu taxare inversa.") });
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    const QStringList pos = p.positionalArguments();
    const QString journal = pos.value(0);
    if (pos.size() != 2 || (journal != QLatin1String("purchases") && journal != QLatin1String("sales"))) {
        ctx.err << "Utilizare: orvida import purchases|sales FISIER [--append] [--reverse-charge]" << Qt::endl;
        return exitcode::Usage;
    }
    import::ImportInputs in;
    in.journal = journal == QLatin1String("purchases") ? import::Journal::Purchases : import::Journal::Sales;
    in.path = pos.at(1);
    in.replaceJournal = !p.isSet(QStringLiteral("append"));
    in.reverseCharge = p.isSet(QStringLiteral("reverse-charge"));
    PrintingSink sink(ctx.out);
    const import::ImportOutcome outcome = import::importJournal(in, ctx.folder, sink);
    // The window shows only the structure message; the reason goes to the error stream.
    if (!outcome.ok() && !outcome.failure.description.isEmpty())
        ctx.err << outcome.failure.description << Qt::endl;
    return sink.exitCode();
}

} // namespace orvida::cli
