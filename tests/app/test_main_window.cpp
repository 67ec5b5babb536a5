#include "app/AboutBox.h"
#include "app/Desktop.h"
#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "gui/Pictures.h"
#include "support/QtPrint.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace orvida;

namespace {

// A stand-in for a work window: it remembers how it was made.
QWidget* fakeWindow(const Shell& shell, const QString& kind, QChar tipOp = QChar())
{
    auto* w = new QWidget;
    w->setProperty("kind", kind);
    w->setProperty("tipOp", tipOp.isNull() ? QString() : QString(tipOp));
    w->setProperty("folder", shell.folder.path());
    return w;
}

class MainWindowTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // Windows the test opened; menus belong to their window and go with it.
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget())
                windows << w;
        for (const QPointer<QWidget>& w : windows)
            delete w.data();
    }

    WorkWindows fakeWindows()
    {
        WorkWindows windows;
        windows.company = [](const Shell& s) {
            return fakeWindow(s, QStringLiteral("company"));
        };
        windows.import = [](const Shell& s, QChar tipOp) {
            return fakeWindow(s, QStringLiteral("import"), tipOp);
        };
        windows.declaration = [](const Shell& s) {
            return fakeWindow(s, QStringLiteral("declaration"));
        };
        return windows;
    }

    test::TestFolder m_folder;
    FixedClock m_clock { test::fixedNow() };
    test::ScriptedPrompts m_prompts;
    Pictures m_pictures;
    Shell m_shell { m_folder.folder(), m_clock, m_prompts, m_pictures };
};

} // namespace

TEST_F(MainWindowTest, MenuTreeWithCaptionsAndAccelerators)
{
    MainWindow main(m_shell, fakeWindows(), MainPlacement {});
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Declaratii fiscale"));

    QStringList top;
    for (QAction* a : main.menuBar()->actions())
        top << a->text() + QLatin1Char('|') + (a->menu() ? a->menu()->objectName() : a->objectName());
    EXPECT_EQ(top,
              QStringList({ "&Date contact|mnuDate", "&Import|mnuImport", "&Declaratia 394|mnuDec", "&Info|mnuInfo" }));

    auto commandsOf = [&](const char* menu) {
        QStringList out;
        for (QAction* a : main.findChild<QMenu*>(QLatin1String(menu))->actions())
            out << a->text() + QLatin1Char('|') + a->objectName() + (a->isEnabled() ? "" : "|disabled");
        return out;
    };
    EXPECT_EQ(commandsOf("mnuDate"),
              QStringList({ "&Societate|mnuSoc", "Deschide &folder societate...|mnuDeschide",
                            "Foldere &recente||disabled", "Salvare &baza de date...|mnuSalvareBD",
                            "Res&taurare baza de date...|mnuRestaurareBD", "&Iesire|mnuIesire" }));
    EXPECT_EQ(commandsOf("mnuImport"), QStringList({ "&Achizitii|mnuAchizitii", "&Livrari|mnuLivrari" }));
    EXPECT_TRUE(main.command(QStringLiteral("mnuDec"))->isEnabled());
    EXPECT_TRUE(main.command(QStringLiteral("mnuInfo"))->isEnabled());
}

// Inside an open menu a letter runs the entry that carries it: every entry has its own, so a
// keyboard reaches each one with a single key.
TEST_F(MainWindowTest, EveryMenuEntryHasItsOwnLetter)
{
    MainWindow main(m_shell, fakeWindows(), MainPlacement {});
    for (const char* name : { "mnuDate", "mnuImport" }) {
        SCOPED_TRACE(name);
        QMap<QChar, QString> taken;
        for (QAction* a : main.findChild<QMenu*>(QLatin1String(name))->actions()) {
            if (a->isSeparator())
                continue;
            const QChar letter = QKeySequence::mnemonic(a->text()).isEmpty()
                ? QChar()
                : QChar(u'A' + (QKeySequence::mnemonic(a->text())[0].key() - Qt::Key_A));
            EXPECT_FALSE(letter.isNull()) << a->text().toStdString();
            if (letter.isNull())
                continue;
            EXPECT_FALSE(taken.contains(letter))
                << a->text().toStdString() << " and " << taken.value(letter).toStdString();
            taken.insert(letter, a->text());
        }
    }
}

