#include "declaration/SemesterFiles.h"
#include "support/WindowFixture.h"
#include "windows/DeclarationWindow.h"

#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace orvida;
using namespace orvida::test;
using declaration::DeclarationWindow;

namespace {

struct DeclarationFixture : WindowFixture
{
    DeclarationWindow* window = new DeclarationWindow(shell);

    DeclarationFixture() { window->show(); }
    ~DeclarationFixture() { delete window; }

    QCheckBox* box(const char* name) const { return child<QCheckBox>(window, name); }
    QGroupBox* group(const char* name) const { return child<QGroupBox>(window, name); }

    // The boxes as "name=0/1", the groups as "name:on/off", in one line a failure shows whole.
    QString state() const
    {
        QStringList parts;
        for (const char* name : { "CheckD394_2012", "CheckD394", "CheckD392", "Check1", "Check394" })
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(box(name)->isChecked() ? 1 : 0);
        for (const char* name : { "Frame_2012", "fraData" })
            parts << QStringLiteral("%1:%2").arg(QLatin1String(name), group(name)->isEnabled() ? "on" : "off");
        return parts.join(QLatin1Char(' '));
    }

    void company()
    {
        folder.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Orvida Test SRL', CODFISCAL = 'RO12345678', "
                                   "JUDET1 = 'B', ORAS1 = 'Bucuresti', STRADA1 = 'Lunga', NR1 = '1'"));
        folder.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7) values "
                                   "('Furnizor SRL', 'RO14399840', 1190, 1000, 190)"));
        folder.exec(QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7) values "
                                   "('Client SA', 'RO2816464', 2380, 2000, 380)"));
    }

    void declarant()
    {
        QTest::keyClicks(child<QLineEdit>(window, "TextNume"), QStringLiteral("Popescu"));
        QTest::keyClicks(child<QLineEdit>(window, "TextFunctie"), QStringLiteral("Administrator"));
    }
};

} // namespace

TEST(DeclarationWindow, OpensWithItsCaptionsAndTheFiscalYear)
{
    DeclarationFixture f;
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Declaratia 394"));
    const struct
    {
        const char* name;
        const char* caption;
    } captions[] = {
        { "CheckD394_2012", "  Conform OPANAF 3596/19.12.2011" },
        { "CheckD394_2013", "  Conform OPANAF 3806/2013" },
        { "CheckD394", " " },
        { "Check1", " Generare fisier de raportat" },
        { "Check394", " Generare format pentru aplicatia MF, D394 " },
        { "Option1", " Semestrul 1" },
        { "Option2", " Semestrul 2" },
        { "cmdCalcul", "OK" },
        { "cmdAnulare", "Iesire" },
    };
    for (const auto& c : captions)
        EXPECT_EQ(f.child<QAbstractButton>(f.window, c.name)->text(), QString::fromLatin1(c.caption)) << c.name;
    EXPECT_EQ(f.group("Frame_2012")->title(), QStringLiteral(" D394 dupa 01/01/2012"));
    EXPECT_EQ(f.group("fraData")->title(), QStringLiteral("D394 inainte de 01/01/2012"));
    EXPECT_EQ(f.child<QWidget>(f.window, "cmdCalcul")->toolTip(), QStringLiteral("Initializare sume datorate"));
    EXPECT_EQ(f.child<QLineEdit>(f.window, "TextPrenume")->text(), QStringLiteral(" "));

    EXPECT_EQ(f.state(),
              QStringLiteral("CheckD394_2012=1 CheckD394=0 CheckD392=0 Check1=1 Check394=0 "
                             "Frame_2012:on fraData:off"));
    EXPECT_TRUE(f.box("CheckD394_2013")->isChecked());
    EXPECT_TRUE(f.child<QRadioButton>(f.window, "Option1")->isChecked());
    EXPECT_FALSE(f.group("FrameD392")->isVisible());
    EXPECT_EQ(f.child<QDateEdit>(f.window, "DTPdela")->date(), QDate(2024, 1, 1));
    EXPECT_EQ(f.child<QDateEdit>(f.window, "DTPla")->date(), QDate(2024, 12, 31));
    EXPECT_EQ(f.child<QDateEdit>(f.window, "DTPickerdela")->date(), QDate(1999, 1, 1));
    EXPECT_EQ(f.child<QDateEdit>(f.window, "DTPickerla")->date(), QDate(1999, 12, 31));
    EXPECT_EQ(f.child<QDateEdit>(f.window, "DTPdela")->displayFormat(), QStringLiteral("dd/MM/yyyy"));
    EXPECT_TRUE(f.prompts.shown().isEmpty());
}

