#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/DatabaseCommands.h"
#include "app/MenuBar.h"
#include "base/Dates.h"
#include "company/Company.h"
#include "gui/Prompts.h"
#include "store/DatabaseCheck.h"
#include "store/FileSystem.h"
#include "store/Schema.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QVBoxLayout>

namespace orvida {

namespace {

constexpr int RecentCount = 6;
const QString RecentKey = QStringLiteral("RecentFolders/Folders");
const QString DatabaseTitle = QStringLiteral("Baza de date");

QAction* addCommand(QWidget* menu, const QString& caption, const QString& name)
{
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    menu->addAction(action);
    return action;
}

QString fiscalYearText(const company::FiscalDates& fiscal)
{
    if (!fiscal.DATAIN || !fiscal.DATASN)
        return QStringLiteral("necompletat");
    return dates::shortDate(*fiscal.DATAIN) + QStringLiteral(" - ") + dates::shortDate(*fiscal.DATASN);
}

} // namespace

MainWindow::MainWindow(
    const Shell& shell, WorkWindows windows, const MainPlacement& placement, QSettings* settings, QWidget* parent)
    : QMainWindow(parent)
    , m_folder(shell.folder)
    , m_clock(shell.clock)
    , m_prompts(shell.prompts)
    , m_pictures(shell.pictures)
    , m_windows(std::move(windows))
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Declaratii fiscale"));

    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    m_status = new QLabel(panel);
    m_status->setObjectName(QStringLiteral("lblStare"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_status);
    setCentralWidget(panel);
    setMenuBar(new MenuBar(this));

    QMenu* date = menuBar()->addMenu(QStringLiteral("&Date contact"));
    date->setObjectName(QStringLiteral("mnuDate"));
    connect(addCommand(date, QStringLiteral("&Societate"), QStringLiteral("mnuSoc")), &QAction::triggered, this,
            [this] {
                if (m_windows.company && ensureDatabase(false))
                    open(m_windows.company(currentShell()));
            });
    connect(addCommand(date, QStringLiteral("Deschide &folder societate..."), QStringLiteral("mnuDeschide")),
            &QAction::triggered, this, &MainWindow::chooseFolder);
    m_recent = date->addMenu(QStringLiteral("Foldere &recente"));
    m_recent->setObjectName(QStringLiteral("mnuRecente"));
    connect(m_recent, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    connect(addCommand(date, QStringLiteral("Salvare &baza de date..."), QStringLiteral("mnuSalvareBD")),
            &QAction::triggered, this, [this] { saveDatabaseCopy(this, currentShell()); });
    connect(addCommand(date, QStringLiteral("Res&taurare baza de date..."), QStringLiteral("mnuRestaurareBD")),
            &QAction::triggered, this, [this] { restoreDatabaseCopy(this, currentShell()); });
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
                if (m_windows.declaration && ensureDatabase(false))
                    open(m_windows.declaration(currentShell()));
            });
    connect(addCommand(menuBar(), QStringLiteral("&Info"), QStringLiteral("mnuInfo")), &QAction::triggered, this,
            [this] { open(new AboutBox(m_folder.path(), store::journalDescription(m_folder))); });

    // Placement in twips; the position is the frame's, the size the window's own area.
    const QRect r = placement.pixels();
    move(r.topLeft());
    resize(r.size());

    remember(m_folder.path());
    fillRecentMenu();
    refreshStatus();
}

QAction* MainWindow::command(const QString& name) const
{
    return findChild<QAction*>(name);
}

Shell MainWindow::currentShell() const
{
    return Shell { m_folder, m_clock, m_prompts, m_pictures };
}

void MainWindow::openImport(QChar tipOp, const QString& title)
{
    if (m_windows.import && ensureDatabase(false))
        open(m_windows.import(currentShell(), tipOp), title);
}

void MainWindow::open(QWidget* window, const QString& title)
{
    if (!window)
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!title.isEmpty())
        window->setWindowTitle(title);
    // The panel shows the company as saved: read again when a window that may change it says so
    // or goes away.
    if (window->metaObject()->indexOfSignal("saved()") >= 0)
        connect(window, SIGNAL(saved()), this, SLOT(refreshStatus()));
    connect(window, &QObject::destroyed, this, &MainWindow::refreshStatus);
    window->show();
    emit windowOpened(window);
}

bool MainWindow::createDatabase(const QString& question, bool openCompany)
{
    const int answer
        = m_prompts.messageBoxExt(this, { question, msgbox::YesNo | msgbox::QuestionIcon, DatabaseTitle, 0, {} });
    if (answer != msgbox::Yes)
        return false;
    auto outcome = store::initDatabase(m_folder, m_clock.now().date().year());
    if (!outcome) {
        m_prompts.messageBoxExt(
            this, { outcome.failure().description, msgbox::OkOnly | msgbox::CriticalIcon, DatabaseTitle, 0, {} });
        return false;
    }
    refreshStatus();
    // A new database holds an empty company: its window is the next step.
    if (openCompany && m_windows.company)
        open(m_windows.company(currentShell()));
    return true;
}

