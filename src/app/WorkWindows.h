#pragma once

#include "gui/Shell.h"

#include <QChar>

#include <functional>

class QWidget;

namespace orvida {

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
