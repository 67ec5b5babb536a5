#pragma once

#include "base/MessageBoxLayout.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace orvida {

class Pictures;

// The program's own message box. It lays itself out with msgbox::layout at 15 twips per pixel,
// never wider than its screen's available width: lines beyond it wrap.
// A button stores its result and closes the box; the help button asks for help with the box's
// help context (as F1 does), or runs the request's own help action, and leaves it open. The text
// can be selected with the mouse, so that a path it names can be copied. Esc and the close box press the cancel button
// when there is one and are refused otherwise, so an OK-only box closes only through OK. Shown
// centred on its parent, or on the screen when it has none.
class MessageBoxExtDialog : public QDialog
{
    Q_OBJECT

public:
    MessageBoxExtDialog(const msgbox::Request& request, const Pictures& pictures, QWidget* parent = nullptr);
    ~MessageBoxExtDialog() override;

    // The result of the button pressed, 0 while none was.
    int BtnPressed() const { return m_pressed; }
    int helpContext() const { return m_helpContext; }
    const msgbox::Layout& boxLayout() const { return m_layout; }
    const QList<QPushButton*>& buttons() const { return m_buttons; }
    QLabel* label() const { return m_label; }
    QLabel* iconLabel() const { return m_icon; }

public slots:
    void reject() override;

signals:
    void helpRequested(int helpContext);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press(int result);

    msgbox::Layout m_layout;
    QLabel* m_icon = nullptr;
    QLabel* m_label = nullptr;
    QList<QPushButton*> m_buttons;
    int m_helpContext = 0;
    std::function<void()> m_onHelp;
    int m_pressed = 0;
};

// Shows the box modally and returns the result of the button pressed.
int MessageBoxExt(QWidget* parent, const Pictures& pictures, const msgbox::Request& request);

} // namespace orvida
