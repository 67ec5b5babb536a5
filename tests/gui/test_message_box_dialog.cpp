#include "base/MessageBoxLayout.h"
#include "gui/ImportProgressDialog.h"
#include "gui/MessageBoxExtDialog.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "support/QtPrint.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace orvida;

namespace {

QString shippedPictures()
{
    return QStringLiteral(ORVIDA_SOURCE_DIR "/resources/BMP");
}

std::unique_ptr<MessageBoxExtDialog> shownBox(const msgbox::Request& request, const Pictures& pictures)
{
    auto box = std::make_unique<MessageBoxExtDialog>(request, pictures);
    box->show();
    box->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    return box;
}

QPushButton* buttonWithResult(const MessageBoxExtDialog& box, int result)
{
    for (QPushButton* b : box.buttons())
        if (b->property("result").toInt() == result)
            return b;
    return nullptr;
}

} // namespace

TEST(MessageBoxExtDialog, AppliesTheLayoutAtFifteenTwipsPerPixel)
{
    const Pictures pictures({ shippedPictures() });
    msgbox::Request request;
    request.prompt = QStringLiteral("Declaratia s-a generat fara erori.\r\nFisierul a fost salvat.");
    request.style = msgbox::YesNoCancel | msgbox::InformationIcon;
    MessageBoxExtDialog box(request, pictures);

    EXPECT_EQ(box.windowTitle(), QStringLiteral("Orvida"));
    const msgbox::Layout& l = box.boxLayout();
    EXPECT_EQ(box.size(), msgbox::pixels(l.client));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()); // fixed size
    EXPECT_EQ(box.label()->text(), QStringLiteral("Declaratia s-a generat fara erori.\nFisierul a fost salvat."));
    EXPECT_EQ(box.label()->x(), 59); // 880 twips
    EXPECT_EQ(box.iconLabel()->geometry(), QRect(13, 13, 32, 32));
    EXPECT_FALSE(box.iconLabel()->pixmap().isNull());
    // The label is as wide as its longer line and the box wide enough for it.
    EXPECT_GE(box.label()->width(),
              box.label()->fontMetrics().horizontalAdvance(QStringLiteral("Declaratia s-a generat fara erori.")));
    EXPECT_GE(box.width(), box.label()->geometry().right() + 13);
    ASSERT_EQ(box.buttons().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(box.buttons()[i]->geometry(), msgbox::pixels(l.buttons[i].rect));
        EXPECT_EQ(box.buttons()[i]->text(), l.buttons[i].caption);
        // Every caption and picture fits its button.
        const QPushButton* b = box.buttons()[i];
        const int needed = b->fontMetrics().horizontalAdvance(b->text()) + (b->icon().isNull() ? 0 : 20);
        EXPECT_LE(needed, b->width()) << b->text().toStdString();
    }

    // Without icon bits the icon is hidden and the label starts at 200 twips.
    MessageBoxExtDialog plain(msgbox::Request { QStringLiteral("x"), 0, QStringLiteral("Titlu"), 0, {} }, pictures);
    EXPECT_EQ(plain.windowTitle(), QStringLiteral("Titlu"));
    EXPECT_TRUE(plain.iconLabel()->isHidden());
    EXPECT_EQ(plain.label()->x(), 13);
}

TEST(MessageBoxExtDialog, NeverWiderThanTheScreen)
{
    const Pictures pictures({ shippedPictures() });
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    const QString path = QStringLiteral("/home/contabil/Orvida/D394/14399840/D394_10.12.2026 - 12.00.00.xml ");
    msgbox::Request request;
    request.prompt = QStringLiteral("Baza de date nu poate fi deschisa: ") + path.repeated(8) + QStringLiteral("\nOK");
    request.style = msgbox::CriticalIcon;
    MessageBoxExtDialog box(request, pictures);
    EXPECT_LE(box.width(), screen);
    EXPECT_LE(box.label()->geometry().right(), box.width());
    const QStringList lines = box.label()->text().split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 2);
    EXPECT_EQ(lines.last(), QStringLiteral("OK"));
    // Nothing is lost: the wrapped lines hold every word of the prompt.
    EXPECT_EQ(lines.join(QLatin1Char(' ')).simplified(), request.prompt.simplified());
    for (const QString& line : lines)
        EXPECT_LE(box.label()->fontMetrics().horizontalAdvance(line), box.label()->width());

    // A prompt that fits keeps its designed width.
    MessageBoxExtDialog small({ QStringLiteral("Mesaj scurt"), msgbox::OkOnly, {}, 0, {} }, pictures);
    EXPECT_EQ(small.label()->text(), QStringLiteral("Mesaj scurt"));
}

