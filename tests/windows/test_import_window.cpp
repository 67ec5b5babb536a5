#include "support/WindowFixture.h"
#include "windows/ImportWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

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
    // The designed line, and under it the rows that went in.
    EXPECT_EQ(f.prompts.texts(), QStringList { Success + QStringLiteral("\nRanduri importate: 6.") });
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
    EXPECT_EQ(f.prompts.texts(), QStringList { Success + QStringLiteral("\nRanduri importate: 6.") });
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

// After any failure the window stays open with its path and options, so the user can correct the
// workbook and press "Ok" again; the structure message keeps its designed line and label and says
// why under it. The journal stays as it was.
TEST(ImportWindow, FailuresKeepTheWindowOpenAndSayWhy)
{
    const QString structure
        = QStringLiteral("Va rugam verificati structura fisierului! (NUME,CODFISCAL,TOTAL,BAZA,TVA) ");
    struct Case
    {
        const char* file; // in the test data, or in the program folder when it starts with "IMPORT/"
        QChar tipOp;
        bool database;
        QString text;
    };
    const Case cases[] = {
        { "IMPORT/lipsa.xls", 'C', true, structure + "140\nFisierul {path} nu exista sau nu poate fi deschis." },
        { "no-sheet1.xlsx", 'C', true,
          structure
              + "160\nRegistrul nu are foaia \"Sheet1\". Foile registrului: \"Foaie1\"; foaia cu jurnalul trebuie "
                "numita \"Sheet1\"." },
        { "header-only.xlsx", 'L', true, structure + "170\nFoaia Sheet1 nu are niciun rand de date." },
        { "empty-name.xlsx", 'C', true,
          structure
              + "220\nRandul 3: Coloana NUME este goala.\nCorectati celula in registru, salvati-l si apasati din nou "
                "Ok." },
        { "journal.xlsx", 'L', false, structure + "80\nBaza de date {database} nu exista; creati-o mai intai." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WindowFixture base(c.database);
        QPointer<ImportWindow> window(new ImportWindow(base.shell, c.tipOp));
        window->show();
        const QString file = QString::fromLatin1(c.file);
        const QString path = file.startsWith(QLatin1String("IMPORT/")) ? base.folder.file(file)
                                                                       : QStringLiteral(ORVIDA_TEST_DATA "/") + file;
        if (c.database)
            base.folder.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 5)"));
        auto* pathBox = base.child<QLineEdit>(window, "txtSourceSpec1");
        QTest::keyClicks(pathBox, path);
        click(base.child<QCheckBox>(window, "CheckTaxareInv"));
        click(base.child<QPushButton>(window, "cmdOK"));

        ASSERT_EQ(base.prompts.shown().size(), 1);
        EXPECT_EQ(base.prompts.shown()[0].box, BoxKind::Standard);
        EXPECT_EQ(base.prompts.shown()[0].title, QStringLiteral(" ImportXLS "));
        const QString expected = QString(c.text)
                                     .replace(QStringLiteral("{path}"), path)
                                     .replace(QStringLiteral("{database}"), base.folder.folder().databasePath());
        EXPECT_EQ(base.prompts.shown()[0].text.toStdString(), expected.toStdString());
        processDeferredDeletes();
        ASSERT_FALSE(window.isNull());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(pathBox->text(), path);
        EXPECT_TRUE(base.child<QCheckBox>(window, "CheckIni")->isChecked());
        EXPECT_TRUE(base.child<QCheckBox>(window, "CheckTaxareInv")->isChecked());
        if (c.database) {
            EXPECT_EQ(base.scalar(QStringLiteral("select count(*) from zet_jct_UE")), QStringLiteral("1"));
        }
        delete window.data();
    }
}

// "..." starts in IMPORT/ (created when missing), then where the last workbook of the same journal
// was chosen; a workbook dropped onto the window fills the path.
TEST(ImportWindow, FileDialogFolderAndDrop)
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName())
        .remove(QStringLiteral("Import"));
    ImportFixture purchases;
    const QString import = purchases.folder.file(QStringLiteral("IMPORT"));
    ASSERT_FALSE(QFileInfo::exists(import));
    purchases.press("cmdGetSourceSpec1"); // cancelled
    EXPECT_TRUE(QFileInfo(import).isDir());
    purchases.prompts.setNextFileName(Journal);
    purchases.press("cmdGetSourceSpec1");
    purchases.press("cmdGetSourceSpec1");
    EXPECT_EQ(purchases.prompts.fileDialogFolders(), QStringList({ import, import, QStringLiteral(ORVIDA_TEST_DATA) }));

    ImportFixture sales { QLatin1Char('L') };
    sales.press("cmdGetSourceSpec1");
    EXPECT_EQ(sales.prompts.fileDialogFolders(), QStringList { sales.folder.file(QStringLiteral("IMPORT")) });
    QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName())
        .remove(QStringLiteral("Import"));

    auto* mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(Journal) });
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(sales.window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(sales.window, &drop);
    EXPECT_EQ(sales.path()->text(), Journal);
    delete mime;
}

// The file dialog follows the workbook in use: it opens where the workbook in the box is, and a
// workbook imported from a typed path is remembered for the journal as one chosen with "...".
// After a choice the focus is on "Ok", so Enter imports instead of opening the dialog again.
TEST(ImportWindow, FileDialogFollowsTheWorkbookInUse)
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName())
        .remove(QStringLiteral("Import"));
    const QString data = QStringLiteral(ORVIDA_TEST_DATA);
    {
        ImportFixture typed { QLatin1Char('L') };
        QTest::keyClicks(typed.path(), Journal);
        typed.press("cmdGetSourceSpec1"); // cancelled
        typed.press("cmdOK");
        EXPECT_EQ(typed.prompts.fileDialogFolders(), QStringList { data });
        EXPECT_TRUE(typed.closed());
    }
    {
        ImportFixture next { QLatin1Char('L') };
        next.press("cmdGetSourceSpec1");
        ImportFixture purchases { QLatin1Char('C') }; // the other journal keeps its own
        purchases.press("cmdGetSourceSpec1");
        EXPECT_EQ(next.prompts.fileDialogFolders(), QStringList { data });
        EXPECT_EQ(purchases.prompts.fileDialogFolders(),
                  QStringList { purchases.folder.file(QStringLiteral("IMPORT")) });
    }
    {
        ImportFixture chosen;
        chosen.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(chosen.window));
        auto* browse = chosen.child<QPushButton>(chosen.window, "cmdGetSourceSpec1");
        browse->setFocus();
        chosen.prompts.setNextFileName(Journal);
        QTest::keyClick(browse, Qt::Key_Space);
        EXPECT_EQ(chosen.path()->text(), Journal);
        EXPECT_EQ(QApplication::focusWidget(), chosen.child<QPushButton>(chosen.window, "cmdOK"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(chosen.prompts.fileDialogFolders().size(), 1);
        EXPECT_EQ(chosen.prompts.texts(), QStringList { Success + QStringLiteral("\nRanduri importate: 6.") });
        EXPECT_TRUE(chosen.closed());
    }
    QSettings(QCoreApplication::applicationName(), QCoreApplication::applicationName())
        .remove(QStringLiteral("Import"));
}
