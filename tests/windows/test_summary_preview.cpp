#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "support/ScriptedPrompts.h"
#include "windows/SummaryPreview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMap>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
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
    // "Salvare PDF" and printing have keys: the tool bar's buttons never take the focus.
    QMap<QString, QKeySequence> keys;
    auto* toolbar = preview->findChild<QToolBar*>();
    for (QAction* a : toolbar->actions())
        keys.insert(a->text(), a->shortcut());
    ASSERT_TRUE(keys.contains(QStringLiteral("Salvare PDF")));
    EXPECT_EQ(keys.value(QStringLiteral("Salvare PDF")), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(keys.value(QCoreApplication::translate("QPrintPreviewDialog", "Print")),
              QKeySequence(QKeySequence::Print));
    // Large enough to read: the page fills the width of a window that takes most of the screen,
    // and the whole tool bar shows as far as the screen allows.
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    EXPECT_EQ(preview->findChild<QPrintPreviewWidget*>()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    EXPECT_GE(preview->width(), screenWidth * 3 / 4 - 1);
    EXPECT_GE(preview->width(), std::min(toolbar->sizeHint().width(), screenWidth));
    EXPECT_LE(preview->width(), screenWidth);

    delete declarationWindow;
    QCoreApplication::processEvents();
    ASSERT_FALSE(preview.isNull());
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(preview.isNull());
}

// "Salvare PDF" proposes the program folder and a name with the company code, year and semester.
TEST(SummaryPreview, ProposesANamedPdfInTheProgramFolder)
{
    const struct
    {
        const char* cf;
        const char* anul;
        const char* sem;
        const char* name;
    } cases[] = {
        { "RO2816464", "2011", "1", "Rezumat_D394_2816464_2011_S1.pdf" },
        { " ro 14399840 ", "2010", "2", "Rezumat_D394_14399840_2010_S2.pdf" },
        { "12/34", "2011", "1", "Rezumat_D394_12_34_2011_S1.pdf" },
    };
    for (const auto& c : cases) {
        declaration::SummaryPage page;
        page.cf = QString::fromLatin1(c.cf);
        page.anul = QString::fromLatin1(c.anul);
        page.sem = QString::fromLatin1(c.sem);
        EXPECT_EQ(declaration::summaryPdfName(page).toStdString(), c.name);
        test::ScriptedPrompts prompts;
        declaration::showSummaryPreview(prompts, nullptr, page, QStringLiteral("/p"));
        EXPECT_EQ(prompts.suggestedPdf(), QStringLiteral("/p/") + QLatin1String(c.name));
        EXPECT_EQ(prompts.previews(), 1);
    }
}
