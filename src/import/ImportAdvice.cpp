#include "import/ImportAdvice.h"

#include "base/ErrorReport.h"

namespace orvida::import {

namespace {

// What to do, by the kind of failure; empty where the description already says it.
QString advice(const ImportOutcome& outcome)
{
    const int number = outcome.failure.number;
    switch (number) {
    case err::database(5): // busy
    case err::database(6): // locked
        return QStringLiteral(
            "Inchideti ferestrele si programele care lucreaza cu baza de date, apoi apasati din nou Ok.");
    case err::database(8): // read-only
        return QStringLiteral(
            "Cereti drepturi de scriere pentru fisierul Orvida.mdb si pentru folderul programului, apoi apasati din "
            "nou Ok.");
    case err::ItemNotFound:
        if (outcome.label == 160)
            return {};
        return QStringLiteral(
            "Adaugati coloana in primul rand al foii Sheet1, salvati registrul si apasati din nou Ok.");
    case err::TypeMismatch:
    case err::InvalidUseOfNull:
        return QStringLiteral("Corectati celula in registru, salvati-l si apasati din nou Ok.");
    default:
        return {};
    }
}

} // namespace

QString failureReason(const ImportOutcome& outcome)
{
    if (outcome.ok() || outcome.failure.number == err::UserInterrupt)
        return {};
    QStringList lines;
    if (!outcome.failure.description.isEmpty())
        lines << outcome.failure.description;
    if (const QString what = advice(outcome); !what.isEmpty())
        lines << what;
    return lines.join(QLatin1Char('\n'));
}

} // namespace orvida::import
