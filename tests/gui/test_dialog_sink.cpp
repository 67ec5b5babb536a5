#include "base/ErrorReport.h"
#include "gui/DialogSink.h"
#include "gui/MessageBoxExtDialog.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "support/QtPrint.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace orvida;

namespace {

Message standard(const QString& text, const QString& title, Icon icon)
{
    Message m = Message::failure(text);
    m.box = BoxKind::Standard;
    m.title = title;
    m.icon = icon;
    return m;
}

} // namespace

TEST(DialogSink, EachMessageGoesToItsBoxInOrder)
{
    test::ScriptedPrompts prompts;
    DialogSink sink(prompts, nullptr);

    Message warning = Message::check(QStringLiteral("Va rugam selectati fisierul de importat."));
    warning.icon = Icon::Exclamation;
    sink.show(Message::info(QStringLiteral("Declaratia s-a generat fara erori.")));
    sink.show(standard(QStringLiteral("disk full"), QStringLiteral("Salvare"), Icon::Stop));
    sink.show(warning);
    sink.show(standard(QStringLiteral("Va rugam verificati structura fisierului!"), QString(), Icon::None));

    const auto& shown = prompts.shown();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0].box, BoxKind::Own);
    EXPECT_EQ(shown[0].text, QStringLiteral("Declaratia s-a generat fara erori."));
    EXPECT_EQ(shown[0].title, QStringLiteral("Orvida"));
    EXPECT_EQ(shown[0].style, msgbox::OkOnly);
    EXPECT_EQ(shown[0].answer, msgbox::Ok);
    EXPECT_EQ(shown[1].box, BoxKind::Standard);
    EXPECT_EQ(shown[1].title, QStringLiteral("Salvare"));
    EXPECT_EQ(shown[1].icon, Icon::Stop);
    EXPECT_EQ(shown[2].box, BoxKind::Own);
    EXPECT_EQ(shown[2].style, msgbox::ExclamationIcon);
    EXPECT_EQ(shown[3].box, BoxKind::Standard);
    EXPECT_EQ(shown[3].title, QStringLiteral("Orvida"));
}

TEST(DialogSink, ScriptedPromptsAnswerAsScriptedOrWithTheFocusedButton)
{
    test::ScriptedPrompts prompts;
    prompts.setNextAnswer(msgbox::No);
    EXPECT_EQ(prompts.messageBoxExt(nullptr, { QStringLiteral("a"), msgbox::YesNo, {}, 0, {} }), msgbox::No);
    EXPECT_EQ(prompts.messageBoxExt(nullptr,
                                    { QStringLiteral("b"), msgbox::YesNoCancel | msgbox::DefaultButton3, {}, 0, {} }),
              msgbox::Cancel);

    prompts.setNextFileName(QStringLiteral("/tmp/achizitii.xls"));
    EXPECT_EQ(prompts.openFileName(nullptr, QStringLiteral("Alegeti"), {}, {}), QStringLiteral("/tmp/achizitii.xls"));
    EXPECT_EQ(prompts.openFileName(nullptr, QStringLiteral("Alegeti"), {}, {}), QString()); // cancelled
    EXPECT_EQ(prompts.fileDialogs().size(), 2);

    // A print preview paints its pages for real, into a PDF kept in memory.
    prompts.printPreview(nullptr, QStringLiteral("Previzualizare"), [](QPagedPaintDevice& device) {
        QPainter painter(&device);
        painter.drawText(QPointF(100, 100), QStringLiteral("Total"));
    });
    EXPECT_EQ(prompts.previews(), 1);
    EXPECT_TRUE(prompts.lastPreviewPdf().startsWith("%PDF"));
}

TEST(DialogSink, TheRealBoxesShowTheMessage)
{
    const Pictures pictures({ QStringLiteral(ORVIDA_SOURCE_DIR "/resources/BMP") });
    DialogPrompts prompts(pictures);
    DialogSink sink(prompts, nullptr);

    // An error report in the program's own box: OK only, the product name as title.
    const Message report
        = report::module1({ 5014, QStringLiteral("unable to open database file") }, QStringLiteral("InitParaSoc"), 20);
    QString ownTitle, ownText;
    int ownButtons = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<MessageBoxExtDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        ownTitle = box->windowTitle();
        ownText = box->label()->text();
        ownButtons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    sink.show(report);
    EXPECT_EQ(ownTitle, QStringLiteral("Orvida"));
    EXPECT_EQ(ownText, report.text);
    EXPECT_EQ(ownButtons, 1);

    // The platform's box, with the title and icon the run gave.
    QString stdTitle, stdText;
    QMessageBox::Icon stdIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        stdTitle = box->windowTitle();
        stdText = box->text();
        stdIcon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    sink.show(standard(QStringLiteral("<b>disk full</b>"), QStringLiteral("Salvare"), Icon::Stop));
    EXPECT_EQ(stdTitle, QStringLiteral("Salvare"));
    EXPECT_EQ(stdText, QStringLiteral("<b>disk full</b>"));
    EXPECT_EQ(stdIcon, QMessageBox::Critical);
}
