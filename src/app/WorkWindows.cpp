#include "app/WorkWindows.h"

#include "windows/CompanyWindow.h"
#include "windows/DeclarationWindow.h"
#include "windows/ImportWindow.h"

namespace orvida {

WorkWindows programWindows()
{
    return {
        [](const Shell& shell) -> QWidget* { return new company::CompanyWindow(shell); },
        [](const Shell& shell, QChar tipOp) -> QWidget* { return new import::ImportWindow(shell, tipOp); },
        [](const Shell& shell) -> QWidget* { return new declaration::DeclarationWindow(shell); },
    };
}

} // namespace orvida