bool MainWindow::ensureDatabase(bool openCompany)
{
    if (QFileInfo::exists(m_folder.databasePath())) {
        // Another program's file is left alone: opening it for work would already change it.
        Status s = store::checkOrvidaDatabase(m_folder.databasePath());
        if (!s)
            m_prompts.messageBoxExt(this,
                                    { s.failure().description
                                          + QStringLiteral("\nAlegeti alt folder din meniul \"Date contact\", "
                                                           "\"Deschide folder societate...\"."),
                                      msgbox::OkOnly | msgbox::CriticalIcon,
                                      DatabaseTitle,
                                      0,
                                      {} });
        return s.ok();
    }
    return createDatabase(QStringLiteral("Folderul programului %1 nu contine baza de date Orvida.mdb.\n"
                                         "Creati acum baza de date in acest folder?")
                              .arg(QDir::toNativeSeparators(m_folder.path())),
                          openCompany);
}

bool MainWindow::offerDatabase()
{
    return ensureDatabase(true);
}

bool MainWindow::openFolder(const QString& path)
{
    const ProgramFolder chosen(path);
    const QString shown = QDir::toNativeSeparators(chosen.path());
    auto refuse = [&](const QString& reason) {
        m_prompts.messageBoxExt(
            this,
            { QStringLiteral("Folderul %1 nu poate fi folosit.\n%2\nNu a fost modificat nimic.").arg(shown, reason),
              msgbox::OkOnly | msgbox::CriticalIcon,
              DatabaseTitle,
              0,
              {} });
        return false;
    };
    const QFileInfo info(chosen.path());
    if (!info.exists())
        return refuse(QStringLiteral("Folderul nu exista."));
    if (!info.isDir())
        return refuse(QStringLiteral("Nu este un folder."));

    if (QFileInfo::exists(chosen.databasePath())) {
        if (Status s = store::checkOrvidaDatabase(chosen.databasePath()); !s)
            return refuse(s.failure().description);
        m_folder = chosen;
        remember(m_folder.path());
        refreshStatus();
        return true;
    }

    const ProgramFolder previous = m_folder;
    m_folder = chosen;
    if (!createDatabase(QStringLiteral("Folderul %1 nu contine o baza de date Orvida.\n"
                                       "Creati aici baza de date pentru o societate noua?")
                            .arg(shown),
                        true)) {
        m_folder = previous;
        refreshStatus();
        return false;
    }
    remember(m_folder.path());
    return true;
}

void MainWindow::chooseFolder()
{
    const QString path = m_prompts.existingFolder(this, QStringLiteral("Deschide folder societate"), m_folder.path());
    if (!path.isEmpty())
        openFolder(path);
}

QStringList MainWindow::recentFolders() const
{
    return m_settings ? m_settings->value(RecentKey).toStringList() : QStringList();
}

void MainWindow::remember(const QString& path)
{
    if (!m_settings)
        return;
    QStringList folders = recentFolders();
    folders.removeAll(path);
    folders.prepend(path);
    while (folders.size() > RecentCount)
        folders.removeLast();
    m_settings->setValue(RecentKey, folders);
}

void MainWindow::fillRecentMenu()
{
    m_recent->clear();
    const QStringList folders = recentFolders();
    for (const QString& path : folders) {
        QAction* a = m_recent->addAction(QDir::toNativeSeparators(path));
        a->setData(path);
        a->setCheckable(true);
        a->setChecked(path == m_folder.path());
        connect(a, &QAction::triggered, this, [this, path] { openFolder(path); });
    }
    m_recent->setEnabled(!folders.isEmpty());
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::refreshStatus()
{
    QStringList lines;
    const QString database = m_folder.databasePath();
    if (!QFileInfo::exists(database)) {
        lines << QStringLiteral("Baza de date Orvida.mdb nu exista in acest folder.");
    } else if (Status s = store::checkOrvidaDatabase(database); !s) {
        lines << s.failure().description;
    } else if (auto record = company::loadCompany(m_folder); !record) {
        lines << record.failure().description;
    } else {
        const QString name = record->text(QStringLiteral("DENUMIRE")).trimmed();
        const QString code = record->text(QStringLiteral("CODFISCAL")).trimmed();
        lines << QStringLiteral("Societatea: %1").arg(name.isEmpty() ? QStringLiteral("necompletata") : name)
              << QStringLiteral("Cod fiscal: %1").arg(code.isEmpty() ? QStringLiteral("necompletat") : code)
              << QStringLiteral("Exercitiul N: %1").arg(fiscalYearText(record->dates));
    }
    lines << QStringLiteral("Folderul programului: %1").arg(QDir::toNativeSeparators(m_folder.path()));
    m_status->setText(lines.join(QLatin1Char('\n')));
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshStatus();
    QMainWindow::changeEvent(event);
}

} // namespace orvida
