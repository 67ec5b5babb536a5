#include "gui/WindowKeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <functional>

namespace orvida {

namespace {

class WindowKeys : public QObject
{
public:
    WindowKeys(QWidget* window, QAbstractButton* accept, QAbstractButton* exit)
        : QObject(window)
        , m_window(window)
        , m_accept(accept)
        , m_exit(exit)
    { }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        QAbstractButton* target = nullptr;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // A button with the focus is the one Enter means.
            auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
            const bool focusedPush = focused && m_window->isAncestorOf(focused) && focused->inherits("QPushButton");
            target = focusedPush ? focused : m_accept.data();
        } else if (key->key() == Qt::Key_Escape) {
            target = m_exit;
        }
        if (!target || !target->isEnabled() || !target->isVisible())
            return false;
        target->click();
        return true;
    }

private:
    QWidget* m_window;
    QPointer<QAbstractButton> m_accept;
    QPointer<QAbstractButton> m_exit;
};

// Runs `select` on the mouse release of the first click since `widget` took the focus, after the
// widget has placed its cursor where the click landed.
class SelectOnClick : public QObject
{
public:
    SelectOnClick(QWidget* widget, std::function<void()> select)
        : QObject(widget)
        , m_select(std::move(select))
    { }

    bool eventFilter(QObject*, QEvent* event) override
    {
        // The focus may also have come before the click without a key pressed since: from a page
        // of tabs that was turned, or from the window being activated. It comes back from a
        // calendar that was open too, and then the next click is meant where it lands.
        if (event->type() == QEvent::FocusIn) {
            m_pending = static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason;
        } else if (event->type() == QEvent::MouseButtonRelease && m_pending) {
            m_pending = false;
            m_select();
        } else if (event->type() == QEvent::FocusOut || event->type() == QEvent::KeyPress) {
            m_pending = false;
        }
        return false;
    }

private:
    std::function<void()> m_select;
    bool m_pending = false;
};

// F4 or Alt+Down opens a date picker's calendar, as its arrow does under the mouse.
class CalendarOnKey : public QObject
{
public:
    explicit CalendarOnKey(QDateTimeEdit* picker)
        : QObject(picker)
        , m_picker(picker)
    { }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !m_picker->calendarPopup() || m_picker->isReadOnly())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool open = (key->key() == Qt::Key_F4 && mods == Qt::NoModifier)
            || (key->key() == Qt::Key_Down && mods == Qt::AltModifier);
        if (!open)
            return false;
        // The picker opens its calendar on a press on its arrow and offers no other way.
        QStyleOptionComboBox option;
        option.initFrom(m_picker);
        option.editable = true;
        option.subControls = QStyle::SC_All;
        const QPoint arrow = m_picker->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, m_picker)
                                 .center();
        QMouseEvent press(QEvent::MouseButtonPress, arrow, m_picker->mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(m_picker, &press);
        return true;
    }

private:
    QDateTimeEdit* m_picker;
};

void watchWithChildren(QWidget* widget, QObject* filter)
{
    widget->installEventFilter(filter);
    // The text part of a picker is a box of its own that takes the clicks.
    for (QLineEdit* inner : widget->findChildren<QLineEdit*>())
        inner->installEventFilter(filter);
}

} // namespace

void installWindowKeys(QWidget* window, QAbstractButton* accept, QAbstractButton* exit)
{
    window->installEventFilter(new WindowKeys(window, accept, exit));
}

void selectDayOnClick(QDateTimeEdit* picker)
{
    watchWithChildren(picker,
                      new SelectOnClick(picker, [picker] { picker->setSelectedSection(QDateTimeEdit::DaySection); }));
}

void openCalendarOnKey(QDateTimeEdit* picker)
{
    picker->installEventFilter(new CalendarOnKey(picker));
}

void selectAllOnClick(QLineEdit* box)
{
    watchWithChildren(box, new SelectOnClick(box, [box] { box->selectAll(); }));
}

} // namespace orvida
