#include "cli/Commands.h"

#include "base/ErrorReport.h"
#include "cli/DeclarantOptions.h"
#include "company/CompanyParameters.h"
#include "declaration/DeclarationRun.h"
#include "declaration/SemesterFiles.h"

namespace orvida::cli {

int declareSemesterCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    const QCommandLineOption semester(QStringLiteral("semester"), QStringLiteral("Semestrul: 1 sau 2."),
                                      QStringLiteral("1|2"));
    const QCommandLineOption mode(
        QStringLiteral("mode"), QStringLiteral("report: fisierul de raportat; restore: formatul pentru aplicatia MF."),
        QStringLiteral("report|restore"));
    const DeclarantOptions declarant;
    const QCommandLineOption summary(QStringLiteral("summary"), QStringLiteral("Scrie rezumatul declaratiei in PDF."),
                                     QStringLiteral("FISIER.pdf"));
    p.addOptions(QList<QCommandLineOption> { semester, mode, summary } + declarant.all());
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    if (!p.positionalArguments().isEmpty()) {
        ctx.err << "declare-semester nu primeste argumente in afara optiunilor." << Qt::endl;
        return exitcode::Usage;
    }
    const QString semesterText = p.value(semester);
    const QString modeText = p.value(mode);
    if (semesterText != QLatin1String("1") && semesterText != QLatin1String("2")) {
        ctx.err << "declare-semester cere --semester 1 sau --semester 2." << Qt::endl;
        return exitcode::Usage;
    }
    if (modeText != QLatin1String("report") && modeText != QLatin1String("restore")) {
        ctx.err << "declare-semester cere --mode report sau --mode restore." << Qt::endl;
        return exitcode::Usage;
    }
    if (p.isSet(summary) && p.value(summary).isEmpty()) {
        ctx.err << "--summary cere numele fisierului PDF." << Qt::endl;
        return exitcode::Usage;
    }
    // Refused before the run, so that no declaration is written for a summary that cannot follow.
    if (p.isSet(summary) && !ctx.writeSummary) {
        ctx.err << "Rezumatul in PDF il scrie orvida-desktop; acest executabil nu deseneaza pagini." << Qt::endl;
        return exitcode::Failure;
    }

    PrintingSink sink(ctx.out);
    // As the window does when it opens: the fiscal year comes from the company parameters.
    company::CompanyParameters parameters;
    // The semesters come from the fiscal year: without it the files would be for 1899.
    if (!company::loadCompanyParameters(ctx.folder, ctx.clock, parameters, sink))
        return exitcode::Failure;

    declaration::DeclarationInputs in;
    declarant.fill(in, p);
    in.rules2012 = false;
    in.firstSemester = semesterText == QLatin1String("1");
    in.reportFile = modeText == QLatin1String("report");

    const declaration::DeclarationContext context { ctx.folder, ctx.clock, parameters,
                                                    declaration::defaultAuthorityProgram() };
    const auto outcome = declaration::runDeclaration(in, context, sink);
    if (p.isSet(summary) && outcome.semester && outcome.semester->summary) {
        if (Status s = ctx.writeSummary(p.value(summary), *outcome.semester->summary); !s) {
            sink.show(report::declarationRun(s.failure(), declaration::SemesterSummaryLabel));
            return exitcode::Failure;
        }
    }
    return declarationExit(outcome);
}

} // namespace orvida::cli
