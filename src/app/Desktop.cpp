#include "app/Desktop.h"

#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "gui/Translations.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

namespace orvida {

void startDesktop(const Shell& shell,
                  WorkWindows windows,
                  const QSettings& settings,
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
    QTimer::singleShot(splashMs, splash, [=, windows = std::move(windows), started = std::move(started)]() mutable {
        auto* main = new MainWindow(shell, std::move(windows), placement);
        main->setAttribute(Qt::WA_DeleteOnClose);
        main->show();
        splash->close();
        QApplication::setQuitOnLastWindowClosed(true);
        if (started)
            started(main);
    });
}

int runDesktop(QApplication& app, const ProgramFolder& folder)
{
    // Qt's dialogs, and the dates and numbers of its widgets, in Romanian whatever the machine's locale.
    installRomanian(app, QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    SystemClock clock;
    // The pictures ship beside the executable; a program folder given with --home may hold its own.
    const Pictures pictures(
        { folder.file(QStringLiteral("BMP")), QCoreApplication::applicationDirPath() + QStringLiteral("/BMP") });
    DialogPrompts prompts(pictures);
    const Shell shell { folder, clock, prompts, pictures };
    // Section "Settings" of the per-user store, under the program's name; only read.
    const QSettings settings(QCoreApplication::applicationName(), QCoreApplication::applicationName());
    startDesktop(shell, programWindows(), settings, 2000);
    return app.exec();
}

} // namespace orvida
