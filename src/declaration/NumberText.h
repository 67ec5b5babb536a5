#pragma once

#include <QString>

namespace orvida::declaration {

// How counts and amounts are written into declaration files: plain decimal notation with a point,
// no thousands separator, no trailing zeros, no point for whole numbers, a leading space for zero
// and positive values and "-" for negative ones, and no "0" before the point below 1 in
// magnitude (" 1250", " 1250.5", " .25", "-3.1", " 0", "-.25"). The value is written as given:
// round it first where the field asks for it.
QString numberText(double value);
QString numberText(qint64 value);

// An amount rounded to two decimals (halves to the even neighbour), then written as above.
QString amountText(double value);

} // namespace orvida::declaration
