// Compiled only by the core_widget_probe test: it must fail, because the core has no QtWidgets.
#include "base/Message.h"

#include <QWidget>
