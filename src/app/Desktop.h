#pragma once

#include "app/WorkWindows.h"
#include "base/ProgramFolderChoice.h"

#include <functional>

class QApplication;
class QSettings;

namespace orvida {

class MainWindow;

// Starts the desktop program on a running QApplication and returns its exit status. The user's
// data folder is created first; when it cannot be, a box says why and the status is 2.
int runDesktop(QApplication& app, const ProgramFolderChoice& folder);

// Start-up: shows the splash window with the busy pointer for `splashMs`, then closes it and
// opens the main window placed from `settings` (which also keeps its recent folders); when the
// program folder has no database, the main window offers to create it. `started` is told the
// main window. Returns at once: the event loop does the waiting. The shell and the settings must
// outlive the windows.
void startDesktop(const Shell& shell,
                  WorkWindows windows,
                  QSettings& settings,
                  int splashMs,
                  std::function<void(MainWindow*)> started = {});

} // namespace orvida
