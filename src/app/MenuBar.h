#pragma once

#include <QMenuBar>
#include <QPointer>

namespace orvida {

// The main window's menu bar, with the mnemonics our users know from their desktops. Several
// entries share a letter ("&Date contact" and "&Declaratia 394", "&Import" and "&Info"): Alt and
// the letter, from a closed menu, go to the first entry with that letter; while a menu is open,
// the letter again (with Alt or without) goes on to the next entry with it, around to the first.
// An entry with a menu opens it; a command is only highlighted, and Enter runs it.
class MenuBar : public QMenuBar
{
    Q_OBJECT

public:
    explicit MenuBar(QWidget* parent = nullptr);

    // The entries whose mnemonic is this letter, left to right.
    QList<QAction*> entriesFor(QChar letter) const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Goes to the entry after the current one with this letter; false when no entry has it.
    bool goToNext(QChar letter);
    bool menuOpen() const;
    void highlightCommand(QAction* command);
    void dropCommand();

    QAction* m_command = nullptr; // a command highlighted by its letter, waiting for Enter
    QPointer<QWidget> m_returnFocus; // where the focus goes back once the command is run or dropped
    bool m_altAlone = false; // Alt went down in an open menu and no other key since
};

} // namespace orvida
