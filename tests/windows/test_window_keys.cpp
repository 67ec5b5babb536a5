#include "support/WindowFixture.h"
#include "windows/CompanyWindow.h"
#include "windows/DeclarationWindow.h"
#include "windows/ImportWindow.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <functional>

using namespace orvida;
using namespace orvida::test;

namespace {

struct Window
{
    const char* name;
    std::function<QWidget*(const Shell&)> make;
    const char* field; // a box the keys are typed into
    const char* exit;
    QString enterShows; // the first message that Enter, pressing the window's default button, shows
};

QWidget* shownActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    return w;
}

} // namespace

// Enter presses the window's default button, or the button with the focus; Esc presses its exit
// button.
TEST(WindowKeys, EnterPressesTheDefaultButtonAndEscTheExit)
{
    const Window windows[] = {
        { "import", [](const Shell& s) { return new import::ImportWindow(s, QLatin1Char('C')); }, "txtSourceSpec1",
          "cmdIesire", "Va rugam selectati fisierul de importat." },
        { "company", [](const Shell& s) { return new company::CompanyWindow(s); }, "Text1_1", "cmdCancel", "" },
        { "declaration", [](const Shell& s) { return new declaration::DeclarationWindow(s); }, "TextNume", "cmdAnulare",
          "" },
    };
    for (const Window& w : windows) {
        SCOPED_TRACE(w.name);
        {
            WindowFixture f;
            f.folder.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Orvida Test SRL'"));
            QPointer<QWidget> window = shownActive(w.make(f.shell));
            const qsizetype before = f.prompts.shown().size();
            QTest::keyClick(f.child<QLineEdit>(window, w.field), Qt::Key_Return);
            ASSERT_FALSE(window.isNull());
            EXPECT_TRUE(window->isVisible());
            if (!w.enterShows.isEmpty()) {
                ASSERT_GT(f.prompts.shown().size(), before);
                EXPECT_EQ(f.prompts.shown()[before].text, w.enterShows);
            } else if (QString::fromLatin1(w.name) == QLatin1String("company")) {
                EXPECT_EQ(f.prompts.shown().size(), before); // saved without a word
                EXPECT_TRUE(f.child<QLabel>(window, "lblStare")->text().startsWith(QStringLiteral("Datele au fost")));
            } else {
                EXPECT_GT(f.prompts.shown().size(), before); // the declaration ran and reported
            }

            // Enter on the exit button presses that one.
            const qsizetype shown = f.prompts.shown().size();
            auto* exit = f.child<QPushButton>(window, w.exit);
            exit->setFocus();
            QTest::keyClick(exit, Qt::Key_Enter);
            processDeferredDeletes();
            EXPECT_TRUE(window.isNull());
            EXPECT_EQ(f.prompts.shown().size(), shown);
        }
        {
            WindowFixture f;
            QPointer<QWidget> window = shownActive(w.make(f.shell));
            const qsizetype before = f.prompts.shown().size();
            QTest::keyClick(f.child<QLineEdit>(window, w.field), Qt::Key_Escape);
            processDeferredDeletes();
            EXPECT_TRUE(window.isNull());
            EXPECT_EQ(f.prompts.shown().size(), before);
            delete window.data();
        }
    }
}

