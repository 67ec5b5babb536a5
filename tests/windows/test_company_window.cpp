#include "support/WindowFixture.h"
#include "windows/CompanyWindow.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace orvida;
using namespace orvida::test;
using company::CompanyWindow;

namespace {

struct CompanyFixture : WindowFixture
{
    CompanyFixture()
    {
        folder.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Vechi SRL', CAPSOC = '200', BANCA = 'Banca X', "
                                   "PLATITVA = 'D'"));
        folder.exec(QStringLiteral("update Zet_Par set EsteCentru = 1"));
    }

    CompanyWindow* open()
    {
        auto* w = new CompanyWindow(shell);
        m_windows.append(w);
        w->show();
        return w;
    }
    ~CompanyFixture() { qDeleteAll(m_windows); }

    void type(CompanyWindow* w, int index, const QString& text) const
    {
        QLineEdit* box = w->textBox(index);
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    void save(CompanyWindow* w) const { click(child<QPushButton>(w, "cmdSalvare")); }
    QString info(const char* column) const
    {
        return scalar(QStringLiteral("select %1 from Zet_Info").arg(QLatin1String(column)));
    }
    QString par(const char* column) const
    {
        return scalar(QStringLiteral("select %1 from Zet_Par").arg(QLatin1String(column)));
    }

private:
    QList<QPointer<CompanyWindow>> m_windows;
};

} // namespace

TEST(CompanyWindow, OpensOnTheCompanyPageWithTheStoredRows)
{
    CompanyFixture f;
    CompanyWindow* w = f.open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Date despre societate"));
    auto* tabs = f.child<QTabWidget>(w, "SSTab1");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("&Societate"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("&Exercitiu"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(w->textBox(0)->text(), QStringLiteral("Vechi SRL"));
    // Each box takes no more characters than its column holds.
    const std::pair<int, int> limits[]
        = { { 0, 35 }, { 1, 4 }, { 3, 14 }, { 9, 4 }, { 13, 2 }, { 30, 3 }, { 17, 30 }, { 22, 35 }, { 27, 30 } };
    for (auto [index, limit] : limits)
        EXPECT_EQ(w->textBox(index)->maxLength(), limit) << index;
    EXPECT_EQ(w->datePicker(0)->date(), QDate(2024, 1, 1));
    EXPECT_EQ(w->datePicker(3)->date(), QDate(2025, 12, 31));
    EXPECT_EQ(w->datePicker(5)->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    EXPECT_TRUE(f.prompts.shown().isEmpty());
}

// The identification and the dates are stored independently: an empty name keeps the old
// identification but stores valid dates; invalid dates are not stored while a valid name is.
TEST(CompanyWindow, SaveRules)
{
    CompanyFixture f;
    {
        CompanyWindow* w = f.open();
        w->textBox(0)->clear();
        f.type(w, 12, QStringLiteral("Iasi"));
        w->datePicker(5)->setDate(QDate(2024, 6, 30));
        f.save(w);
        ASSERT_EQ(f.prompts.shown().size(), 1);
        const auto& shown = f.prompts.shown()[0];
        EXPECT_EQ(shown.text,
                  QStringLiteral("Salvarea nu se poate efectua. Introduceti o denumire pentru societatea curenta !"));
        EXPECT_EQ(shown.title, QStringLiteral("Configurare societate"));
        EXPECT_EQ(shown.icon, Icon::Stop);
        EXPECT_EQ(shown.box, BoxKind::Standard);
        EXPECT_EQ(f.info("DENUMIRE"), QStringLiteral("Vechi SRL"));
        EXPECT_EQ(f.info("ORAS1"), QString());
        EXPECT_EQ(f.par("DATASC"), QStringLiteral("2024-06-30"));
        EXPECT_EQ(w->focusWidget(), w->textBox(0));
    }
    {
        CompanyWindow* w = f.open();
        f.type(w, 0, QStringLiteral("Nou SRL"));
        f.type(w, 3, QStringLiteral("RO12345678"));
        w->datePicker(2)->setDate(QDate(2025, 1, 3)); // N+1 does not start the day after N ends
        f.save(w);
        ASSERT_EQ(f.prompts.shown().size(), 2);
        const auto& shown = f.prompts.shown()[1];
        EXPECT_EQ(shown.text,
                  QStringLiteral("Data de inceput a exercitiului N+1 trebuie sa fie ziua urmatoare datei de "
                                 "sfarsit a exercitiului N ! Salvarea nu se poate efectua !"));
        EXPECT_EQ(shown.title, QStringLiteral("Validare"));
        EXPECT_EQ(shown.icon, Icon::Stop);
        EXPECT_EQ(f.info("DENUMIRE"), QStringLiteral("Nou SRL"));
        EXPECT_EQ(f.info("CODFISCAL"), QStringLiteral("RO12345678"));
        EXPECT_EQ(f.par("DATAIN1"), QStringLiteral("2025-01-01"));
    }
    // Columns the window does not show are stored back as they were.
    EXPECT_EQ(f.info("CAPSOC"), QStringLiteral("200"));
    EXPECT_EQ(f.info("BANCA"), QStringLiteral("Banca X"));
    EXPECT_EQ(f.info("PLATITVA"), QStringLiteral("D"));
    EXPECT_EQ(f.par("EsteCentru"), QStringLiteral("1"));
    // A box left as it was keeps its Null.
    EXPECT_EQ(f.scalar(QStringLiteral("select count(*) from Zet_Info where TELEFON1 is null")), QStringLiteral("1"));
}

TEST(CompanyWindow, TwoWindowsEachWithItsOwnCopy)
{
    CompanyFixture f;
    CompanyWindow* first = f.open();
    CompanyWindow* second = f.open();
    f.type(first, 0, QStringLiteral("Prima SRL"));
    EXPECT_EQ(second->textBox(0)->text(), QStringLiteral("Vechi SRL"));
    f.save(first);
    EXPECT_EQ(f.info("DENUMIRE"), QStringLiteral("Prima SRL"));
    // The second window still shows what it read; its own save stores its own copy.
    EXPECT_EQ(second->textBox(0)->text(), QStringLiteral("Vechi SRL"));
    f.type(second, 16, QStringLiteral("021-555"));
    f.save(second);
    EXPECT_EQ(f.info("FAX1"), QStringLiteral("021-555"));
    EXPECT_TRUE(f.prompts.shown().isEmpty());

    click(f.child<QPushButton>(first, "cmdCancel"));
    processDeferredDeletes();
    EXPECT_TRUE(second->isVisible());
}

// A database that cannot be read: the failure in the standard box, and the window stays open.
TEST(CompanyWindow, OpeningFailureIsReportedAndTheWindowStays)
{
    WindowFixture f { false };
    CompanyWindow window(f.shell);
    window.show();
    ASSERT_EQ(f.prompts.shown().size(), 1);
    const auto& shown = f.prompts.shown()[0];
    EXPECT_TRUE(shown.text.startsWith(QStringLiteral("Eroare "))) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.endsWith(QStringLiteral(" in procedura Form_Load din Form frmParamSoc Linia: 0")))
        << shown.text.toStdString();
    EXPECT_EQ(shown.box, BoxKind::Standard);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.textBox(0)->text().isEmpty());
}

// After a failed load the boxes are empty: saving them would overwrite the rows, so saving is
// disabled and the window says why. Closing then asks nothing.
TEST(CompanyWindow, AFailedLoadDisablesSavingAndSaysWhy)
{
    WindowFixture f { false };
    QPointer<CompanyWindow> window(new CompanyWindow(f.shell));
    window->show();
    auto* save = f.child<QPushButton>(window, "cmdSalvare");
    EXPECT_FALSE(save->isEnabled());
    const QString status = f.child<QLabel>(window, "lblStare")->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("Datele societatii nu au putut fi citite, de aceea salvarea este "
                                                 "oprita: Baza de date ")))
        << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral(" nu exista"))) << status.toStdString();

    QTest::keyClicks(window->textBox(0), QStringLiteral("Noua SRL"));
    EXPECT_FALSE(window->cmdSalvare_Click());
    EXPECT_EQ(f.prompts.shown().size(), 1); // the load's own report only
    EXPECT_TRUE(window->close());
    EXPECT_EQ(f.prompts.shown().size(), 1);
    delete window.data();
}

