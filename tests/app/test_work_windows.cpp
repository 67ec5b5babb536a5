#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "support/WindowFixture.h"
#include "windows/CompanyWindow.h"
#include "windows/DeclarationWindow.h"
#include "windows/ImportWindow.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace orvida;
using namespace orvida::test;

// Each menu command opens a new, modeless window of its own; closing the main window leaves them.
TEST(WorkWindows, EachCommandOpensANewWindow)
{
    WindowFixture f;
    auto* main = new MainWindow(f.shell, programWindows(), MainPlacement {});
    QList<QPointer<QWidget>> opened;
    QObject::connect(main, &MainWindow::windowOpened, [&opened](QWidget* w) { opened.append(w); });
    main->show();
    for (const char* name : { "mnuSoc", "mnuSoc", "mnuAchizitii", "mnuLivrari", "mnuDec", "mnuDec" })
        main->command(QString::fromLatin1(name))->trigger();
    ASSERT_EQ(opened.size(), 6);
    EXPECT_NE(qobject_cast<company::CompanyWindow*>(opened[0]), nullptr);
    EXPECT_NE(opened[0], opened[1]);
    auto* purchases = qobject_cast<import::ImportWindow*>(opened[2]);
    auto* sales = qobject_cast<import::ImportWindow*>(opened[3]);
    ASSERT_TRUE(purchases && sales);
    EXPECT_EQ(purchases->TipOp(), QLatin1Char('C'));
    EXPECT_EQ(purchases->windowTitle(), QStringLiteral("Import achizitii din fisierul EXCEL"));
    EXPECT_EQ(sales->TipOp(), QLatin1Char('L'));
    EXPECT_EQ(sales->windowTitle(), QStringLiteral("Import livrari din fisierul EXCEL"));
    EXPECT_NE(qobject_cast<declaration::DeclarationWindow*>(opened[4]), nullptr);
    EXPECT_TRUE(f.prompts.shown().isEmpty());

    main->close();
    processDeferredDeletes();
    for (const auto& w : opened) {
        ASSERT_FALSE(w.isNull());
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->isModal());
    }
    for (const auto& w : opened)
        delete w.data();
    delete main;
}

// A user's whole day from the menu: the company, both journals from the sample workbooks, the
// declaration from 2012 on and the semester declaration with its summary.
TEST(WorkWindows, FromTheCompanyToBothDeclarations)
{
    WindowFixture f;
    qputenv("WINEPREFIX", f.folder.file(QStringLiteral("no-wine")).toLocal8Bit());
    MainWindow main(f.shell, programWindows(), MainPlacement {});
    QWidget* last = nullptr;
    QObject::connect(&main, &MainWindow::windowOpened, [&last](QWidget* w) { last = w; });
    auto open = [&](const char* command) {
        main.command(QString::fromLatin1(command))->trigger();
        return last;
    };
    auto type = [&](QWidget* w, const char* box, const QString& text) {
        auto* edit = f.child<QLineEdit>(w, box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    };
    auto press = [&](QWidget* w, const char* button) {
        click(f.child<QPushButton>(w, button));
    };

    QWidget* company = open("mnuSoc");
    type(company, "Text1_0", QStringLiteral("Agromec Baragan SRL"));
    type(company, "Text1_3", QStringLiteral("RO2816464"));
    type(company, "Text1_12", QStringLiteral("Calarasi"));
    press(company, "cmdSalvare");
    press(company, "cmdCancel");

    for (const auto& [command, file] :
         { std::pair { "mnuAchizitii", "achizitii.xls" }, std::pair { "mnuLivrari", "livrari.xlsx" } }) {
        QWidget* import = open(command);
        type(import, "txtSourceSpec1", QStringLiteral(ORVIDA_SOURCE_DIR "/samples/") + QString::fromLatin1(file));
        press(import, "cmdOK");
    }
    EXPECT_GT(f.scalar(QStringLiteral("select count(*) from zet_jct_UE")).toInt(), 0);
    EXPECT_GT(f.scalar(QStringLiteral("select count(*) from zet_jvt_UE")).toInt(), 0);

    QWidget* declaration = open("mnuDec");
    type(declaration, "TextNume", QStringLiteral("Popescu"));
    type(declaration, "TextFunctie", QStringLiteral("Administrator"));
    press(declaration, "cmdCalcul");
    EXPECT_EQ(QDir(f.folder.file(QStringLiteral("D394/2816464"))).entryList(QDir::Files).size(), 2);
    click(f.child<QCheckBox>(declaration, "CheckD394_2012"));
    press(declaration, "cmdCalcul");
    EXPECT_EQ(f.prompts.previews(), 1);

    const QStringList texts = f.prompts.texts();
    ASSERT_GE(texts.size(), 5) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("Importul s-a realizat cu succes\nRanduri importate: 40."));
    EXPECT_EQ(texts[1], QStringLiteral("Importul s-a realizat cu succes\nRanduri importate: 36."));
    EXPECT_TRUE(texts[2].startsWith(QStringLiteral("Fisierul D394.xml a fost generat"))) << texts[2].toStdString();
    EXPECT_TRUE(texts[3].startsWith(QStringLiteral("Fisierul D394.txt a fost generat"))) << texts[3].toStdString();
    delete declaration;
    qunsetenv("WINEPREFIX");
}
