#include "cli/Commands.h"

#include "base/Dates.h"
#include "cli/DeclarantOptions.h"
#include "declaration/Review.h"
#include "declaration/ReviewExport.h"

#include <QDir>

namespace orvida::cli {

int reviewCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    PeriodOptions period;
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("Exportul CSV."), QStringLiteral("FISIER"));
    const QCommandLineOption xlsx(QStringLiteral("xlsx"), QStringLiteral("Exportul .xlsx."), QStringLiteral("FISIER"));
    const QCommandLineOption strict(QStringLiteral("strict"), QStringLiteral("Cod de iesire 1 la orice constatare."));
    p.addOptions(period.all() + QList<QCommandLineOption> { csv, xlsx, strict });
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    if (!p.positionalArguments().isEmpty()) {
        ctx.err << "review nu primeste argumente in afara optiunilor." << Qt::endl;
        return exitcode::Usage;
    }
    if (!period.read(p, ctx.err))
        return exitcode::Usage;

    PrintingSink sink(ctx.out);
    // The period defaults to the fiscal year N, read as the declaration reads it (with its messages).
    company::CompanyParameters parameters;
    const Status loaded = company::loadCompanyParameters(ctx.folder, ctx.clock, parameters, sink);
    if (!loaded && !period.complete())
        return exitcode::Failure;
    const QDate start = period.start(parameters);
    const QDate end = period.end(parameters);

    const auto review = declaration::reviewDeclaration(ctx.folder, start, end, sink);
    if (!review)
        return sink.exitCode();
    declaration::printReview(*review, ctx.out);

    // The review is on screen already: an export that fails is reported and the others still run.
    bool exportFailed = false;
    auto exportTo = [&](const QCommandLineOption& option, auto save) {
        if (!p.isSet(option))
            return;
        const QString path = p.value(option);
        const QString shown = QDir::toNativeSeparators(path);
        if (Status s = save(*review, path); !s) {
            ctx.out << QStringLiteral("Exportul nu a fost salvat in %1: %2").arg(shown, s.failure().description)
                    << Qt::endl;
            exportFailed = true;
            return;
        }
        ctx.out << QStringLiteral("Verificarea a fost salvata in %1.").arg(shown) << Qt::endl;
    };
    exportTo(csv, declaration::saveReviewCsv);
    exportTo(xlsx, declaration::saveReviewXlsx);

    if (exportFailed)
        return exitcode::Failure;
    if (p.isSet(strict) && !review->findings.isEmpty())
        return exitcode::Check;
    return exitcode::Done;
}

} // namespace orvida::cli
