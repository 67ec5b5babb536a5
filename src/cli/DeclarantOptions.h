#pragma once

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
        in.TextNume = p.value(name);
        in.TextPrenume = p.value(firstName);
        in.TextFunctie = p.value(function);
    }
};

} // namespace orvida::cli
