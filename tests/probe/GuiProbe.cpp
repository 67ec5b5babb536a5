// Compiled only by the cli_gui_probe test: it must fail, because the command line and the core
// below it have no QtGui (the lean orvida links them alone).
#include "cli/Cli.h"

#include <QPainter>
