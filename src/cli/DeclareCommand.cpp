#include "cli/Commands.h"

#include "base/Dates.h"
#include "cli/DeclarantOptions.h"
#include "company/CompanyParameters.h"
#include "declaration/DeclarationRun.h"

namespace orvida::cli {

int declareCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    PeriodOptions period;
    const DeclarantOptions declarant;
    const QCommandLineOption variant(QStringLiteral("variant"), QStringLiteral("2012 sau 2013."), QStringLiteral("AN"),
                                     QStringLiteral("2013"));
    p.addOptions(period.all() + QList<QCommandLineOption> { variant } + declarant.all());
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
    if (!period.read(p, ctx.err))
        return exitcode::Usage;

    PrintingSink sink(ctx.out);
    // As the window does when it opens: the fiscal year N is the default period.
    company::CompanyParameters parameters;
    const Status loaded = company::loadCompanyParameters(ctx.folder, ctx.clock, parameters, sink);
    // Without the fiscal year there is no default period: a declaration for 1899 helps nobody.
    if (!loaded && !period.complete())
        return exitcode::Failure;

    declaration::DeclarationInputs in;
    declarant.fill(in, p);
    in.rules2012 = true;
    in.variant2013 = variantText == QLatin1String("2013");
    in.from = period.start(parameters);
    in.to = period.end(parameters);

    const declaration::DeclarationContext context { ctx.folder, ctx.clock, parameters, {} };
    return declarationExit(declaration::runDeclaration(in, context, sink), !loaded);
}

} // namespace orvida::cli