TEST(CompanyWindow, ASuccessfulSaveSaysSo)
{
    CompanyFixture f;
    CompanyWindow* w = f.open();
    auto* status = f.child<QLabel>(w, "lblStare");
    EXPECT_TRUE(status->text().isEmpty());
    f.type(w, 0, QStringLiteral("Noua SRL"));
    f.save(w);
    EXPECT_EQ(
        status->text(),
        QStringLiteral("Datele au fost salvate la ora %1.").arg(fixedNow().time().toString(QStringLiteral("HH:mm"))));
    EXPECT_TRUE(f.prompts.shown().isEmpty());
    EXPECT_FALSE(w->isModified());

    // A save refused by a check shows its box and no success line.
    f.type(w, 0, QString());
    f.save(w);
    EXPECT_EQ(f.prompts.shown().size(), 1);
    EXPECT_TRUE(status->text().isEmpty());
}

// Closing with changes not saved asks whether to save them: yes saves and closes (or stays when
// the save is refused), no closes without saving, cancel stays.
TEST(CompanyWindow, ClosingWithUnsavedChangesAsks)
{
    const struct
    {
        const char* name;
        QString name_; // typed into "Denumire"
        int answer;
        bool closes;
        QString stored;
        int boxes; // shown in all
    } cases[] = {
        { "yes saves and closes", "Noua SRL", msgbox::Yes, true, "Noua SRL", 1 },
        { "no closes without saving", "Noua SRL", msgbox::No, true, "Vechi SRL", 1 },
        { "cancel stays", "Noua SRL", msgbox::Cancel, false, "Vechi SRL", 1 },
        { "yes with a refused save stays", "", msgbox::Yes, false, "Vechi SRL", 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CompanyFixture f;
        CompanyWindow* w = f.open();
        QPointer<CompanyWindow> alive(w);
        f.type(w, 0, c.name_);
        f.prompts.setNextAnswer(c.answer);
        click(f.child<QPushButton>(w, "cmdCancel"));
        processDeferredDeletes();
        ASSERT_GE(f.prompts.shown().size(), 1);
        const auto& asked = f.prompts.shown()[0];
        EXPECT_EQ(asked.text, QStringLiteral("Datele societatii au fost modificate. Salvati modificarile?"));
        EXPECT_EQ(asked.style, msgbox::YesNoCancel | msgbox::QuestionIcon);
        EXPECT_EQ(f.prompts.shown().size(), c.boxes);
        EXPECT_EQ(alive.isNull(), c.closes);
        EXPECT_EQ(f.info("DENUMIRE"), c.stored);
    }

    // Nothing changed, or changed back: closing asks nothing.
    CompanyFixture f;
    QPointer<CompanyWindow> w(f.open());
    f.type(w, 0, QStringLiteral("Alta"));
    f.type(w, 0, QStringLiteral("Vechi SRL"));
    click(f.child<QPushButton>(w, "cmdCancel"));
    processDeferredDeletes();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(f.prompts.shown().isEmpty());
}
