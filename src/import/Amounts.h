#pragma once

#include <QString>

#include <optional>

namespace orvida::import {

// A text amount read the Romanian way ("1.234,56", "1234,56", "-12,5") or with a plain decimal
// point ("1234.56"). A single point followed by exactly three digits, like every point before a
// comma, separates thousands ("1.234" is 1234). Anything else is not a number.
std::optional<double> parseAmount(const QString& text);

// An amount brought to a whole number, an exact half going to the even neighbour, as
// text::roundHalfEven(value, 0) gives it, without negative zero.
double wholeAmount(double value);

} // namespace orvida::import