TEST_F(MainWindowTest, EachCommandOpensANewModelessWindow)
{
    MainWindow main(m_shell, fakeWindows(), MainPlacement {});
    main.show();
    QList<QWidget*> opened;
    QObject::connect(&main, &MainWindow::windowOpened, [&](QWidget* w) { opened << w; });

    struct Case
    {
        const char* command;
        QString kind;
        QString tipOp;
        QString title;
    } cases[] = {
        { "mnuAchizitii", "import", "C", "Import achizitii din fisierul EXCEL" },
        { "mnuLivrari", "import", "L", "Import livrari din fisierul EXCEL" },
        { "mnuSoc", "company", "", "" },
        { "mnuDec", "declaration", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        opened.clear();
        // Twice: two independent windows.
        main.command(QLatin1String(c.command))->trigger();
        main.command(QLatin1String(c.command))->trigger();
        ASSERT_EQ(opened.size(), 2);
        EXPECT_NE(opened[0], opened[1]);
        for (QWidget* w : opened) {
            EXPECT_EQ(w->property("kind").toString(), c.kind);
            EXPECT_EQ(w->property("tipOp").toString(), c.tipOp);
            EXPECT_EQ(w->property("folder").toString(), m_folder.path());
            EXPECT_EQ(w->windowTitle(), c.title);
            EXPECT_TRUE(w->isVisible());
            EXPECT_FALSE(w->isModal());
            EXPECT_EQ(w->parentWidget(), nullptr);
            EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
        }
    }

    // The about box is this build's own.
    opened.clear();
    main.command(QStringLiteral("mnuInfo"))->trigger();
    main.command(QStringLiteral("mnuInfo"))->trigger();
    ASSERT_EQ(opened.size(), 2);
    auto* about = qobject_cast<AboutBox*>(opened[0]);
    ASSERT_NE(about, nullptr);
    EXPECT_NE(opened[0], opened[1]);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("Informatii"));
    EXPECT_EQ(about->lblVersion()->text(), QStringLiteral("Versiune " ORVIDA_VERSION));
    EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("lblDescription"))->text(),
              QStringLiteral("Program de Declaratii electronice"));
    EXPECT_FALSE(about->isModal());
    QPointer<QWidget> guard(about);
    QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
}

// Alt and a letter from a closed menu go to the first entry with that letter; the letter again
// while a menu is open goes on to the next one. A command reached that way is highlighted and
// runs on Enter, never at once.
TEST_F(MainWindowTest, SharedMnemonicsGoFirstThenNext)
{
    MainWindow main(m_shell, fakeWindows(), MainPlacement {});
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QStringList opened;
    QObject::connect(&main, &MainWindow::windowOpened, [&](QWidget* w) {
        opened << (w->property("kind").toString().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                            : w->property("kind").toString());
    });
    QMenuBar* bar = main.menuBar();
    auto* date = main.findChild<QMenu*>(QStringLiteral("mnuDate"));
    auto* import = main.findChild<QMenu*>(QStringLiteral("mnuImport"));
    // Where a key goes: the open menu, else the widget with the focus, else the window.
    // `held`: Alt is already down, so only the letter is pressed (a fresh Alt closes an open menu).
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods, bool held) {
        QWidget* to = QApplication::activePopupWidget();
        if (!to) {
            // Back to the main window after a command opened another one.
            main.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&main));
            to = QApplication::focusWidget() ? QApplication::focusWidget() : &main;
        }
        if (held) {
            const QString text(QChar(u'a' + (key - Qt::Key_A)));
            QTest::simulateEvent(to, true, key, mods, text, false, -1);
        } else {
            QTest::keyClick(to, key, mods);
        }
        QApplication::processEvents();
    };
    auto state = [&] {
        QString s = bar->activeAction() ? bar->activeAction()->text() : QStringLiteral("-");
        if (QWidget* popup = QApplication::activePopupWidget())
            s += QStringLiteral(" open:") + popup->objectName();
        return s;
    };

    const struct
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool held;
        QString state;
        QStringList opened;
    } steps[] = {
        { "Alt+D opens the first menu with D", Qt::Key_D, Qt::AltModifier, false, "&Date contact open:mnuDate", {} },
        { "D again goes on to the declaration, without running it",
          Qt::Key_D,
          Qt::NoModifier,
          false,
          "&Declaratia 394",
          {} },
        { "D once more goes around to the first", Qt::Key_D, Qt::NoModifier, false, "&Date contact open:mnuDate", {} },
        { "D with Alt held goes on too", Qt::Key_D, Qt::AltModifier, true, "&Declaratia 394", {} },
        { "Enter runs the highlighted command", Qt::Key_Return, Qt::NoModifier, false, "-", { "declaration" } },
        { "Alt+D again starts from the first", Qt::Key_D, Qt::AltModifier, false, "&Date contact open:mnuDate", {} },
        { "Esc closes the menu", Qt::Key_Escape, Qt::NoModifier, false, "", {} },
        { "Alt+I opens the import menu", Qt::Key_I, Qt::AltModifier, false, "&Import open:mnuImport", {} },
        { "I goes on to the about box", Qt::Key_I, Qt::NoModifier, false, "&Info", {} },
        { "Esc drops it: nothing opens", Qt::Key_Escape, Qt::NoModifier, false, "-", {} },
        { "Alt+I from a closed menu is the import menu again",
          Qt::Key_I,
          Qt::AltModifier,
          false,
          "&Import open:mnuImport",
          {} },
        { "its own letters still choose its commands", Qt::Key_L, Qt::NoModifier, false, "-", { "import" } },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        opened.clear();
        press(step.key, step.mods, step.held);
        if (!step.state.isEmpty()) {
            EXPECT_EQ(state().toStdString(), step.state.toStdString());
        }
        EXPECT_EQ(opened, step.opened);
    }
    EXPECT_FALSE(date->isVisible());
    EXPECT_FALSE(import->isVisible());
}

