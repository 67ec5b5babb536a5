#include "app/AboutBox.h"
#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "store/Schema.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <sqlite3.h>

using namespace orvida;
using namespace orvida::test;

namespace {

// Work windows that remember their kind and program folder.
WorkWindows recordingWindows()
{
    auto make = [](const Shell& s, const char* kind) {
        auto* w = new QWidget;
        w->setProperty("kind", QString::fromLatin1(kind));
        w->setProperty("folder", s.folder.path());
        return w;
    };
    return { [=](const Shell& s) { return make(s, "company"); },
             [=](const Shell& s, QChar) { return make(s, "import"); },
             [=](const Shell& s) {
                 return make(s, "declaration");
             } };
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct Opened
{
    explicit Opened(MainWindow& main)
    {
        QObject::connect(&main, &MainWindow::windowOpened, [this](QWidget* w) {
            windows << w;
            kinds << w->property("kind").toString() + QLatin1Char('@') + w->property("folder").toString();
        });
    }
    ~Opened() { qDeleteAll(windows); }
    QList<QWidget*> windows;
    QStringList kinds;
};

const QString FirstRunQuestion = QStringLiteral(
    "Folderul programului %1 nu contine baza de date Orvida.mdb.\nCreati acum baza de date in acest folder?");

} // namespace

// First start on a folder without a database: one question; yes creates it and opens the company
// window, no leaves the folder as it was. A work window's command asks the same before opening.
TEST(FirstRun, OffersTheDatabase)
{
    struct Case
    {
        const char* name;
        const char* command; // nullptr: the start-up offer
        int answer;
        bool created;
        QStringList opened; // kinds
    } cases[] = {
        { "start, yes", nullptr, msgbox::Yes, true, { "company" } },
        { "start, no", nullptr, msgbox::No, false, {} },
        { "import, yes", "mnuAchizitii", msgbox::Yes, true, { "import" } },
        { "declaration, no", "mnuDec", msgbox::No, false, {} },
        { "company, yes", "mnuSoc", msgbox::Yes, true, { "company" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(false);
        MainWindow main(f.shell, recordingWindows(), MainPlacement {});
        Opened opened(main);
        f.prompts.setNextAnswer(c.answer);
        if (c.command)
            main.command(QLatin1String(c.command))->trigger();
        else
            EXPECT_EQ(main.offerDatabase(), c.created);

        ASSERT_EQ(f.prompts.shown().size(), 1);
        EXPECT_EQ(f.prompts.shown()[0].text, FirstRunQuestion.arg(f.folder.path()));
        EXPECT_EQ(f.prompts.shown()[0].style, msgbox::YesNo | msgbox::QuestionIcon);
        EXPECT_EQ(QFile::exists(f.folder.folder().databasePath()), c.created);
        if (!c.created) {
            EXPECT_EQ(entries(f.folder.path()), QStringList());
        }
        QStringList expected;
        for (const QString& kind : c.opened)
            expected << kind + QLatin1Char('@') + f.folder.path();
        EXPECT_EQ(opened.kinds, expected);
        EXPECT_EQ(main.statusText().contains(QStringLiteral("Societatea: necompletata")), c.created)
            << main.statusText().toStdString();
    }

    // A folder with its database is not asked about.
    WindowFixture f;
    MainWindow main(f.shell, recordingWindows(), MainPlacement {});
    EXPECT_TRUE(main.offerDatabase());
    EXPECT_TRUE(f.prompts.shown().isEmpty());
}

// A program folder (--home) whose Orvida.mdb belongs to another program: no work window opens on
// it, the reason is shown, and the file stays as it was.
TEST(FirstRun, AForeignDatabaseOpensNoWindow)
{
    WindowFixture f(false);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(f.folder.folder().databasePath().toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE note (t TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const QByteArray bytes = readFile(f.folder.folder().databasePath());
    MainWindow main(f.shell, recordingWindows(), MainPlacement {});
    Opened opened(main);
    for (const char* command : { "mnuSoc", "mnuAchizitii", "mnuDec" })
        main.command(QLatin1String(command))->trigger();
    EXPECT_FALSE(main.offerDatabase());
    EXPECT_TRUE(opened.kinds.isEmpty());
    ASSERT_EQ(f.prompts.shown().size(), 4);
    EXPECT_TRUE(f.prompts.shown()[0].text.contains(QStringLiteral("nu este o baza de date Orvida")))
        << f.prompts.shown()[0].text.toStdString();
    EXPECT_EQ(readFile(f.folder.folder().databasePath()), bytes);
    EXPECT_EQ(entries(f.folder.path()), QStringList({ "Orvida.mdb" }));
}

TEST(FirstRun, ACreationFailureSaysWhyAndCreatesNothing)
{
    QTemporaryDir root;
    QFile blocker(root.filePath(QStringLiteral("fisier")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScriptedPrompts prompts;
    FixedClock clock { fixedNow() };
    Pictures pictures;
    const Shell shell { ProgramFolder(root.filePath(QStringLiteral("fisier/Orvida"))), clock, prompts, pictures };
    MainWindow main(shell, recordingWindows(), MainPlacement {});
    Opened opened(main);
    prompts.setNextAnswer(msgbox::Yes);
    EXPECT_FALSE(main.offerDatabase());
    ASSERT_EQ(prompts.shown().size(), 2);
    EXPECT_TRUE(prompts.shown()[1].text.contains(root.filePath(QStringLiteral("fisier/Orvida"))))
        << prompts.shown()[1].text.toStdString();
    EXPECT_EQ(prompts.shown()[1].style & msgbox::IconMask, msgbox::CriticalIcon);
    EXPECT_TRUE(opened.kinds.isEmpty());
    EXPECT_EQ(entries(root.path()), QStringList({ "fisier" }));
}

// "Deschide folder societate...": what each kind of folder does, and that a refused one is left
// byte for byte as it was while the main window keeps its folder.
TEST(OpenFolder, TakesOffersOrRefuses)
{
    QTemporaryDir root;
    const QString r = root.path();
    auto folder = [&](const char* name) {
        return r + QLatin1Char('/') + QLatin1String(name);
    };

    // An Orvida database; a file that is not a database; an SQLite file of another program.
    ASSERT_TRUE(store::initDatabase(ProgramFolder(folder("alfa")), 2024).ok());
    QDir().mkpath(folder("straina"));
    {
        QFile f(folder("straina/Orvida.mdb"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    QDir().mkpath(folder("sqlite"));
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(folder("sqlite/Orvida.mdb").toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(db, "CREATE TABLE note (t TEXT); INSERT INTO note VALUES ('x')", nullptr, nullptr, nullptr),
            SQLITE_OK);
        sqlite3_close(db);
    }
    QDir().mkpath(folder("gol"));
    QDir().mkpath(folder("gol2"));

    struct Case
    {
        const char* folder;
        int answer; // to the creation question, when one is asked
        bool taken;
        QString shown; // part of the box's text, empty: no box
        QStringList opened;
    } cases[] = {
        { "alfa", 0, true, "", {} },
        { "gol", msgbox::Yes, true, "Creati aici baza de date pentru o societate noua?", { "company" } },
        { "gol2", msgbox::No, false, "Creati aici baza de date pentru o societate noua?", {} },
        { "straina", 0, false, "nu este o baza de date SQLite", {} },
        { "sqlite", 0, false, "lipsesc tabelele Zet_Info si Zet_Par", {} },
        { "lipsa", 0, false, "Folderul nu exista.", {} },
        { "alfa/Orvida.mdb", 0, false, "Nu este un folder.", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        WindowFixture f;
        MainWindow main(f.shell, recordingWindows(), MainPlacement {});
        Opened opened(main);
        const QString path = folder(c.folder);
        const QStringList before = entries(path);
        const QByteArray bytes = readFile(path + QStringLiteral("/Orvida.mdb"));
        if (c.answer)
            f.prompts.setNextAnswer(c.answer);
        f.prompts.setNextFileName(path);
        main.command(QStringLiteral("mnuDeschide"))->trigger();

        EXPECT_EQ(f.prompts.fileDialogs(), QStringList({ "Deschide folder societate" }));
        EXPECT_EQ(main.folder().path(), c.taken ? path : f.folder.path());
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(f.prompts.shown().isEmpty());
        } else {
            ASSERT_EQ(f.prompts.shown().size(), 1);
            EXPECT_TRUE(f.prompts.shown()[0].text.contains(c.shown)) << f.prompts.shown()[0].text.toStdString();
            if (!c.taken && !c.answer) {
                EXPECT_TRUE(f.prompts.shown()[0].text.endsWith(QStringLiteral("Nu a fost modificat nimic.")));
                EXPECT_EQ(f.prompts.shown()[0].style & msgbox::IconMask, msgbox::CriticalIcon);
            }
        }
        QStringList expected;
        for (const QString& kind : c.opened)
            expected << kind + QLatin1Char('@') + path;
        EXPECT_EQ(opened.kinds, expected);
        if (!c.taken) {
            EXPECT_EQ(entries(path), before);
            EXPECT_EQ(readFile(path + QStringLiteral("/Orvida.mdb")), bytes);
        }
        EXPECT_TRUE(main.statusText().endsWith(QStringLiteral("Folderul programului: ") + main.folder().path()))
            << main.statusText().toStdString();
    }
}

// Windows already open keep their folder; the ones opened afterwards get the new one. The recent
// folders are kept in the settings, the latest first, and picking one opens it.
TEST(OpenFolder, NewWindowsUseTheNewFolderAndRecentFoldersAreKept)
{
    QTemporaryDir root;
    const QString alfa = root.filePath(QStringLiteral("alfa"));
    const QString beta = root.filePath(QStringLiteral("beta"));
    ASSERT_TRUE(store::initDatabase(ProgramFolder(alfa), 2024).ok());
    ASSERT_TRUE(store::initDatabase(ProgramFolder(beta), 2024).ok());
    QSettings settings(root.filePath(QStringLiteral("Orvida.ini")), QSettings::IniFormat);

    WindowFixture f;
    MainWindow main(f.shell, recordingWindows(), MainPlacement {}, &settings);
    Opened opened(main);
    EXPECT_EQ(main.recentFolders(), QStringList({ f.folder.path() }));

    main.command(QStringLiteral("mnuDec"))->trigger();
    f.prompts.setNextFileName(alfa);
    main.command(QStringLiteral("mnuDeschide"))->trigger();
    main.command(QStringLiteral("mnuLivrari"))->trigger();
    f.prompts.setNextFileName(beta);
    main.command(QStringLiteral("mnuDeschide"))->trigger();
    main.command(QStringLiteral("mnuSoc"))->trigger();
    // Cancelling the folder dialog changes nothing.
    main.command(QStringLiteral("mnuDeschide"))->trigger();
    EXPECT_EQ(main.folder().path(), beta);

    EXPECT_EQ(opened.kinds, QStringList({ "declaration@" + f.folder.path(), "import@" + alfa, "company@" + beta }));
    EXPECT_EQ(opened.windows[0]->property("folder").toString(), f.folder.path());
    EXPECT_EQ(main.recentFolders(), QStringList({ beta, alfa, f.folder.path() }));
    EXPECT_EQ(QSettings(root.filePath(QStringLiteral("Orvida.ini")), QSettings::IniFormat)
                  .value(QStringLiteral("RecentFolders/Folders"))
                  .toStringList(),
              QStringList({ beta, alfa, f.folder.path() }));

    // The recent menu lists them, the one in use ticked; picking another opens it.
    auto* recent = main.findChild<QMenu*>(QStringLiteral("mnuRecente"));
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    QStringList listed;
    for (QAction* a : recent->actions())
        listed << a->text() + (a->isChecked() ? QStringLiteral(" *") : QString());
    EXPECT_EQ(listed, QStringList({ beta + " *", alfa, f.folder.path() }));
    recent->actions()[1]->trigger();
    EXPECT_EQ(main.folder().path(), alfa);
    EXPECT_EQ(main.recentFolders(), QStringList({ alfa, beta, f.folder.path() }));
    EXPECT_TRUE(f.prompts.shown().isEmpty());

    // A later start lists the same folders.
    MainWindow again(f.shell, recordingWindows(), MainPlacement {}, &settings);
    EXPECT_EQ(again.recentFolders(), QStringList({ f.folder.path(), alfa, beta }));
}

// The panel: company, fiscal code, fiscal year N and the folder, read again once a work window
// that may have saved the company closes.
TEST(MainPanel, ShowsTheCompanyAndFolderAndFollowsASave)
{
    WindowFixture f;
    f.folder.exec(QStringLiteral("UPDATE Zet_Info SET DENUMIRE = 'Alfa Comert SRL', CODFISCAL = 'RO14399840'"));
    MainWindow main(f.shell, recordingWindows(), MainPlacement {});
    EXPECT_EQ(main.statusText(),
              QStringLiteral("Societatea: Alfa Comert SRL\nCod fiscal: RO14399840\nExercitiul N: 01.01.2024 - "
                             "31.12.2024\nFolderul programului: ")
                  + f.folder.path());

    Opened opened(main);
    main.command(QStringLiteral("mnuSoc"))->trigger();
    ASSERT_EQ(opened.windows.size(), 1);
    f.folder.exec(QStringLiteral("UPDATE Zet_Info SET DENUMIRE = 'Beta Servicii SRL'; UPDATE Zet_Par SET DATAIN = "
                                 "'2025-01-01', DATASN = '2025-12-31'"));
    delete opened.windows.takeFirst();
    EXPECT_TRUE(main.statusText().startsWith(
        QStringLiteral("Societatea: Beta Servicii SRL\nCod fiscal: RO14399840\nExercitiul N: 01.01.2025 - 31.12.2025")))
        << main.statusText().toStdString();

    // The about box names the folder in use.
    AboutBox about(main.folder().path());
    EXPECT_EQ(about.lblFolder()->text().remove(QChar(0x200B)),
              QStringLiteral("Folderul programului:\n") + f.folder.path());
}
