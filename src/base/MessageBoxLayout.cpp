#include "base/MessageBoxLayout.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace orvida::msgbox {

int pixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}

QRect pixels(const QRect& twips)
{
    const int left = pixels(twips.x());
    const int top = pixels(twips.y());
    return QRect(left, top, pixels(twips.x() + twips.width()) - left, pixels(twips.y() + twips.height()) - top);
}

QSize pixels(const QSize& twips)
{
    return QSize(pixels(twips.width()), pixels(twips.height()));
}

QString productName()
{
    return QStringLiteral("Orvida");
}

QString titleOf(const Request& request)
{
    return request.title.isEmpty() ? productName() : request.title;
}

QString defaultCaption(int result)
{
    switch (result) {
    case Ok:
        return QStringLiteral("OK");
    case Cancel:
        return QStringLiteral("Anulare");
    case Abort:
        return QStringLiteral("Abandon");
    case Retry:
        return QStringLiteral("Reincearca");
    case Ignore:
        return QStringLiteral("Ignora");
    case Yes:
        return QStringLiteral("Da");
    case No:
        return QStringLiteral("Nu");
    case Help:
        return QStringLiteral("Ajutor");
    default:
        return {};
    }
}

int TextSize::width() const
{
    return lineWidths.isEmpty() ? 0 : *std::max_element(lineWidths.begin(), lineWidths.end());
}

QStringList promptLines(const QString& prompt)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return prompt.split(lineBreak);
}

namespace {

// The button set, tested in this order so that every combination of the low three bits has one.
QList<int> buttonSet(int style)
{
    if ((style & 3) == 3)
        return { Yes, No, Cancel };
    if (style & 2)
        return { Abort, Retry, Ignore };
    if ((style & 5) == 0)
        return { Ok };
    if ((style & 5) == 5)
        return { Retry, Cancel };
    if (style & 4)
        return { Yes, No };
    return { Ok, Cancel };
}

IconKind iconOf(int style)
{
    if ((style & ExclamationIcon) == ExclamationIcon)
        return IconKind::Exclamation;
    if (style & CriticalIcon)
        return IconKind::Stop;
    if (style & InformationIcon)
        return IconKind::Information;
    if (style & QuestionIcon)
        return IconKind::Question;
    return IconKind::None;
}

Picture pictureOf(int result)
{
    switch (result) {
    case Ok:
    case Retry:
    case Yes:
        return Picture::OkBmp;
    case Cancel:
    case Abort:
    case No:
        return Picture::IesireBmp;
    default:
        return Picture::None;
    }
}

// Half of an integer, a half going to the even neighbour.
int halfToEven(int twice)
{
    const int floor = twice >= 0 ? twice / 2 : -((-twice + 1) / 2);
    if (twice % 2 == 0)
        return floor;
    return floor % 2 == 0 ? floor : floor + 1;
}

} // namespace

Layout layout(const Input& input)
{
    const int style = input.style;
    const bool iconShown = (style & IconMask) != 0;
    const int labelWidth = input.text.width();
    const int labelHeight = input.text.height();
    const int iconWidth = iconShown ? IconSize : 0;

    QList<int> results = buttonSet(style);
    if (style & HelpButton)
        results.append(Help);
    const int n = static_cast<int>(results.size());

    QList<Button> buttons;
    for (int i = 0; i < n; ++i) {
        Button b;
        b.result = results[i];
        const QString override = input.captions.value(i);
        b.caption = override.isEmpty() ? defaultCaption(b.result) : override;
        b.picture = pictureOf(b.result);
        buttons.append(b);
    }

    // Every button takes one common width: the default, or the widest caption plus the margin.
    // (The box grows the width one caption at a time and lays itself out again; the outcome is
    // this maximum.)
    int w = ButtonWidth;
    if (input.captionWidth) {
        for (const Button& b : buttons)
            w = std::max(w, input.captionWidth(b.caption, b.picture) + Margin);
    }

    Layout out;
    const int contentHeight = std::max(labelHeight, iconShown ? IconSize : 0);
    const int clientHeight = 3 * Margin + ButtonHeight + contentHeight;
    const int textPart = iconShown ? 3 * Margin + iconWidth + labelWidth : 2 * Margin + labelWidth;
    const int buttonRow = n * w + (n - 1) * Gap + 2 * Margin;
    const int clientWidth = std::max(textPart, buttonRow);
    out.client = QSize(clientWidth, clientHeight);

    out.icon = iconOf(style);
    if (iconShown)
        out.iconRect = QRect(Margin, Margin, IconSize, IconSize);
    out.labelRect = QRect(iconShown ? iconWidth + 2 * Margin : Margin, Margin, labelWidth, labelHeight);

    const int buttonTop = clientHeight - Margin - ButtonHeight;
    const int x0 = halfToEven(clientWidth - n * w - (n - 1) * Gap);
    for (int i = 0; i < n; ++i) {
        buttons[i].rect = QRect(x0 + i * (w + Gap), buttonTop, w, ButtonHeight);
        if (buttons[i].result == Cancel)
            out.cancelIndex = i;
    }
    out.buttons = buttons;

    // The default-button bits name the button that takes the initial focus; the tab order starts
    // there and wraps around. A default beyond the last button leaves the order as created.
    const int d = (style >> 8) & 3;
    const int start = d < n ? d : 0;
    for (int i = 0; i < n; ++i)
        out.focusOrder.append((start + i) % n);
    return out;
}

} // namespace orvida::msgbox
