#include "base/Dates.h"

#include "base/ErrorReport.h"

#include <cmath>

namespace orvida::dates {

namespace {
const QDate Epoch(1899, 12, 30);
}

double toSerial(const QDate& d)
{
    return double(Epoch.daysTo(d));
}

double toSerial(const QDateTime& dt)
{
    const double days = double(Epoch.daysTo(dt.date()));
    const double frac = double(dt.time().msecsSinceStartOfDay()) / 86400000.0;
    // Before the epoch the fraction still counts forward from midnight, as the day count does not.
    return days >= 0 ? days + frac : days - frac;
}

QDateTime fromSerial(double serial)
{
    const double whole = std::trunc(serial);
    const double frac = std::fabs(serial - whole);
    const QDate d = Epoch.addDays(qint64(whole));
    const int ms = int(std::llround(frac * 86400000.0));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(std::min(ms, 86399999)));
}

QString toStored(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString toStored(const QDateTime& dt)
{
    if (dt.time() == QTime(0, 0))
        return toStored(dt.date());
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> parseStored(const QString& text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (d.isValid())
        return QDateTime(d, QTime(0, 0));
    for (const QString& fmt : { QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                QStringLiteral("yyyy-MM-dd HH:mm") }) {
        QDateTime dt = QDateTime::fromString(t, fmt);
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

Result<QDateTime> fromValue(const Value& v)
{
    if (v.isNumber())
        return fromSerial(v.toDouble());
    if (v.isText()) {
        if (auto dt = parseStored(v.toText()))
            return *dt;
    }
    return Failure { err::TypeMismatch,
                     QStringLiteral("Valoarea \"%1\" nu este o data calendaristica (Type mismatch).").arg(v.toText()) };
}

std::optional<QDate> parseInput(const QString& text)
{
    const QString t = text.trimmed();
    for (const QString& fmt :
         { QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy") }) {
        QDate d = QDate::fromString(t, fmt);
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

QString shortDate(const QDate& d)
{
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace orvida::dates
