#pragma once

#include "base/Value.h"

#include <optional>

namespace orvida {

// Null gives the default (the integer 0 when none is given); the empty text gives the integer 0
// whatever the default; any other value comes back unchanged.
Value Nz(const Value& value, const std::optional<Value>& defaultValue = std::nullopt);

// The empty text or a value never assigned gives the default (the integer 0 when none is given);
// anything else, Null included, comes back unchanged.
Value NzEmpty(const Value& value, const std::optional<Value>& defaultValue = std::nullopt);

// b when a < b, otherwise a.
inline double MaxDbl(double a, double b)
{
    return a < b ? b : a;
}

} // namespace orvida
