#pragma once

#include "app/MainPlacement.h"
#include "app/WorkWindows.h"

#include <QMainWindow>

class QAction;

namespace orvida {

// "Declaratii fiscale": an otherwise empty window whose menu opens every other window. Each
// command opens a new, modeless, parentless window, so closing the main window leaves the others
// working; the program ends when the last of them closes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(const Shell& shell, WorkWindows windows, const MainPlacement& placement, QWidget* parent = nullptr);

    // The menu command with this object name (mnuSoc, mnuIesire, mnuAchizitii, mnuLivrari, mnuDec,
    // mnuInfo), or nullptr.
    QAction* command(const QString& name) const;

signals:
    // A command opened this window (already shown).
    void windowOpened(QWidget* window);

private:
    void open(QWidget* window, const QString& title = {});
    void openImport(QChar tipOp, const QString& title);

    Shell m_shell;
    WorkWindows m_windows;
};

} // namespace orvida
