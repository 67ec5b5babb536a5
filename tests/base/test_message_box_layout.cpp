#include "base/MessageBoxLayout.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::msgbox;

namespace {

// A caption needs 50 twips a character and 300 more for a picture beside it, so the default
// captions all fit the default width (the widest, "Reincearca" with its picture, needs 800 + 200).
int fakeCaptionWidth(const QString& caption, Picture picture)
{
    return 50 * static_cast<int>(caption.size()) + (picture == Picture::None ? 0 : 300);
}

constexpr int LineHeight = 195;

struct Case
{
    const char* name;
    int style;
    QStringList captions;
    QList<int> lines;
    QString title;

    QSize client;
    QRect label;
    IconKind icon;
    QList<int> results;
    QStringList buttonCaptions;
    QList<Picture> pictures;
    int buttonWidth;
    int firstLeft;
    QList<int> focus;
    int cancel;
    QString shownTitle;
};

const Picture Ok_ = Picture::OkBmp;
const Picture Ex_ = Picture::IesireBmp;
const Picture No_ = Picture::None;

} // namespace

TEST(MessageBoxLayout, EveryRectangleInTwips)
{
    // clang-format off
    const Case cases[] = {
        { "two lines of different lengths: the label is as wide as the longer one",
          0, {}, { 3000, 4500 }, QString(),
          { 4900, 1365 }, { 200, 200, 4500, 390 }, IconKind::None, { 1 }, { "OK" }, { Ok_ }, 1095, 1902, { 0 }, -1,
          "Orvida" },
        { "a very long line gives a very wide box",
          0, {}, { 60000 }, " ImportXLS ",
          { 60400, 1170 }, { 200, 200, 60000, 195 }, IconKind::None, { 1 }, { "OK" }, { Ok_ }, 1095, 29652, { 0 }, -1,
          " ImportXLS " },
        { "a half twip of leftover goes to the even side",
          0, {}, { 4502 }, "Orvida",
          { 4902, 1170 }, { 200, 200, 4502, 195 }, IconKind::None, { 1 }, { "OK" }, { Ok_ }, 1095, 1904, { 0 }, -1,
          "Orvida" },
        { "an empty prompt and an empty title",
          0, {}, { 0 }, "",
          { 1495, 1170 }, { 200, 200, 0, 195 }, IconKind::None, { 1 }, { "OK" }, { Ok_ }, 1095, 200, { 0 }, -1,
          "Orvida" },
        { "a long override on the first button widens every button: 3W + 200 + 400",
          YesNoCancel, { "Salveaza modificarile" }, { 2000 }, "",
          { 5250, 1170 }, { 200, 200, 2000, 195 }, IconKind::None, { 6, 7, 2 },
          { "Salveaza modificarile", "Nu", "Anulare" }, { Ok_, Ex_, Ex_ }, 1550, 200, { 0, 1, 2 }, 2, "Orvida" },
        { "a long override on the last button widens every button too",
          YesNoCancel, { "", "", "Renunta la toate modificarile" }, { 2000 }, "",
          { 6450, 1170 }, { 200, 200, 2000, 195 }, IconKind::None, { 6, 7, 2 },
          { "Da", "Nu", "Renunta la toate modificarile" }, { Ok_, Ex_, Ex_ }, 1950, 200, { 0, 1, 2 }, 2, "Orvida" },
        { "the icon moves the label to 880 twips",
          InformationIcon, {}, { 2000 }, "",
          { 3080, 1455 }, { 880, 200, 2000, 195 }, IconKind::Information, { 1 }, { "OK" }, { Ok_ }, 1095, 992, { 0 }, -1,
          "Orvida" },
        { "three lines are taller than the stop icon",
          CriticalIcon, {}, { 2000, 2000, 2000 }, "",
          { 3080, 1560 }, { 880, 200, 2000, 585 }, IconKind::Stop, { 1 }, { "OK" }, { Ok_ }, 1095, 992, { 0 }, -1,
          "Orvida" },
        { "all icon bits give the exclamation; OK and Cancel",
          0x70 | OkCancel, {}, { 1000 }, "",
          { 2690, 1455 }, { 880, 200, 1000, 195 }, IconKind::Exclamation, { 1, 2 }, { "OK", "Anulare" }, { Ok_, Ex_ },
          1095, 200, { 0, 1 }, 1, "Orvida" },
        { "question, yes and no: no cancel button",
          QuestionIcon | YesNo, {}, { 1000 }, "",
          { 2690, 1455 }, { 880, 200, 1000, 195 }, IconKind::Question, { 6, 7 }, { "Da", "Nu" }, { Ok_, Ex_ },
          1095, 200, { 0, 1 }, -1, "Orvida" },
        { "bits 2 and 4 give abort, retry, ignore",
          6, {}, { 1000 }, "",
          { 3885, 1170 }, { 200, 200, 1000, 195 }, IconKind::None, { 3, 4, 5 }, { "Abandon", "Reincearca", "Ignora" },
          { Ex_, Ok_, No_ }, 1095, 200, { 0, 1, 2 }, -1, "Orvida" },
        { "retry and cancel",
          RetryCancel, {}, { 1000 }, "",
          { 2690, 1170 }, { 200, 200, 1000, 195 }, IconKind::None, { 4, 2 }, { "Reincearca", "Anulare" }, { Ok_, Ex_ },
          1095, 200, { 0, 1 }, 1, "Orvida" },
        { "style &H300 with three buttons and help: help takes the focus",
          0x4303, {}, { 2000 }, "",
          { 5080, 1170 }, { 200, 200, 2000, 195 }, IconKind::None, { 6, 7, 2, -1 }, { "Da", "Nu", "Anulare", "Ajutor" },
          { Ok_, Ex_, Ex_, No_ }, 1095, 200, { 3, 0, 1, 2 }, 2, "Orvida" },
        { "style &H300 with three buttons and no help: the order stays as created",
          0x303, {}, { 2000 }, "",
          { 3885, 1170 }, { 200, 200, 2000, 195 }, IconKind::None, { 6, 7, 2 }, { "Da", "Nu", "Anulare" },
          { Ok_, Ex_, Ex_ }, 1095, 200, { 0, 1, 2 }, 2, "Orvida" },
        { "the help button takes the override of its position",
          HelpButton | DefaultButton2, { "", "Detalii" }, { 1000 }, "Import",
          { 2690, 1170 }, { 200, 200, 1000, 195 }, IconKind::None, { 1, -1 }, { "OK", "Detalii" }, { Ok_, No_ },
          1095, 200, { 1, 0 }, -1, "Import" },
    };
    // clang-format on

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Input input;
        input.text.lineWidths = c.lines;
        input.text.lineHeight = LineHeight;
        input.style = c.style;
        input.captions = c.captions;
        input.captionWidth = fakeCaptionWidth;
        const Layout l = layout(input);

        EXPECT_EQ(l.client, c.client);
        EXPECT_EQ(l.labelRect, c.label);
        EXPECT_EQ(l.icon, c.icon);
        EXPECT_EQ(l.iconRect, c.icon == IconKind::None ? QRect() : QRect(200, 200, 480, 480));
        EXPECT_EQ(l.focusOrder, c.focus);
        EXPECT_EQ(l.cancelIndex, c.cancel);

        QList<int> results;
        QStringList captions;
        QList<Picture> pictures;
        for (const Button& b : l.buttons) {
            results << b.result;
            captions << b.caption;
            pictures << b.picture;
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(captions, c.buttonCaptions);
        EXPECT_EQ(pictures, c.pictures);
        for (int i = 0; i < l.buttons.size(); ++i) {
            const QRect expected(c.firstLeft + i * (c.buttonWidth + Gap), c.client.height() - Margin - ButtonHeight,
                                 c.buttonWidth, ButtonHeight);
            EXPECT_EQ(l.buttons[i].rect, expected) << "button " << i;
        }

        Request request;
        request.title = c.title;
        EXPECT_EQ(titleOf(request), c.shownTitle);
    }
}

