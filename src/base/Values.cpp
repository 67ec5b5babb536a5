#include "base/Values.h"

namespace orvida {

Value Nz(const Value& value, const std::optional<Value>& defaultValue)
{
    if (value.isNull())
        return defaultValue ? *defaultValue : Value(0);
    if (value.isEmptyText())
        return Value(0);
    return value;
}

} // namespace orvida
