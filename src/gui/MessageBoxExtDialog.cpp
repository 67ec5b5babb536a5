#include "gui/MessageBoxExtDialog.h"

#include "gui/Pictures.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <limits>

namespace orvida {

namespace {

constexpr int PicturePixels = 16;
constexpr int PictureSpacing = 4;
// What the window's frame takes beside the client area, on each side.
constexpr int FramePixels = 8;

int twips(int pixels)
{
    return pixels * msgbox::TwipsPerPixel;
}

msgbox::TextSize measure(const QStringList& lines, const QFontMetrics& fm)
{
    msgbox::TextSize size;
    for (const QString& line : lines)
        size.lineWidths.append(twips(fm.horizontalAdvance(line)));
    size.lineHeight = twips(fm.lineSpacing());
    return size;
}

// The width the box may take: the available width of its parent's screen, or of the primary one.
int availableWidth(const QWidget* parent)
{
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::numeric_limits<int>::max() / msgbox::TwipsPerPixel;
    return screen->availableGeometry().width() - 2 * FramePixels;
}

} // namespace

MessageBoxExtDialog::MessageBoxExtDialog(const msgbox::Request& request, const Pictures& pictures, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_helpContext(request.helpContext)
    , m_onHelp(request.onHelp)
{
    setWindowTitle(msgbox::titleOf(request));

    const QFontMetrics fm(font());
    // The designed layout, except that the box never grows wider than the screen: lines beyond
    // that wrap.
    const QStringList lines = msgbox::wrapLines(
        msgbox::promptLines(request.prompt), msgbox::maxLabelWidth(twips(availableWidth(parent)), request.style),
        [&fm](const QString& line) { return twips(fm.horizontalAdvance(line)); });
    msgbox::Input input;
    input.text = measure(lines, fm);
    input.style = request.style;
    input.captions = request.captions;
    // A caption needs its text and, beside it, its picture.
    input.captionWidth = [&fm](const QString& caption, msgbox::Picture picture) {
        const int picturePart = picture == msgbox::Picture::None ? 0 : PicturePixels + PictureSpacing;
        return twips(fm.horizontalAdvance(QString(caption).remove(QLatin1Char('&'))) + picturePart);
    };
    m_layout = msgbox::layout(input);

    setFixedSize(msgbox::pixels(m_layout.client));

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("imgMsg"));
    if (m_layout.icon != msgbox::IconKind::None) {
        m_icon->setGeometry(msgbox::pixels(m_layout.iconRect));
        m_icon->setPixmap(pictures.icon(m_layout.icon));
        m_icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    } else {
        m_icon->hide();
    }

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblMsg"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(false);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setText(lines.join(QLatin1Char('\n')));
    // One pixel of slack on the right keeps the last glyph of the longest line from being cut.
    m_label->setGeometry(msgbox::pixels(m_layout.labelRect).adjusted(0, 0, 1, 0));

    for (int i = 0; i < m_layout.buttons.size(); ++i) {
        const msgbox::Button& b = m_layout.buttons[i];
        auto* button = new QPushButton(b.caption, this);
        button->setObjectName(QStringLiteral("cmdBtn%1").arg(i));
        button->setProperty("result", b.result);
        button->setAutoDefault(true);
        button->setGeometry(msgbox::pixels(b.rect));
        if (b.picture != msgbox::Picture::None) {
            button->setIcon(pictures.button(b.picture));
            button->setIconSize(QSize(PicturePixels, PicturePixels));
        }
        const int result = b.result;
        connect(button, &QPushButton::clicked, this, [this, result] { press(result); });
        m_buttons.append(button);
    }

    QWidget* previous = nullptr;
    for (int index : m_layout.focusOrder) {
        if (previous)
            setTabOrder(previous, m_buttons[index]);
        previous = m_buttons[index];
    }
    if (!m_layout.focusOrder.isEmpty())
        m_buttons[m_layout.focusOrder.first()]->setFocus(Qt::OtherFocusReason);
}

MessageBoxExtDialog::~MessageBoxExtDialog() = default;

void MessageBoxExtDialog::press(int result)
{
    if (result == msgbox::Help) {
        if (m_onHelp)
            m_onHelp();
        else
            emit helpRequested(m_helpContext);
        return;
    }
    m_pressed = result;
    done(result);
}

void MessageBoxExtDialog::reject()
{
    // Esc, the close box and Alt+F4 all land here.
    if (m_layout.cancelIndex >= 0)
        press(msgbox::Cancel);
}

void MessageBoxExtDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        emit helpRequested(m_helpContext);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

int MessageBoxExt(QWidget* parent, const Pictures& pictures, const msgbox::Request& request)
{
    MessageBoxExtDialog dialog(request, pictures, parent);
    dialog.exec();
    return dialog.BtnPressed();
}

} // namespace orvida