TEST(MessageBoxExtDialog, CloseEscapeAndEnterRules)
{
    enum class Action { CloseBox, Escape, Enter };
    struct Case
    {
        const char* name;
        int style;
        Action action;
        bool closes;
        int result;
    } cases[] = {
        { "OK only ignores the close box", msgbox::OkOnly, Action::CloseBox, false, 0 },
        { "OK only ignores Esc", msgbox::OkOnly, Action::Escape, false, 0 },
        { "OK only closes on Enter", msgbox::OkOnly, Action::Enter, true, msgbox::Ok },
        { "yes/no/cancel closed through the close box gives cancel", msgbox::YesNoCancel, Action::CloseBox, true,
          msgbox::Cancel },
        { "yes/no/cancel: Esc presses cancel", msgbox::YesNoCancel, Action::Escape, true, msgbox::Cancel },
        { "OK/cancel: Esc presses cancel", msgbox::OkCancel, Action::Escape, true, msgbox::Cancel },
        { "yes/no has no cancel: the close box is refused", msgbox::YesNo, Action::CloseBox, false, 0 },
        { "yes/no has no cancel: Esc is refused", msgbox::YesNo, Action::Escape, false, 0 },
        { "abort/retry/ignore is refused too", msgbox::AbortRetryIgnore, Action::CloseBox, false, 0 },
        { "Enter presses the default button: the second", msgbox::YesNoCancel | msgbox::DefaultButton2, Action::Enter,
          true, msgbox::No },
        { "Enter presses the default button: the third", msgbox::AbortRetryIgnore | msgbox::DefaultButton3,
          Action::Enter, true, msgbox::Ignore },
    };
    const Pictures pictures({ shippedPictures() });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto box = shownBox({ QStringLiteral("Mesaj"), c.style, {}, 0, {} }, pictures);
        switch (c.action) {
        case Action::CloseBox:
            box->windowHandle()->close();
            break;
        case Action::Escape:
            QTest::keyClick(box->focusWidget(), Qt::Key_Escape);
            break;
        case Action::Enter:
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
            break;
        }
        QApplication::processEvents();
        EXPECT_EQ(box->isVisible(), !c.closes);
        EXPECT_EQ(box->BtnPressed(), c.result);
        if (c.closes) {
            EXPECT_EQ(box->result(), c.result);
        }
    }
}

TEST(MessageBoxExtDialog, ButtonsReturnTheirResult)
{
    const Pictures pictures({ shippedPictures() });
    struct Case
    {
        int style;
        int press;
    } cases[] = {
        { msgbox::OkCancel, msgbox::Ok },
        { msgbox::OkCancel, msgbox::Cancel },
        { msgbox::AbortRetryIgnore, msgbox::Abort },
        { msgbox::AbortRetryIgnore, msgbox::Retry },
        { msgbox::AbortRetryIgnore, msgbox::Ignore },
        { msgbox::YesNo, msgbox::Yes },
        { msgbox::YesNo, msgbox::No },
        { msgbox::RetryCancel, msgbox::Retry },
    };
    for (const Case& c : cases) {
        auto box = shownBox({ QStringLiteral("Mesaj"), c.style, {}, 0, {} }, pictures);
        QPushButton* button = buttonWithResult(*box, c.press);
        ASSERT_NE(button, nullptr) << c.style << " " << c.press;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(box->isVisible());
        EXPECT_EQ(box->BtnPressed(), c.press);
    }
}

TEST(MessageBoxExtDialog, HelpButtonAndF1AskForHelpAndTheBoxStaysOpen)
{
    const Pictures pictures({ shippedPictures() });
    auto box = shownBox(
        { QStringLiteral("Mesaj"), msgbox::YesNoCancel | msgbox::DefaultButton4 | msgbox::HelpButton, {}, 4711, {} },
        pictures);
    QSignalSpy help(box.get(), &MessageBoxExtDialog::helpRequested);

    // &H300 with three buttons and help: the help button has the initial focus, and Tab goes on
    // to the first button.
    QPushButton* helpButton = buttonWithResult(*box, msgbox::Help);
    ASSERT_NE(helpButton, nullptr);
    EXPECT_EQ(box->focusWidget(), helpButton);
    EXPECT_EQ(helpButton->text(), QStringLiteral("Ajutor"));

    QTest::mouseClick(helpButton, Qt::LeftButton);
    QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    QTest::keyClick(box->focusWidget(), Qt::Key_F1);
    ASSERT_EQ(help.count(), 3);
    for (const auto& args : help)
        EXPECT_EQ(args.at(0).toInt(), 4711);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->BtnPressed(), 0);

    QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(box->focusWidget(), box->buttons()[0]);

    // Without the help button the fourth default does not exist: the first button has the focus.
    auto three
        = shownBox({ QStringLiteral("Mesaj"), msgbox::YesNoCancel | msgbox::DefaultButton4, {}, 0, {} }, pictures);
    EXPECT_EQ(three->focusWidget(), three->buttons()[0]);
}

TEST(MessageBoxExtDialog, ModalCallReturnsThePressedButton)
{
    const Pictures pictures({ shippedPictures() });
    DialogPrompts prompts(pictures);
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<MessageBoxExtDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownTitle = box->windowTitle();
        QTest::mouseClick(buttonWithResult(*box, msgbox::No), Qt::LeftButton);
    });
    EXPECT_EQ(prompts.messageBoxExt(nullptr, { QStringLiteral("Continuati?"), msgbox::YesNo, {}, 0, {} }), msgbox::No);
    EXPECT_EQ(shownTitle, QStringLiteral("Orvida"));
}

