#include "base/ErrorReport.h"
#include "gui/DialogSink.h"
#include "gui/MessageBoxExtDialog.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "support/QtPrint.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
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

// A message that names a written folder or error list offers to open it; no other message does.
TEST(DialogSink, WrittenFilesCanBeOpenedFromTheirMessage)
{
    const Message written = Message::info(QStringLiteral("Fisierul D394.xml a fost generat in catalogul /p/D394."));
    const struct
    {
        Message message;
        QString caption; // empty: nothing to open
        QString path;
    } cases[] = {
        { written.opening(Opens::Folder, QStringLiteral("/p/D394")), "Deschide folderul", "/p/D394" },
        { Message::info(QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati "
                                       "fisierul /p/D394_Erori.txt "))
              .opening(Opens::ErrorList, QStringLiteral("/p/D394_Erori.txt")),
          "Deschide lista", "/p/D394_Erori.txt" },
        // The text alone opens nothing: only what the run says it wrote.
        { written, "", "" },
        { Message::info(QStringLiteral("Importul s-a realizat cu succes")), "", "" },
        { written.opening(Opens::Folder, QString()), "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.text.toStdString());
        const auto openable = openableIn(c.message);
        ASSERT_EQ(openable.has_value(), !c.caption.isEmpty());
        test::ScriptedPrompts prompts;
        DialogSink sink(prompts, nullptr);
        if (!openable) {
            sink.show(c.message);
            EXPECT_EQ(prompts.shown()[0].captions, QStringList { QStringLiteral("OK") });
            continue;
        }
        EXPECT_EQ(openable->caption, c.caption);
        EXPECT_EQ(openable->path, c.path);

        // The button beside OK opens it and the box stays until OK.
        prompts.setNextAnswer(msgbox::Help);
        sink.show(c.message);
        ASSERT_EQ(prompts.shown().size(), 1);
        EXPECT_EQ(prompts.shown()[0].captions, QStringList({ QStringLiteral("OK"), c.caption }));
        EXPECT_EQ(prompts.shown()[0].answer, msgbox::Ok);
        EXPECT_EQ(prompts.opened(), QStringList { c.path });
        // Not pressed: nothing opens.
        sink.show(c.message);
        EXPECT_EQ(prompts.opened().size(), 1);
    }
}

// A desktop without a program that opens folders or files: the button says so and names the
// path, which the box lets the user copy, instead of doing nothing.
TEST(DialogSink, WhatCannotBeOpenedIsNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    const QString list = dir.filePath(QStringLiteral("D394_Erori.txt"));
    const struct
    {
        Message message;
        QString shown;
    } cases[] = {
        { Message::info(QStringLiteral("Fisierul D394.xml a fost generat in catalogul %1.").arg(folder))
              .opening(Opens::Folder, folder),
          QStringLiteral("Folderul %1 nu a putut fi deschis").arg(QDir::toNativeSeparators(folder)) },
        { Message::info(
              QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati fisierul %1 ")
                  .arg(list))
              .opening(Opens::ErrorList, list),
          QStringLiteral("Fisierul %1 nu a putut fi deschis").arg(QDir::toNativeSeparators(list)) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.text.toStdString());
        test::ScriptedPrompts prompts;
        prompts.setOpenFails(true);
        DialogSink sink(prompts, nullptr);
        prompts.setNextAnswer(msgbox::Help);
        sink.show(c.message);
        ASSERT_EQ(prompts.shown().size(), 2);
        EXPECT_TRUE(prompts.shown()[0].text.startsWith(c.shown)) << prompts.shown()[0].text.toStdString();
        EXPECT_TRUE(prompts.shown()[0].text.endsWith(QStringLiteral("calea se poate copia din mesaj.")));
        EXPECT_EQ(prompts.shown()[0].style, msgbox::OkOnly | msgbox::ExclamationIcon);
        EXPECT_EQ(prompts.shown()[1].text, c.message.text);

        // Opened: no second box.
        test::ScriptedPrompts working;
        DialogSink quiet(working, nullptr);
        working.setNextAnswer(msgbox::Help);
        quiet.show(c.message);
        EXPECT_EQ(working.shown().size(), 1);
    }
}

TEST(DialogSink, TheRealBoxOpensThroughTheSeamAndItsTextCanBeSelected)
{
    struct Recording : DialogPrompts
    {
        using DialogPrompts::DialogPrompts;
        bool openLocation(const QString& path) override
        {
            opened << path;
            return true;
        }
        QStringList opened;
    };
    const Pictures pictures({ QStringLiteral(ORVIDA_SOURCE_DIR "/resources/BMP") });
    Recording prompts(pictures);
    DialogSink sink(prompts, nullptr);
    bool stayedOpen = false;
    Qt::TextInteractionFlags flags;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<MessageBoxExtDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        flags = box->label()->textInteractionFlags();
        ASSERT_EQ(box->buttons().size(), 2);
        EXPECT_EQ(box->buttons()[1]->text(), QStringLiteral("Deschide folderul"));
        QTest::mouseClick(box->buttons()[1], Qt::LeftButton);
        stayedOpen = box->isVisible();
        QTest::mouseClick(box->buttons()[0], Qt::LeftButton);
    });
    sink.show(Message::info(QStringLiteral("Fisierul D394.xml a fost generat in catalogul /p/D394/1."))
                  .opening(Opens::Folder, QStringLiteral("/p/D394/1")));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(prompts.opened, QStringList { QStringLiteral("/p/D394/1") });
    EXPECT_TRUE(flags.testFlag(Qt::TextSelectableByMouse));
}
