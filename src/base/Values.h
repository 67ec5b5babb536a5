#pragma once

#include "base/Value.h"

#include <optional>

namespace orvida {

// Null gives the default (the integer 0 when none is given); the empty text gives the integer 0
// whatever the default; any other value comes back unchanged.
Value Nz(const Value& value, const std::optional<Value>& defaultValue = std::nullopt);

} // namespace orvida