TEST(Pictures, ShippedFilesLoadAndMissingOrBrokenOnesFallBack)
{
    const Pictures shipped({ shippedPictures() });
    for (auto picture : { msgbox::Picture::OkBmp, msgbox::Picture::IesireBmp }) {
        EXPECT_FALSE(shipped.fileOf(picture).isEmpty());
        const QPixmap pixmap = shipped.button(picture).pixmap(16, 16);
        ASSERT_FALSE(pixmap.isNull());
        // The magenta background is masked out.
        EXPECT_EQ(pixmap.toImage().pixelColor(0, 0).alpha(), 0);
    }
    for (auto icon : { msgbox::IconKind::Stop, msgbox::IconKind::Question, msgbox::IconKind::Exclamation,
                       msgbox::IconKind::Information }) {
        EXPECT_FALSE(shipped.fileOf(icon).isEmpty());
        EXPECT_EQ(shipped.icon(icon).size(), QSize(32, 32));
    }

    QTemporaryDir dir;
    QFile broken(dir.filePath(QStringLiteral("OK.bmp")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a bitmap");
    broken.close();
    QFile brokenIcon(dir.filePath(QStringLiteral("W95MBX01.ico")));
    ASSERT_TRUE(brokenIcon.open(QIODevice::WriteOnly));
    brokenIcon.write("not an icon");
    brokenIcon.close();

    const Pictures missing({ dir.path() });
    EXPECT_FALSE(missing.button(msgbox::Picture::OkBmp).isNull());
    EXPECT_FALSE(missing.button(msgbox::Picture::IesireBmp).isNull());
    EXPECT_TRUE(missing.button(msgbox::Picture::None).isNull());
    EXPECT_FALSE(missing.icon(msgbox::IconKind::Stop).isNull());
    EXPECT_FALSE(missing.icon(msgbox::IconKind::Question).isNull());

    // The box still shows with every picture missing.
    MessageBoxExtDialog box({ QStringLiteral("Mesaj"), msgbox::OkCancel | msgbox::CriticalIcon, {}, 0, {} }, missing);
    EXPECT_FALSE(box.iconLabel()->pixmap().isNull());
    EXPECT_FALSE(box.buttons()[0]->icon().isNull());
}

// The import's progress can only be stopped through "Renunta": Esc and the close box are ignored.
TEST(ImportProgressDialog, StopsOnlyThroughRenunta)
{
    std::atomic<bool> cancel { false };
    ImportProgressDialog dialog(cancel, QStringLiteral("Import achizitii din fisierul EXCEL"));
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.setRowsRead(1234);
    EXPECT_EQ(dialog.rowsLabel()->text(), QStringLiteral("Randuri citite: 1234"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.windowHandle()->close();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(cancel);
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(dialog.cancelButton()->isEnabled());
}

// Where the sheet tells its size, the rows read as a share of it ("Randul X din Y", a filled bar);
// otherwise, or once a sheet holds more than it said, the count alone and the endless bar.
TEST(ImportProgressDialog, ShowsTheShareOfTheSheetWhereItIsKnown)
{
    struct Case
    {
        qint64 rows;
        qint64 expected;
        const char* text;
        int maximum; // 0: the endless bar
        int value;
    };
    const Case cases[] = {
        { 1234, -1, "Randuri citite: 1234", 0, 0 },
        { 0, 1000, "Randul 0 din 1000", 1000, 0 },
        { 250, 1000, "Randul 250 din 1000", 1000, 250 },
        { 1000, 1000, "Randul 1000 din 1000", 1000, 1000 },
        { 1001, 1000, "Randuri citite: 1001", 0, 0 }, // the sheet said less than it holds
        { 5, 0, "Randuri citite: 5", 0, 0 },
        { 7, qint64(1) << 40, "Randuri citite: 7", 0, 0 }, // beyond what a bar counts
        { 1048575, 1048575, "Randul 1048575 din 1048575", 1048575, 1048575 },
    };
    std::atomic<bool> cancel { false };
    ImportProgressDialog dialog(cancel, QStringLiteral("Import achizitii din fisierul EXCEL"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialog.setRowsRead(c.rows, c.expected);
        EXPECT_EQ(dialog.rowsLabel()->text(), QLatin1String(c.text));
        EXPECT_EQ(dialog.bar()->minimum(), 0);
        EXPECT_EQ(dialog.bar()->maximum(), c.maximum);
        if (c.maximum > 0) {
            EXPECT_EQ(dialog.bar()->value(), c.value);
        }
        // The text is never cut: the label is as wide as it needs.
        EXPECT_GE(dialog.rowsLabel()->width(), dialog.rowsLabel()->sizeHint().width());
    }
    if (const QByteArray shots = qgetenv("ORVIDA_SCREENSHOTS"); !shots.isEmpty()) {
        dialog.setRowsRead(4200, 10000);
        QApplication::processEvents();
        dialog.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress-known.png"));
        dialog.setRowsRead(4200);
        QApplication::processEvents();
        dialog.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress-unknown.png"));
    }
}