// The company window opens with the focus in its first box; a click into a date picker selects
// the day, so the date is typed over from its start; the declarant's first name, a single space at
// first, is selected by the click that enters it.
TEST(WindowKeys, FocusAndTypingOver)
{
    WindowFixture f;
    f.folder.exec(QStringLiteral("update Zet_Par set DATAIN = '2026-01-01'"));
    std::unique_ptr<company::CompanyWindow> company(new company::CompanyWindow(f.shell));
    shownActive(company.get());
    EXPECT_EQ(QApplication::focusWidget(), company->textBox(0));

    company->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    QDateEdit* picker = company->datePicker(0);
    QLineEdit* text = picker->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    // A click on the year.
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(text->width() - 12, text->height() / 2));
    EXPECT_EQ(picker->currentSection(), QDateTimeEdit::DaySection);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("15032025"));
    EXPECT_EQ(picker->date(), QDate(2025, 3, 15));
    // Once it has the focus, a click goes where it lands.
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(text->width() - 12, text->height() / 2));
    EXPECT_EQ(picker->currentSection(), QDateTimeEdit::YearSection);
    company.reset();

    std::unique_ptr<declaration::DeclarationWindow> declaration(new declaration::DeclarationWindow(f.shell));
    shownActive(declaration.get());
    auto* firstName = f.child<QLineEdit>(declaration.get(), "TextPrenume");
    EXPECT_EQ(firstName->text(), QStringLiteral(" "));
    QTest::mouseClick(firstName, Qt::LeftButton, {}, QPoint(firstName->width() - 4, firstName->height() / 2));
    EXPECT_EQ(firstName->selectedText(), QStringLiteral(" "));
    QTest::keyClicks(firstName, QStringLiteral("Ion"));
    EXPECT_EQ(firstName->text(), QStringLiteral("Ion"));
    QTest::mouseClick(firstName, Qt::LeftButton, {}, QPoint(2, firstName->height() / 2));
    EXPECT_EQ(firstName->selectedText(), QString());

    auto* from = f.child<QDateEdit>(declaration.get(), "DTPdela");
    QTest::mouseClick(from->findChild<QLineEdit*>(), Qt::LeftButton, {},
                      QPoint(from->width() - 40, from->height() / 2));
    EXPECT_EQ(from->currentSection(), QDateTimeEdit::DaySection);
}

// The calendar of a date picker is reached from the keyboard: F4 or Alt+Down opens it, a day is
// chosen with the arrows and Enter. When the calendar closes, the focus returns to the picker and
// the next click selects where it lands, not the day.
TEST(WindowKeys, CalendarFromTheKeyboard)
{
    WindowFixture f;
    f.folder.exec(QStringLiteral("update Zet_Par set DATAIN = '2026-01-01'"));
    std::unique_ptr<company::CompanyWindow> company(new company::CompanyWindow(f.shell));
    shownActive(company.get());
    company->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
    QDateEdit* picker = company->datePicker(0);
    ASSERT_EQ(picker->date(), QDate(2026, 1, 1));

    const struct
    {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool opens;
    } keys[] = {
        { "F4", Qt::Key_F4, Qt::NoModifier, true },
        { "Alt+Down", Qt::Key_Down, Qt::AltModifier, true },
        { "Down", Qt::Key_Down, Qt::NoModifier, false }, // steps the section, as before
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        picker->setFocus(Qt::TabFocusReason);
        const QDate before = picker->date();
        QTest::keyClick(picker, k.key, k.modifiers);
        QCalendarWidget* calendar = picker->calendarWidget();
        const bool open = calendar && calendar->window()->isVisible();
        EXPECT_EQ(open, k.opens);
        if (!open) {
            EXPECT_NE(picker->date(), before);
            continue;
        }
        QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Right);
        QTest::keyClick(calendar->focusWidget() ? calendar->focusWidget() : calendar, Qt::Key_Return);
        EXPECT_FALSE(calendar->window()->isVisible());
        EXPECT_EQ(picker->date(), before.addDays(1));
    }

    // The focus back from the calendar: a click on the year selects the year.
    QLineEdit* text = picker->findChild<QLineEdit*>();
    QFocusEvent back(QEvent::FocusIn, Qt::PopupFocusReason);
    QApplication::sendEvent(text, &back);
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(text->width() - 12, text->height() / 2));
    EXPECT_EQ(picker->currentSection(), QDateTimeEdit::YearSection);
}

// The company window's pages turn with Alt and their letter, and the focus goes with them, so a
// date can be typed at once.
TEST(WindowKeys, CompanyPagesByTheirLetters)
{
    WindowFixture f;
    f.folder.exec(QStringLiteral("update Zet_Par set DATAIN = '2026-01-01'"));
    std::unique_ptr<company::CompanyWindow> company(new company::CompanyWindow(f.shell));
    shownActive(company.get());
    auto* tabs = company->findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    const struct
    {
        Qt::Key key;
        int page;
        QWidget* focus;
    } steps[] = {
        { Qt::Key_E, 1, company->datePicker(0) },
        { Qt::Key_S, 0, company->textBox(0) },
        { Qt::Key_E, 1, company->datePicker(0) },
    };
    for (const auto& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.key, Qt::AltModifier);
        EXPECT_EQ(tabs->currentIndex(), step.page);
        EXPECT_EQ(QApplication::focusWidget(), step.focus);
    }
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("15032025"));
    EXPECT_EQ(company->datePicker(0)->date(), QDate(2025, 3, 15));
}
