#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/MenuBar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace orvida {

namespace {

QAction* addCommand(QWidget* menu, const QString& caption, const QString& name)
{
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    menu->addAction(action);
    return action;
}

} // namespace

MainWindow::MainWindow(const Shell& shell, WorkWindows windows, const MainPlacement& placement, QWidget* parent)
    : QMainWindow(parent)
    , m_shell(shell)
    , m_windows(std::move(windows))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Declaratii fiscale"));
    setCentralWidget(new QWidget(this));
    setMenuBar(new MenuBar(this));

    QMenu* date = menuBar()->addMenu(QStringLiteral("&Date contact"));
    date->setObjectName(QStringLiteral("mnuDate"));
    connect(addCommand(date, QStringLiteral("&Societate"), QStringLiteral("mnuSoc")), &QAction::triggered, this,
            [this] {
                if (m_windows.company)
                    open(m_windows.company(m_shell));
            });
    connect(addCommand(date, QStringLiteral("&Iesire"), QStringLiteral("mnuIesire")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* import = menuBar()->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("mnuImport"));
    connect(addCommand(import, QStringLiteral("&Achizitii"), QStringLiteral("mnuAchizitii")), &QAction::triggered, this,
            [this] { openImport(QLatin1Char('C'), QStringLiteral("Import achizitii din fisierul EXCEL")); });
    connect(addCommand(import, QStringLiteral("&Livrari"), QStringLiteral("mnuLivrari")), &QAction::triggered, this,
            [this] { openImport(QLatin1Char('L'), QStringLiteral("Import livrari din fisierul EXCEL")); });

    connect(addCommand(menuBar(), QStringLiteral("&Declaratia 394"), QStringLiteral("mnuDec")), &QAction::triggered,
            this, [this] {
                if (m_windows.declaration)
                    open(m_windows.declaration(m_shell));
            });
    connect(addCommand(menuBar(), QStringLiteral("&Info"), QStringLiteral("mnuInfo")), &QAction::triggered, this,
            [this] { open(new AboutBox); });

    // Placement in twips; the position is the frame's, the size the window's own area.
    const QRect r = placement.pixels();
    move(r.topLeft());
    resize(r.size());
}

QAction* MainWindow::command(const QString& name) const
{
    return findChild<QAction*>(name);
}

void MainWindow::openImport(QChar tipOp, const QString& title)
{
    if (m_windows.import)
        open(m_windows.import(m_shell, tipOp), title);
}

void MainWindow::open(QWidget* window, const QString& title)
{
    if (!window)
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!title.isEmpty())
        window->setWindowTitle(title);
    window->show();
    emit windowOpened(window);
}

} // namespace orvida
