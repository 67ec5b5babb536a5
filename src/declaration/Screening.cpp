#include "declaration/Screening.h"

namespace orvida::declaration {

bool hasValue(const Value& v)
{
    return !v.isNull() && !v.isEmpty();
}

bool passesPreFilter(PreFilter filter, const Value& nume, const Value& codf)
{
    if (!hasValue(nume) || !hasValue(codf))
        return false;
    const QString code = codf.toText();
    switch (filter) {
    case PreFilter::Present:
        return true;
    case PreFilter::PresentNot13:
        return code.size() != 13;
    case PreFilter::PresentUnder13: {
        qsizetype i = 0;
        while (i < code.size() && code[i] == QLatin1Char(' '))
            ++i;
        return code.size() - i < 13;
    }
    }
    return false;
}

QString normaliseCode(const QString& stored)
{
    QString code = stored;
    if (code.startsWith(QLatin1Char('R'), Qt::CaseInsensitive)) {
        code.remove(0, 1);
        if (code.startsWith(QLatin1Char('O'), Qt::CaseInsensitive))
            code.remove(0, 1);
    }
    qsizetype i = 0;
    while (i < code.size() && code[i] == QLatin1Char(' '))
        ++i;
    return code.mid(i);
}

bool accepts(Acceptance test, const QString& partnerCode, const QSet<QString>& listedCodes)
{
    const qsizetype n = partnerCode.size();
    switch (test) {
    case Acceptance::UpTo10:
        return n <= 10;
    case Acceptance::From2To10:
        return n >= 2 && n <= 10;
    case Acceptance::NewUpTo10:
        return n <= 10 && !partnerCode.isEmpty() && !listedCodes.contains(partnerCode);
    }
    return false;
}

QString rejectionReason(Acceptance test, const QString& partnerCode, const QSet<QString>& listedCodes)
{
    if (accepts(test, partnerCode, listedCodes))
        return {};
    if (partnerCode.size() > 10)
        return QStringLiteral("cod fiscal mai lung de 10 caractere");
    if (partnerCode.isEmpty())
        return QStringLiteral("cod fiscal gol");
    if (test == Acceptance::NewUpTo10)
        return QStringLiteral("cod fiscal deja declarat in aceasta declaratie");
    return QStringLiteral("cod fiscal prea scurt");
}

QString journalLabel(Journal journal)
{
    return journal == Journal::Purchases ? QStringLiteral("Cumparari") : QStringLiteral("Vanzari");
}

QString rejectionLine(Journal journal, const QString& name)
{
    return (journal == Journal::Sales ? QStringLiteral("Clientul ") : QStringLiteral("Furnizorul ")) + name
        + QStringLiteral(" are cod fiscal incorect\r\n");
}

ScreeningRule rule2012(Journal journal)
{
    return { PreFilter::PresentNot13, journal == Journal::Purchases ? Acceptance::From2To10 : Acceptance::UpTo10,
             Rejection::Silent };
}

std::optional<QString> screen(const ScreeningRule& rule,
                              Journal journal,
                              const Value& nume,
                              const Value& codf,
                              const QSet<QString>& listedCodes,
                              QString* errorList)
{
    if (!passesPreFilter(rule.preFilter, nume, codf))
        return std::nullopt;
    QString code = normaliseCode(codf.toText());
    if (accepts(rule.acceptance, code, listedCodes))
        return code;
    if (rule.rejection == Rejection::Reported && errorList)
        errorList->append(rejectionLine(journal, nume.toText()));
    return std::nullopt;
}

} // namespace orvida::declaration
