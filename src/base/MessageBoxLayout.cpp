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

int maxLabelWidth(int availableWidth, int style)
{
    const bool iconShown = (style & IconMask) != 0;
    const int around = iconShown ? 3 * Margin + IconSize : 2 * Margin;
    return std::max(availableWidth - around, ButtonWidth);
}

namespace {

// Breaks one line that is too wide: as many whole words as fit on each line, a word wider than
// the line on its own cut between characters.
void wrapLine(const QString& line, int maxWidth, const std::function<int(const QString&)>& width, QStringList& out)
{
    QString current;
    qsizetype at = 0;
    while (at < line.size()) {
        // The next word with the spaces before it.
        qsizetype end = at;
        while (end < line.size() && line.at(end) == QLatin1Char(' '))
            ++end;
        while (end < line.size() && line.at(end) != QLatin1Char(' '))
            ++end;
        const QString piece = line.mid(at, end - at);
        if (width(current + piece) <= maxWidth) {
            current += piece;
            at = end;
            continue;
        }
        if (!current.trimmed().isEmpty()) {
            out << current;
            current.clear();
            // The spaces where the line breaks are dropped.
            while (at < line.size() && line.at(at) == QLatin1Char(' '))
                ++at;
            continue;
        }
        // A word wider than a whole line: as many characters as fit, at least one.
        QString word = piece.trimmed();
        at = end;
        while (!word.isEmpty()) {
            qsizetype n = 1;
            while (n < word.size() && width(word.left(n + 1)) <= maxWidth)
                ++n;
            if (n == word.size()) {
                current = word;
                break;
            }
            out << word.left(n);
            word = word.mid(n);
        }
    }
    out << current;
}

} // namespace

QStringList wrapLines(const QStringList& lines, int maxWidth, const std::function<int(const QString&)>& width)
{
    QStringList out;
    for (const QString& line : lines) {
        if (width(line) <= maxWidth)
            out << line;
        else
            wrapLine(line, maxWidth, width, out);
    }
    return out;
}

} // namespace orvida::msgbox
