#pragma once

#include "base/Dates.h"
#include "cli/Cli.h"
#include "company/CompanyParameters.h"
#include "declaration/DeclarationRun.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <optional>

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

// --from and --to, shared by the commands that read a period; each defaults to the fiscal year N.
struct PeriodOptions
{
    QCommandLineOption from { QStringLiteral("from"), QStringLiteral("Inceputul perioadei."), QStringLiteral("DATA") };
    QCommandLineOption to { QStringLiteral("to"), QStringLiteral("Sfarsitul perioadei."), QStringLiteral("DATA") };
    std::optional<QDate> fromDate, toDate;

    QList<QCommandLineOption> all() const { return { from, to }; }
    // Reads the dates given; a date that is not a date is a wrong command line (false, told on `err`).
    bool read(const QCommandLineParser& p, QTextStream& err)
    {
        for (auto [option, date] : { std::pair { &from, &fromDate }, std::pair { &to, &toDate } }) {
            if (!p.isSet(*option))
                continue;
            *date = dates::parseInput(p.value(*option));
            if (!*date) {
                err << QStringLiteral("Data gresita pentru --%1: %2 (YYYY-MM-DD sau zz/LL/aaaa).")
                           .arg(option->names().constFirst(), p.value(*option))
                    << Qt::endl;
                return false;
            }
        }
        return true;
    }
    // Both dates given: the period needs no fiscal year.
    bool complete() const { return fromDate && toDate; }
    QDate start(const company::CompanyParameters& year) const
    {
        return fromDate ? *fromDate : dates::fromSerial(year.DataIN).date();
    }
    QDate end(const company::CompanyParameters& year) const
    {
        return toDate ? *toDate : dates::fromSerial(year.DataSN).date();
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
