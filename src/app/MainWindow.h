#pragma once

#include "app/MainPlacement.h"
#include "app/WorkWindows.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QMenu;
class QSettings;

namespace orvida {

// "Declaratii fiscale": a window whose menu opens every other window and whose panel shows the
// company, its fiscal year N and the program folder in use. Each command opens a new, modeless,
// parentless window, so closing the main window leaves the others working; the program ends when
// the last of them closes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `settings`, when given, keeps the recent program folders (group "RecentFolders").
    MainWindow(const Shell& shell,
               WorkWindows windows,
               const MainPlacement& placement,
               QSettings* settings = nullptr,
               QWidget* parent = nullptr);

    // The menu command with this object name (mnuSoc, mnuDeschide, mnuIesire, mnuAchizitii,
    // mnuLivrari, mnuDec, mnuInfo), or nullptr.
    QAction* command(const QString& name) const;

    // The program folder of the windows opened from now on.
    const ProgramFolder& folder() const { return m_folder; }

    // When the program folder holds no Orvida.mdb, says so and offers to create it there (as
    // `init` does), then opens the company window; a refusal changes nothing. True when the folder
    // holds a database afterwards. A work window's command asks the same before opening it, and
    // opens nothing on an Orvida.mdb that is not an Orvida database (the reason is shown).
    bool offerDatabase();

    // Makes `path` the program folder of the windows opened from now on (windows already open keep
    // theirs). A folder with an Orvida database is taken; a folder without Orvida.mdb is offered a
    // new one, and once it is made the company window opens on it; anything else (an Orvida.mdb
    // that is not an Orvida database, a file, a folder that cannot be written) is refused with the
    // reason and nothing changes. True when the folder was taken.
    bool openFolder(const QString& path);

    // The recent program folders, the latest first.
    QStringList recentFolders() const;

    // The panel's text: company name and fiscal code, fiscal year N, program folder.
    QString statusText() const;

public slots:
    // Reads the company again (after a save, on activation, when a work window closes).
    void refreshStatus();

signals:
    // A command opened this window (already shown).
    void windowOpened(QWidget* window);

protected:
    void changeEvent(QEvent* event) override;

private:
    Shell currentShell() const;
    void open(QWidget* window, const QString& title = {});
    void openImport(QChar tipOp, const QString& title);
    void chooseFolder();
    // Asks `question`; on yes creates the database (and opens the company window when asked).
    bool createDatabase(const QString& question, bool openCompany);
    // The first-run question, when the folder has no database; true when it has an Orvida database
    // afterwards (a file of another program is refused with the reason).
    bool ensureDatabase(bool openCompany);
    void remember(const QString& path);
    void fillRecentMenu();

    ProgramFolder m_folder;
    const Clock& m_clock;
    Prompts& m_prompts;
    const Pictures& m_pictures;
    WorkWindows m_windows;
    QSettings* m_settings = nullptr;
    QMenu* m_recent = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace orvida
