#pragma once

#include "cli/Cli.h"
#include "declaration/DeclarationRun.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace orvida::cli {

// The declarant's three boxes, shared by both declaration commands: --name, --first-name (one
// space unless given, as the window starts) and --function.
struct DeclarantOptions
{
    QCommandLineOption name { QStringLiteral("name"), QStringLiteral("Numele declarantului."), QStringLiteral("TEXT") };
    QCommandLineOption firstName { QStringLiteral("first-name"), QStringLiteral("Prenumele declarantului."),
                                   QStringLiteral("TEXT"), QStringLiteral(" ") };
    QCommandLineOption function { QStringLiteral("function"), QStringLiteral("Functia declarantului."),
                                  QStringLiteral("TEXT") };

    QList<QCommandLineOption> all() const { return { name, firstName, function }; }
    void fill(declaration::DeclarationInputs& in, const QCommandLineParser& p) const
    {
        in.declarant.name = p.value(name);
        in.declarant.firstName = p.value(firstName);
        in.declarant.function = p.value(function);
    }
};

// The exit status of a declaration command: a failure shown before the run (the company
// parameters) outweighs how the run itself ended.
inline int declarationExit(const declaration::DeclarationOutcome& outcome, bool failedBefore = false)
{
    if (failedBefore || outcome.end == declaration::DeclarationOutcome::End::Failure)
        return exitcode::Failure;
    if (outcome.end == declaration::DeclarationOutcome::End::Check)
        return exitcode::Check;
    return exitcode::Done;
}

} // namespace orvida::cli
