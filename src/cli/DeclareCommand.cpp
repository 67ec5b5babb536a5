#include "cli/Commands.h"

#include "base/Dates.h"
#include "cli/DeclarantOptions.h"
#include "company/ParaSoc.h"
#include "declaration/DeclarationRun.h"

namespace orvida::cli {

int declareCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Inceputul perioadei."),
                                  QStringLiteral("DATA"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Sfarsitul perioadei."), QStringLiteral("DATA"));
    const DeclarantOptions declarant;
    const QCommandLineOption variant(QStringLiteral("variant"), QStringLiteral("2012 sau 2013."), QStringLiteral("AN"),
                                     QStringLiteral("2013"));
    p.addOptions(QList<QCommandLineOption> { from, to, variant } + declarant.all());
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    if (!p.positionalArguments().isEmpty()) {
        ctx.err << "declare nu primeste argumente in afara optiunilor." << Qt::endl;
        return exitcode::Usage;
    }
    const QString variantText = p.value(variant);
    if (variantText != QLatin1String("2012") && variantText != QLatin1String("2013")) {
        ctx.err << QStringLiteral("Varianta gresita: %1 (2012 sau 2013).").arg(variantText) << Qt::endl;
        return exitcode::Usage;
    }
    std::optional<QDate> fromDate, toDate;
    for (auto [option, date] : { std::pair { &from, &fromDate }, std::pair { &to, &toDate } }) {
        if (!p.isSet(*option))
            continue;
        *date = dates::parseInput(p.value(*option));
        if (!*date) {
            ctx.err << QStringLiteral("Data gresita pentru --%1: %2 (YYYY-MM-DD sau zz/LL/aaaa).")
                           .arg(option->names().constFirst(), p.value(*option))
                    << Qt::endl;
            return exitcode::Usage;
        }
    }

    PrintingSink sink(ctx.out);
    // As the window does when it opens: the fiscal year N is the default period.
    ParaSoc paraSoc;
    InitParaSoc(ctx.folder, ctx.clock, paraSoc, sink);
    // Without the fiscal year there is no default period: a declaration for 1899 helps nobody.
    if (sink.exitCode() == exitcode::Failure && !(fromDate && toDate))
        return exitcode::Failure;

    declaration::DeclarationInputs in;
    declarant.fill(in, p);
    in.CheckD394_2012 = true;
    in.CheckD394_2013 = variantText == QLatin1String("2013");
    in.DTPdela = fromDate ? *fromDate : dates::fromSerial(paraSoc.DataIN).date();
    in.DTPla = toDate ? *toDate : dates::fromSerial(paraSoc.DataSN).date();

    const declaration::DeclarationContext context { ctx.folder, ctx.clock, paraSoc, {} };
    declaration::cmdCalcul_Click(in, context, sink);
    return sink.exitCode();
}

} // namespace orvida::cli