// On a real keyboard a second Alt+letter starts with Alt going down while the menu is open: the
// menu stays open and the letter goes on to the next entry. Alt let go alone closes the menu.
TEST_F(MainWindowTest, AFreshAltInAnOpenMenuGoesOn)
{
    MainWindow main(m_shell, fakeWindows(), MainPlacement {});
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QMenuBar* bar = main.menuBar();
    auto open = [&](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main, key, Qt::AltModifier);
        QApplication::processEvents();
        return QApplication::activePopupWidget();
    };
    const struct
    {
        const char* name;
        Qt::Key first;
        Qt::Key then; // pressed with the fresh Alt; Qt::Key_unknown: Alt alone
        QString active;
        bool menuOpen;
    } cases[] = {
        { "Alt+D, Alt+D", Qt::Key_D, Qt::Key_D, QStringLiteral("&Declaratia 394"), false },
        { "Alt+I, Alt+I", Qt::Key_I, Qt::Key_I, QStringLiteral("&Info"), false },
        { "Alt+I, Alt alone", Qt::Key_I, Qt::Key_unknown, QString(), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* menu = open(c.first);
        ASSERT_NE(menu, nullptr);
        QTest::keyPress(menu, Qt::Key_Alt, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_TRUE(menu->isVisible());
        if (c.then != Qt::Key_unknown) {
            const QString text(QChar(u'a' + (c.then - Qt::Key_A)));
            QTest::simulateEvent(menu, true, c.then, Qt::AltModifier, text, false, -1);
            QApplication::processEvents();
        }
        QWidget* to = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : bar;
        QTest::keyRelease(to, Qt::Key_Alt);
        QApplication::processEvents();
        EXPECT_EQ(bar->activeAction() ? bar->activeAction()->text() : QString(), c.active);
        EXPECT_EQ(QApplication::activePopupWidget() != nullptr, c.menuOpen);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &main, Qt::Key_Escape);
        QApplication::processEvents();
    }
}

TEST_F(MainWindowTest, CommandsWithoutAWindowOpenNothing)
{
    MainWindow main(m_shell, WorkWindows {}, MainPlacement {});
    int opened = 0;
    QObject::connect(&main, &MainWindow::windowOpened, [&] { ++opened; });
    for (const char* name : { "mnuSoc", "mnuAchizitii", "mnuLivrari", "mnuDec" })
        main.command(QLatin1String(name))->trigger();
    EXPECT_EQ(opened, 0);
}

TEST_F(MainWindowTest, IesireClosesOnlyTheMainWindow)
{
    auto* main = new MainWindow(m_shell, fakeWindows(), MainPlacement {});
    main->setAttribute(Qt::WA_DeleteOnClose);
    main->show();
    QWidget* declaration = nullptr;
    QObject::connect(main, &MainWindow::windowOpened, [&](QWidget* w) { declaration = w; });
    main->command(QStringLiteral("mnuDec"))->trigger();
    ASSERT_NE(declaration, nullptr);

    QPointer<MainWindow> guard(main);
    main->command(QStringLiteral("mnuIesire"))->trigger();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(declaration->isVisible());
}

TEST_F(MainWindowTest, PlacementDefaultsWithNoStoredSettings)
{
    QTemporaryDir dir;
    const QSettings settings(dir.filePath(QStringLiteral("Orvida.ini")), QSettings::IniFormat);
    MainWindow main(m_shell, fakeWindows(), readMainPlacement(settings));
    main.show();
    // 1000, 1000 twips and 6500 x 6500 twips at 15 twips per pixel.
    EXPECT_EQ(main.pos(), QPoint(67, 67));
    EXPECT_EQ(main.size(), QSize(433, 433));
}

TEST_F(MainWindowTest, StartUpShowsTheSplashThenTheMainWindow)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("Orvida.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("1500"));
    settings.setValue(QStringLiteral("Settings/MainWidth"), QStringLiteral("9000"));
    MainWindow* main = nullptr;
    startDesktop(m_shell, fakeWindows(), settings, 200, [&](MainWindow* m) { main = m; });

    // The splash is shown at once with the busy pointer, and is the only window.
    QPointer<SplashWindow> splash;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<SplashWindow*>(w))
            splash = s;
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(splash->size(), QSize(348, 337));
    EXPECT_EQ(main, nullptr);
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    for (int waited = 0; !main && waited < 5000; waited += 20)
        QTest::qWait(20);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(splash.isNull() || !splash->isVisible());
    EXPECT_EQ(main->pos(), QPoint(100, 67));
    EXPECT_EQ(main->size(), QSize(600, 433));
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}
