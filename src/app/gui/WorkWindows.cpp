#include "app/gui/Shell.h"

namespace orvida {

WorkWindows programWindows()
{
    // The configuration, import and declaration windows register here.
    return {};
}

} // namespace orvida
