#pragma once

#include "app/ProgramFolder.h"

class QApplication;

namespace orvida {

// Starts the desktop program on a running QApplication and returns its exit status.
int runDesktop(QApplication& app, const ProgramFolder& folder);

} // namespace orvida
