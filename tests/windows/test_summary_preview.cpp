#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "windows/SummaryPreview.h"

#include <QApplication>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace orvida;

// The preview returns at once, blocks no window and outlives the window that opened it.
TEST(SummaryPreview, OpensWithoutWaitingAndOffersPdf)
{
    Pictures pictures;
    DialogPrompts prompts(pictures);
    auto* declarationWindow = new QWidget;
    declarationWindow->show();
    declaration::SummaryPage page;
    page.nume = QStringLiteral("Agromec Baragan SRL");
    declaration::showSummaryPreview(prompts, declarationWindow, page);

    QPointer<QPrintPreviewDialog> preview;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QPrintPreviewDialog*>(w))
            preview = p;
    ASSERT_FALSE(preview.isNull());
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Listare Dclaratie 394"));
    EXPECT_EQ(preview->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QStringList actions;
    for (QAction* a : preview->findChild<QToolBar*>()->actions())
        actions << a->text();
    EXPECT_TRUE(actions.contains(QStringLiteral("Salvare PDF")));

    delete declarationWindow;
    QCoreApplication::processEvents();
    ASSERT_FALSE(preview.isNull());
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(preview.isNull());
}
