#include "app/Desktop.h"

#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"
#include "base/ResourceFolder.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "gui/Translations.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

namespace orvida {

void startDesktop(const Shell& shell,
                  WorkWindows windows,
                  QSettings& settings,
                  int splashMs,
                  std::function<void(MainWindow*)> started)
{
    // The splash is the only window for a while; closing it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    auto* splash = new SplashWindow;
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    const MainPlacement placement = readMainPlacement(settings);
    QSettings* recent = &settings;
    QTimer::singleShot(splashMs, splash, [=, windows = std::move(windows), started = std::move(started)]() mutable {
        auto* main = new MainWindow(shell, std::move(windows), placement, recent);
        main->setAttribute(Qt::WA_DeleteOnClose);
        main->show();
        splash->close();
        QApplication::setQuitOnLastWindowClosed(true);
        main->offerDatabase();
        if (started)
            started(main);
    });
}

int runDesktop(QApplication& app, const ProgramFolderChoice& choice)
{
    // What ships with the program: beside the executable, or under share/orvida when installed.
    const QString resources = resourceFolder(QCoreApplication::applicationDirPath());
    // Qt's dialogs, and the dates and numbers of its widgets, in Romanian whatever the machine's locale.
    installRomanian(app, resources + QStringLiteral("/translations"));
    SystemClock clock;
    const ProgramFolder folder(choice.path);
    // The pictures ship with the program; a program folder may hold its own.
    const Pictures pictures({ folder.file(QStringLiteral("BMP")), resources + QStringLiteral("/BMP") });
    DialogPrompts prompts(pictures);
    if (choice.origin == FolderOrigin::UserData) {
        if (const QString problem = prepareProgramFolder(choice.path); !problem.isEmpty()) {
            prompts.standardBox(nullptr, problem, QString(), Icon::Stop);
            return 2;
        }
    }
    const Shell shell { folder, clock, prompts, pictures };
    // The per-user store, under the program's name: the placement is only read from its section
    // "Settings"; the recent program folders are kept there.
    QSettings settings(QCoreApplication::applicationName(), QCoreApplication::applicationName());
    startDesktop(shell, programWindows(), settings, 2000);
    return app.exec();
}

} // namespace orvida
