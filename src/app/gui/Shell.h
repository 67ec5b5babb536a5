#pragma once

#include "app/Clock.h"
#include "app/ProgramFolder.h"

#include <QChar>

#include <functional>

class QWidget;

namespace orvida {

class Pictures;
class Prompts;

// What every window of the desktop program is given: the program folder, the clock, the prompt
// seam and the pictures of BMP/. All of it outlives the windows.
struct Shell
{
    ProgramFolder folder;
    const Clock& clock;
    Prompts& prompts;
    const Pictures& pictures;
};

// The work windows the main window's menu opens, one factory per command. A factory creates a
// new, parentless window and does not show it; the main window sets its title where the menu
// gives one, shows it and lets it delete itself when closed. An empty factory opens nothing.
struct WorkWindows
{
    std::function<QWidget*(const Shell&)> company; // "&Societate"
    std::function<QWidget*(const Shell&, QChar tipOp)> import; // "&Achizitii" 'C', "&Livrari" 'L'
    std::function<QWidget*(const Shell&)> declaration; // "&Declaratia 394"
};

// The work windows of this build.
WorkWindows programWindows();

} // namespace orvida