TEST(MessageBoxLayout, PromptLinesAndPixels)
{
    EXPECT_EQ(promptLines(QStringLiteral("a\r\nbb\rccc\nd")), QStringList({ "a", "bb", "ccc", "d" }));
    EXPECT_EQ(promptLines(QString()), QStringList({ QString() }));
    EXPECT_EQ(promptLines(QStringLiteral("a\n")), QStringList({ "a", QString() }));

    // Edges are rounded, so the 100-twip gap between two buttons stays in pixels.
    EXPECT_EQ(pixels(QRect(1902, 790, 1095, 375)), QRect(127, 53, 73, 25));
    EXPECT_EQ(pixels(QRect(200, 595, 1550, 375)), QRect(13, 40, 104, 25));
    EXPECT_EQ(pixels(QRect(1850, 595, 1550, 375)), QRect(123, 40, 104, 25));
    EXPECT_EQ(pixels(QSize(6500, 6500)), QSize(433, 433));
}

// A box is never wider than the screen: the label's width is capped to what is left of the
// screen's width beside the margins and the icon, and the lines beyond it wrap.
TEST(MessageBoxLayout, WidthCapAndWrapping)
{
    EXPECT_EQ(maxLabelWidth(19200, OkOnly), 19200 - 400);
    EXPECT_EQ(maxLabelWidth(19200, CriticalIcon), 19200 - 1080);
    EXPECT_EQ(maxLabelWidth(1000, InformationIcon), ButtonWidth); // a screen narrower than a box

    // 100 twips per character.
    const auto width = [](const QString& s) {
        return 100 * static_cast<int>(s.size());
    };
    const struct
    {
        const char* name;
        QStringList lines;
        int max;
        QStringList wrapped;
    } cases[] = {
        { "lines that fit stay as they are, spaces and all", { "ab cd ", "", "x" }, 600, { "ab cd ", "", "x" } },
        { "a line breaks at the last space that fits", { "unu doi trei patru" }, 800, { "unu doi", "trei", "patru" } },
        { "the spaces at a break are dropped", { "unu    doi" }, 500, { "unu", "doi" } },
        { "a word wider than the line is cut", { "abcdefghij kl" }, 400, { "abcd", "efgh", "ij", "kl" } },
        { "a cut word's end shares its line with what follows", { "abcdef g" }, 400, { "abcd", "ef g" } },
        { "only the wide line wraps",
          { "scurt", "un rand mult prea lung" },
          1200,
          { "scurt", "un rand mult", "prea lung" } },
        { "a path without spaces", { "Fisierul /home/u/D394/x.xml" }, 1000, { "Fisierul", "/home/u/D3", "94/x.xml" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList wrapped = wrapLines(c.lines, c.max, width);
        EXPECT_EQ(wrapped, c.wrapped);
        for (const QString& line : wrapped)
            EXPECT_LE(width(line), c.max);
    }

    // The box laid out from the wrapped lines fits the screen it was capped for.
    Input input;
    input.style = CriticalIcon;
    input.text.lineHeight = LineHeight;
    const int screen = 1280 * TwipsPerPixel;
    for (const QString& line : wrapLines({ QString(400, QLatin1Char('x')) }, maxLabelWidth(screen, input.style), width))
        input.text.lineWidths << width(line);
    EXPECT_EQ(input.text.lineWidths.size(), 3);
    EXPECT_LE(layout(input).client.width(), screen);
}
