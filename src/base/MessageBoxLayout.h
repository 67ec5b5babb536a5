#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

namespace orvida {

// The program's own message box, laid out in twips (1/1440 inch) without a display: the dialog
// only converts the result to pixels. The style bits and result codes are the standard ones of a
// message box.
namespace msgbox {

// Result codes; the help button carries -1 and never closes the box.
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
constexpr int Help = -1;

// Style bits.
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int CriticalIcon = 0x10;
constexpr int QuestionIcon = 0x20;
constexpr int ExclamationIcon = 0x30;
constexpr int InformationIcon = 0x40;
constexpr int IconMask = 0x70;
constexpr int DefaultButton2 = 0x100;
constexpr int DefaultButton3 = 0x200;
constexpr int DefaultButton4 = 0x300;
constexpr int HelpButton = 0x4000;

// Lengths in twips.
constexpr int Margin = 200;
constexpr int Gap = 100;
constexpr int ButtonWidth = 1095;
constexpr int ButtonHeight = 375;
constexpr int IconSize = 480;
constexpr int TwipsPerPixel = 15;

// Twips to pixels at 15 twips per pixel, to the nearest pixel. A rectangle's edges are rounded,
// so rectangles that do not overlap in twips do not overlap in pixels.
int pixels(int twips);
QRect pixels(const QRect& twips);
QSize pixels(const QSize& twips);

// The product name, shown when the title is empty.
QString productName();

enum class Picture { None, OkBmp, IesireBmp }; // BMP/OK.bmp, BMP/Iesire.bmp
enum class IconKind { None, Stop, Question, Exclamation, Information }; // BMP/W95MBX01.ico .. 04

// The default caption of a result code ("OK", "Anulare", ... ; "Ajutor" for the help button).
QString defaultCaption(int result);

// The prompt as the label shows it: one entry per line (the label does not wrap), each line's
// width, and the height of one line, all in twips.
struct TextSize
{
    QList<int> lineWidths;
    int lineHeight = 0;

    int width() const;
    int height() const { return static_cast<int>(lineWidths.size()) * lineHeight; }
};

// Splits a prompt into the lines the label shows (CR LF, CR or LF each end a line).
QStringList promptLines(const QString& prompt);

struct Input
{
    TextSize text;
    int style = 0;
    QStringList captions; // overrides for the first to the fourth button; empty keeps the default
    // Width in twips that a button needs for its caption and picture in the dialog's font,
    // not counting the margin the layout adds.
    std::function<int(const QString& caption, Picture picture)> captionWidth;
};

struct Button
{
    int result = Ok;
    QString caption;
    Picture picture = Picture::None;
    QRect rect; // twips, in the client area
};

struct Layout
{
    QSize client; // twips
    IconKind icon = IconKind::None;
    QRect iconRect; // empty when no icon is shown
    QRect labelRect;
    QList<Button> buttons; // left to right; the help button, when asked for, is last
    QList<int> focusOrder; // button indexes in tab order; the first one takes the initial focus
    int cancelIndex = -1; // the button Esc and the close box press (result 2), or -1
};

Layout layout(const Input& input);

// The widest the label may be for the box's client area to fit `availableWidth` (twips), with
// the style's icon beside it. A screen too narrow for even that still leaves the label the
// width of one default button.
int maxLabelWidth(int availableWidth, int style);

// The lines with every line wider than `maxWidth` (as `width` measures it, in twips) broken at
// spaces, or inside a word wider than the whole line, so that none is wider. The spaces where a
// line breaks are dropped; narrower lines are kept as they are.
QStringList wrapLines(const QStringList& lines, int maxWidth, const std::function<int(const QString&)>& width);

// One call of the box: prompt, style bits, title (empty: the product name), help context and the
// caption overrides of the first to the fourth button.
struct Request
{
    QString prompt;
    int style = OkOnly;
    QString title;
    int helpContext = 0;
    QStringList captions;
    // What the help button does instead of asking for help, leaving the box open (a button that
    // opens the folder a message names).
    std::function<void()> onHelp = {};
};

// The title the box shows.
QString titleOf(const Request& request);

} // namespace msgbox
} // namespace orvida
