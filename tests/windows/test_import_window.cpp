#include "support/WindowFixture.h"
#include "windows/ImportWindow.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using namespace orvida;
using namespace orvida::test;
using import::ImportWindow;

namespace {

const QString Success = QStringLiteral("Importul s-a realizat cu succes");
const QString Journal = QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx");

struct ImportFixture : WindowFixture
{
    QPointer<ImportWindow> window;

    explicit ImportFixture(QChar tipOp = QLatin1Char('C'))
        : window(new ImportWindow(shell, tipOp))
    {
        window->show();
    }
    ~ImportFixture() { delete window.data(); }

    QLineEdit* path() const { return child<QLineEdit>(window, "txtSourceSpec1"); }
    void press(const char* name) const { click(child<QPushButton>(window, name)); }
    bool closed() const
    {
        processDeferredDeletes();
        return window.isNull();
    }
    int rows(const char* table) const
    {
        return scalar(QStringLiteral("select count(*) from %1").arg(QLatin1String(table))).toInt();
    }
};

} // namespace

TEST(ImportWindow, CaptionAndDefaultsPerJournal)
{
    for (const auto& [tipOp, caption] : { std::pair { 'C', "Import achizitii din fisierul EXCEL" },
                                          std::pair { 'L', "Import livrari din fisierul EXCEL" } }) {
        ImportFixture f { QLatin1Char(tipOp) };
        EXPECT_EQ(f.window->windowTitle(), QString::fromLatin1(caption));
        EXPECT_EQ(f.child<QCheckBox>(f.window, "CheckIni")->text(), QStringLiteral(" Initializare baza de date"));
        EXPECT_TRUE(f.child<QCheckBox>(f.window, "CheckIni")->isChecked());
        EXPECT_EQ(f.child<QCheckBox>(f.window, "CheckTaxareInv")->text(), QStringLiteral(" Cu Taxare Inversa"));
        EXPECT_FALSE(f.child<QCheckBox>(f.window, "CheckTaxareInv")->isChecked());
        EXPECT_EQ(f.path()->toolTip(),
                  QStringLiteral("Selectati fisierul EXCEL de importat cu structura: NUME,CODFISCAL,TOTAL,BAZA,TVA"));
        EXPECT_TRUE(f.path()->text().isEmpty());
    }
}

TEST(ImportWindow, ImportsTheChosenWorkbookAndCloses)
{
    ImportFixture f;
    f.folder.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 5)"));
    f.prompts.setNextFileName(Journal);
    f.press("cmdGetSourceSpec1");
    EXPECT_EQ(f.prompts.fileDialogs(), QStringList { QString() }); // the dialog's own title
    EXPECT_EQ(f.path()->text(), Journal);

    f.press("cmdOK");
    EXPECT_EQ(f.prompts.texts(), QStringList { Success });
    EXPECT_EQ(f.rows("zet_jct_UE"), 6); // emptied first, then the sheet's six rows
    EXPECT_EQ(f.rows("zet_jvt_UE"), 0);
    EXPECT_TRUE(f.closed());
}

TEST(ImportWindow, ImportsATypedPathWithTheChosenOptions)
{
    ImportFixture f { QLatin1Char('L') };
    f.folder.exec(QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 5)"));
    // A cancelled dialog leaves the box as it was.
    f.press("cmdGetSourceSpec1");
    EXPECT_TRUE(f.path()->text().isEmpty());

    QTest::keyClicks(f.path(), Journal);
    click(f.child<QCheckBox>(f.window, "CheckIni"));
    click(f.child<QCheckBox>(f.window, "CheckTaxareInv"));
    f.press("cmdOK");
    EXPECT_EQ(f.prompts.texts(), QStringList { Success });
    EXPECT_EQ(f.rows("zet_jvt_UE"), 7); // appended to the row already there
    EXPECT_EQ(f.scalar(QStringLiteral("select sum(COL10) from zet_jvt_UE")).toInt(),
              1000 + 1234 - 2 + 5264 + 1000 - 50);
    EXPECT_TRUE(f.closed());
}

TEST(ImportWindow, EmptyBoxAsksForAFileAndStaysOpen)
{
    ImportFixture f;
    f.press("cmdOK");
    ASSERT_EQ(f.prompts.shown().size(), 1);
    EXPECT_EQ(f.prompts.shown()[0].text, QStringLiteral("Va rugam selectati fisierul de importat."));
    EXPECT_EQ(f.prompts.shown()[0].box, BoxKind::Own);
    EXPECT_FALSE(f.closed());
}

// A workbook that cannot be opened leaves the window open so the user can correct the path; a
// failure inside the sheet closes it after the structure message. The journal stays as it was.
TEST(ImportWindow, WhichFailuresCloseTheWindow)
{
    const QString structure
        = QStringLiteral("Va rugam verificati structura fisierului! (NUME,CODFISCAL,TOTAL,BAZA,TVA) ");
    {
        ImportFixture f;
        f.folder.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 5)"));
        QTest::keyClicks(f.path(), f.folder.file(QStringLiteral("IMPORT/lipsa.xls")));
        f.press("cmdOK");
        EXPECT_EQ(f.prompts.texts(), QStringList { structure + QStringLiteral("140") });
        EXPECT_EQ(f.rows("zet_jct_UE"), 1);
        EXPECT_FALSE(f.closed());
    }
    {
        ImportFixture f;
        const QString headerOnly = f.folder.file(QStringLiteral("antet.xlsx"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVIDA_TEST_DATA "/header-only.xlsx"), headerOnly));
        QTest::keyClicks(f.path(), headerOnly);
        f.press("cmdOK");
        EXPECT_EQ(f.prompts.texts(), QStringList { structure + QStringLiteral("170") });
        EXPECT_TRUE(f.closed());
    }
}
