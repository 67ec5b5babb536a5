#pragma once

#include "base/Result.h"
#include "base/Value.h"

#include <QDate>
#include <QDateTime>

#include <optional>

namespace orvida::dates {

// Day counts from 30 December 1899 with the time of day as the fraction: the form in which the
// company parameters hold their dates and the declaration does its date arithmetic.
double toSerial(const QDateTime& dt);
double toSerial(const QDate& d);
QDateTime fromSerial(double serial);

// Dates are stored as ISO text, "YYYY-MM-DD" with an optional " HH:MM:SS".
QString toStored(const QDate& d);
QString toStored(const QDateTime& dt);
std::optional<QDateTime> parseStored(const QString& text);

// A stored value as a date: ISO text, or a number taken as a day count. Anything else is a type
// mismatch.
Result<QDateTime> fromValue(const Value& v);

// Input typed by a user: "YYYY-MM-DD" or "dd/MM/yyyy".
std::optional<QDate> parseInput(const QString& text);

// The Romanian short date, dd.MM.yyyy, whatever the machine's locale.
QString shortDate(const QDate& d);

} // namespace orvida::dates
