#include "declaration/Review.h"
#include "support/QtPrint.h"
#include "support/WindowFixture.h"
#include "windows/DeclarationWindow.h"
#include "windows/ReviewWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

using namespace orvida;
using namespace orvida::test;
using declaration::DeclarationWindow;
using declaration::ReviewWindow;

namespace {

// The declaration window on the fixture journals, its "Verificare" pressed.
struct ReviewFixture : WindowFixture
{
    DeclarationWindow* declarationWindow = nullptr;

    ReviewFixture()
    {
        folder.load(QStringLiteral(ORVIDA_TEST_DATA "/declaration_fixture.sql"));
        declarationWindow = new DeclarationWindow(shell);
        declarationWindow->show();
    }
    ~ReviewFixture() { delete declarationWindow; }

    ReviewWindow* openReview()
    {
        click(child<QPushButton>(declarationWindow, "cmdVerificare"));
        return declarationWindow->findChild<ReviewWindow*>();
    }

    // A column of a table as shown, top to bottom.
    static QStringList column(QTableView* view, int c)
    {
        QStringList out;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out << view->model()->index(r, c).data().toString();
        return out;
    }
};

} // namespace

// The window shows the same lines and findings as the review, in the declaration's order.
TEST(ReviewWindow, ShowsTheLinesAndFindingsOfThePeriod)
{
    ReviewFixture f;
    ReviewWindow* window = f.openReview();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(f.prompts.shown().isEmpty()) << f.prompts.texts().join(QLatin1Char('\n')).toStdString();

    MessageList messages;
    const auto review
        = declaration::reviewDeclaration(f.folder.folder(), QDate(2024, 1, 1), QDate(2024, 12, 31), messages);
    ASSERT_TRUE(review);
    QStringList names, bases;
    for (const auto* rows : { &review->purchases, &review->sales })
        for (const auto& r : *rows) {
            names << r.denP;
            bases << declaration::reviewAmount(r.baza);
        }
    auto* lines = f.child<QTableView>(window, "tblLinii");
    EXPECT_EQ(ReviewFixture::column(lines, 3), names);
    EXPECT_EQ(ReviewFixture::column(lines, 5), bases);

    auto* findings = f.child<QTableView>(window, "tblConstatari");
    ASSERT_EQ(findings->model()->rowCount(), review->findings.size());
    for (int i = 0; i < review->findings.size(); ++i)
        EXPECT_EQ(findings->model()->index(i, 6).data().toString(), review->findings[i].text) << i;
    EXPECT_EQ(f.child<QLabel>(window, "lblConstatari")->text(),
              QStringLiteral("Constatari: %1").arg(review->findings.size()));
}

// A click on the "Baza" header sorts the lines by amount as numbers, not as text.
TEST(ReviewWindow, SortsTheLinesByAmount)
{
    ReviewFixture f;
    ReviewWindow* window = f.openReview();
    ASSERT_NE(window, nullptr);
    auto* lines = f.child<QTableView>(window, "tblLinii");
    QHeaderView* header = lines->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + header->sectionSize(5) / 2, header->height() / 2));
    EXPECT_EQ(header->sortIndicatorSection(), 5);
    QList<double> amounts;
    for (const QString& s : ReviewFixture::column(lines, 5))
        amounts << s.toDouble();
    QList<double> sorted = amounts;
    std::sort(sorted.begin(), sorted.end());
    if (header->sortIndicatorOrder() == Qt::DescendingOrder)
        std::reverse(sorted.begin(), sorted.end());
    EXPECT_EQ(amounts, sorted);
    EXPECT_TRUE(amounts.contains(2000.0) && amounts.contains(-12.5));
}

// "Salvare..." writes a workbook or a CSV file by the chosen name, and says when it cannot.
TEST(ReviewWindow, SavesAsCsvOrWorkbook)
{
    ReviewFixture f;
    ReviewWindow* window = f.openReview();
    ASSERT_NE(window, nullptr);
    auto* save = f.child<QPushButton>(window, "cmdSalvare");

    const QString xlsx = f.folder.file(QStringLiteral("verificare.xlsx"));
    f.prompts.setNextFileName(xlsx);
    click(save);
    EXPECT_TRUE(readFile(xlsx).startsWith("PK"));

    f.prompts.setNextFileName(f.folder.file(QStringLiteral("verificare")));
    click(save);
    const QString csv = f.folder.file(QStringLiteral("verificare.csv"));
    EXPECT_TRUE(readFile(csv).startsWith("\xEF\xBB\xBFSectiune;"));

    click(save); // cancelled: nothing shown, nothing written
    const QString unwritable = f.folder.file(QStringLiteral("nu-exista/verificare.csv"));
    f.prompts.setNextFileName(unwritable);
    click(save);

    ASSERT_EQ(f.prompts.shown().size(), 3) << f.prompts.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.prompts.shown()[0].text,
              QStringLiteral("Verificarea a fost salvata in %1.").arg(QDir::toNativeSeparators(xlsx)));
    EXPECT_EQ(f.prompts.shown()[1].text,
              QStringLiteral("Verificarea a fost salvata in %1.").arg(QDir::toNativeSeparators(csv)));
    EXPECT_EQ(f.prompts.shown()[2].icon, Icon::Stop);
    EXPECT_TRUE(f.prompts.shown()[2].text.contains(QDir::toNativeSeparators(unwritable)))
        << f.prompts.shown()[2].text.toStdString();
    EXPECT_EQ(f.prompts.fileDialogs().size(), 4);
}

// A period whose start is after its end gets the declaration's message, and no review opens.
TEST(ReviewWindow, BadPeriodShowsTheDeclarationsMessage)
{
    ReviewFixture f;
    f.child<QDateEdit>(f.declarationWindow, "DTPdela")->setDate(QDate(2025, 1, 1));
    EXPECT_EQ(f.openReview(), nullptr);
    EXPECT_EQ(f.prompts.texts(),
              QStringList { QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de "
                                           "sfarsit") });
}