// A rule's assignment runs the assigned box's own rule only when its value changes, so each chain
// stops after a step or two; the groups follow.
TEST(DeclarationWindow, CheckBoxChainsFromTheInitialState)
{
    DeclarationFixture f;
    // fraData is disabled: its boxes ignore clicks.
    click(f.box("CheckD394"));
    EXPECT_FALSE(f.box("CheckD394")->isChecked());

    click(f.box("CheckD394_2012"));
    EXPECT_EQ(f.state(),
              QStringLiteral("CheckD394_2012=0 CheckD394=1 CheckD392=0 Check1=1 Check394=0 "
                             "Frame_2012:off fraData:on"));

    click(f.box("CheckD394"));
    EXPECT_EQ(f.state(),
              QStringLiteral("CheckD394_2012=1 CheckD394=0 CheckD392=1 Check1=1 Check394=0 "
                             "Frame_2012:on fraData:off"));
}

TEST(DeclarationWindow, SemesterBoxesExcludeEachOther)
{
    DeclarationFixture f;
    click(f.box("CheckD394_2012"));
    click(f.box("Check1"));
    EXPECT_EQ(f.state(),
              QStringLiteral("CheckD394_2012=0 CheckD394=1 CheckD392=0 Check1=0 Check394=1 "
                             "Frame_2012:off fraData:on"));
    click(f.box("Check394"));
    EXPECT_EQ(f.state(),
              QStringLiteral("CheckD394_2012=0 CheckD394=1 CheckD392=0 Check1=1 Check394=0 "
                             "Frame_2012:off fraData:on"));
    click(f.child<QRadioButton>(f.window, "Option2"));
    EXPECT_FALSE(f.child<QRadioButton>(f.window, "Option1")->isChecked());
    EXPECT_FALSE(f.window->inputs().firstSemester);
}

TEST(DeclarationWindow, OkWritesTheDeclarationFrom2012AndStaysOpen)
{
    DeclarationFixture f;
    f.company();
    f.declarant();
    const declaration::DeclarationInputs before = f.window->inputs();
    click(f.child<QPushButton>(f.window, "cmdCalcul"));

    const QDir out(f.folder.file(QStringLiteral("D394/12345678")));
    EXPECT_EQ(out.entryList(QDir::Files, QDir::Name),
              (QStringList { QStringLiteral("D394_15.03.2024 - 10.20.30.txt"),
                             QStringLiteral("D394_15.03.2024 - 10.20.30.xml") }));
    const QStringList texts = f.prompts.texts();
    ASSERT_EQ(texts.size(), 2) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Fisierul D394.xml a fost generat in catalogul ")))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Fisierul D394.txt a fost generat in catalogul ")))
        << texts[1].toStdString();
    EXPECT_EQ(f.prompts.previews(), 0);
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_EQ(f.window->inputs().declarant.name, before.declarant.name);
    EXPECT_EQ(f.window->inputs().to, before.to);

    // An input check shows its text in the standard box, and the run writes nothing more.
    f.child<QLineEdit>(f.window, "TextNume")->clear();
    click(f.child<QPushButton>(f.window, "cmdCalcul"));
    ASSERT_EQ(f.prompts.shown().size(), 3);
    EXPECT_EQ(f.prompts.shown()[2].text, QStringLiteral("Va rog completati Nume declarant"));
    EXPECT_EQ(f.prompts.shown()[2].box, BoxKind::Standard);
}

TEST(DeclarationWindow, OkOnTheSemesterPathWritesItsFilesAndShowsTheSummary)
{
    DeclarationFixture f;
    // No authority program: the semester files go to the program folder.
    qputenv("WINEPREFIX", f.folder.file(QStringLiteral("no-wine")).toLocal8Bit());
    f.company();
    f.declarant();
    click(f.box("CheckD394_2012"));
    click(f.child<QPushButton>(f.window, "cmdCalcul"));

    const QString report = declaration::reportFileName(1, QDate(2024, 1, 1), QStringLiteral("12345678"));
    EXPECT_TRUE(QFileInfo::exists(f.folder.file(report))) << report.toStdString() << "\n"
                                                          << f.prompts.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QDir(f.folder.file(QStringLiteral("D394/12345678"))).exists());
    EXPECT_EQ(f.prompts.previews(), 1);
    EXPECT_TRUE(f.prompts.lastPreviewPdf().startsWith("%PDF"));
    EXPECT_TRUE(f.window->isVisible());
    qunsetenv("WINEPREFIX");
}

TEST(DeclarationWindow, IesireClosesTheWindow)
{
    DeclarationFixture f;
    QPointer<QWidget> window = f.window;
    click(f.child<QPushButton>(f.window, "cmdAnulare"));
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull());
    f.window = nullptr;
}
