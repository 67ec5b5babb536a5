#pragma once

#include "app/WorkWindows.h"
#include "base/ProgramFolder.h"

#include <functional>

class QApplication;
class QSettings;

namespace orvida {

class MainWindow;

// Starts the desktop program on a running QApplication and returns its exit status.
int runDesktop(QApplication& app, const ProgramFolder& folder);

// Start-up: shows the splash window with the busy pointer for `splashMs`, then closes it and
// opens the main window placed from `settings`; `started` is told the main window. Returns at
// once: the event loop does the waiting. The shell and the settings must outlive the windows.
void startDesktop(const Shell& shell,
                  WorkWindows windows,
                  const QSettings& settings,
                  int splashMs,
                  std::function<void(MainWindow*)> started = {});

} // namespace orvida
