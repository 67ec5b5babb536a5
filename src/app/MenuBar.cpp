#include "app/MenuBar.h"

#include <QActionEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcutEvent>

namespace orvida {

namespace {

QChar mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toUpper();
        ++i; // "&&" is a literal ampersand
    }
    return {};
}

// The letter of a key press, without regard to Alt or case.
QChar letterOf(const QKeyEvent* event)
{
    if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
        return QChar(u'A' + (event->key() - Qt::Key_A));
    if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_9)
        return QChar(u'0' + (event->key() - Qt::Key_0));
    return {};
}

} // namespace

MenuBar::MenuBar(QWidget* parent)
    : QMenuBar(parent)
{ }

QList<QAction*> MenuBar::entriesFor(QChar letter) const
{
    QList<QAction*> out;
    for (QAction* action : actions())
        if (action->isVisible() && action->isEnabled() && !letter.isNull() && mnemonicOf(action->text()) == letter)
            out << action;
    return out;
}

bool MenuBar::menuOpen() const
{
    return activeAction() && activeAction()->menu() && activeAction()->menu()->isVisible();
}

bool MenuBar::goToNext(QChar letter)
{
    const QList<QAction*> entries = entriesFor(letter);
    if (entries.isEmpty())
        return false;
    QAction* current = m_command ? m_command : activeAction();
    const qsizetype at = entries.indexOf(current);
    QAction* next = entries.at(at < 0 ? 0 : (at + 1) % entries.size());
    if (next->menu()) {
        m_command = nullptr;
        setActiveAction(next);
        if (QMenu* menu = next->menu(); menu->isVisible() && !menu->actions().isEmpty())
            menu->setActiveAction(menu->actions().first());
    } else {
        highlightCommand(next);
    }
    return true;
}

void MenuBar::highlightCommand(QAction* command)
{
    // Close an open menu first; the command stays highlighted and the bar takes the keys.
    if (QAction* open = activeAction(); open && open->menu())
        open->menu()->hide();
    if (!m_command && QApplication::focusWidget() != this)
        m_returnFocus = QApplication::focusWidget();
    m_command = command;
    setActiveAction(command);
    setFocus(Qt::MenuBarFocusReason);
}

void MenuBar::dropCommand()
{
    m_command = nullptr;
    setActiveAction(nullptr);
    if (m_returnFocus)
        m_returnFocus->setFocus(Qt::MenuBarFocusReason);
    else
        clearFocus();
    m_returnFocus = nullptr;
}

void MenuBar::focusOutEvent(QFocusEvent* event)
{
    if (m_command) {
        m_command = nullptr;
        setActiveAction(nullptr);
        m_returnFocus = nullptr;
    }
    QMenuBar::focusOutEvent(event);
}

bool MenuBar::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        // An Alt+letter mnemonic: Qt would cycle among the entries sharing it across presses and
        // run a command at once; we go to the first entry, or the next while one is open.
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        const QKeyCombination key = shortcut->key()[0];
        if (key.keyboardModifiers() == Qt::AltModifier) {
            QKeyEvent press(QEvent::KeyPress, key.key(), Qt::AltModifier);
            const QChar letter = letterOf(&press);
            if (!entriesFor(letter).isEmpty()) {
                // From a closed menu the first entry; a highlight left by the mouse does not count.
                if (!m_command && !menuOpen())
                    setActiveAction(nullptr);
                goToNext(letter);
                return true;
            }
        }
    }
    return QMenuBar::event(event);
}

void MenuBar::actionEvent(QActionEvent* event)
{
    if (event->type() == QEvent::ActionAdded && event->action()->menu())
        event->action()->menu()->installEventFilter(this);
    QMenuBar::actionEvent(event);
}

bool MenuBar::eventFilter(QObject* watched, QEvent* event)
{
    // Alt going down in an open menu would close it at once, so the Alt+letter that follows could
    // never move on to the next entry with that letter: the menu stays open, and closes when Alt
    // is let go without another key.
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool alt = key->key() == Qt::Key_Alt;
            if (alt && !key->isAutoRepeat())
                m_altAlone = true;
            else if (!alt)
                m_altAlone = false;
            if (alt)
                return true;
        } else if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) {
            if (m_altAlone) {
                m_altAlone = false;
                menu->hide();
            }
            return true;
        }
    }
    // Alt and a letter of the bar pressed in an open menu would be taken as the bar's shortcut
    // after the menu closed; as an ordinary key, the menu passes it on to the bar instead.
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QMenu*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier && !entriesFor(letterOf(key)).isEmpty()) {
            event->accept();
            return true;
        }
    }
    return QMenuBar::eventFilter(watched, event);
}

void MenuBar::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((menuOpen() || m_command) && (mods == Qt::NoModifier || mods == Qt::AltModifier)) {
        if (goToNext(letterOf(event))) {
            event->accept();
            return;
        }
    }
    if (m_command) {
        QAction* command = m_command;
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            dropCommand();
            command->trigger();
            event->accept();
            return;
        case Qt::Key_Escape:
            dropCommand();
            event->accept();
            return;
        default:
            break;
        }
    }
    QMenuBar::keyPressEvent(event);
}

} // namespace orvida
