#include "app/MainPlacement.h"
#include "app/gui/MainWindow.h"
#include "company/CompanyWindow.h"
#include "declaration/DeclarationWindow.h"
#include "gui/WindowFixture.h"
#include "import/ImportWindow.h"

#include <QAction>

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
