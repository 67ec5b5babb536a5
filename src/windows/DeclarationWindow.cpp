#include "windows/DeclarationWindow.h"

#include "base/Dates.h"
#include "declaration/SemesterFiles.h"
#include "gui/Pictures.h"
#include "gui/WindowKeys.h"
#include "windows/ReviewWindow.h"
#include "windows/SummaryPreview.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orvida::declaration {

namespace {

QDateEdit* datePicker(const QString& name, QWidget* parent)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    picker->setCalendarPopup(true);
    return picker;
}

QCheckBox* checkBox(const QString& name, const QString& caption, bool ticked, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(ticked);
    return box;
}

// Assigns a check box its new state; Qt signals a change only when the state differs, which is
// what stops the chains of rules.
void assign(QCheckBox* box, bool ticked)
{
    box->setChecked(ticked);
}

} // namespace

DeclarationWindow::DeclarationWindow(const Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_shell(shell)
    , m_sink(shell.prompts, this)
{
    setObjectName(QStringLiteral("frmRapDec394"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Declaratia 394"));
    buildControls();
    connectRules();
    Form_Load();
    // Enter runs the declaration and Esc closes; the first name's single space and the dates are
    // typed over from the first click.
    installWindowKeys(this, findChild<QPushButton*>(QStringLiteral("cmdCalcul")),
                      findChild<QPushButton*>(QStringLiteral("cmdAnulare")));
    selectAllOnClick(m_prenume);
    for (QDateEdit* picker : { m_dela, m_la })
        selectDayOnClick(picker);
    for (QDateEdit* picker : { m_dela, m_la, m_pickerDela, m_pickerLa })
        openCalendarOnKey(picker);
}

DeclarationWindow::~DeclarationWindow() = default;

void DeclarationWindow::buildControls()
{
    QWidget* declarant = buildDeclarant();
    QWidget* frame2012 = buildFrame2012();
    QWidget* fraData = buildFraData();
    QWidget* hiddenPeriod = buildHiddenPeriod();
    auto* notice
        = new QLabel(QStringLiteral("Inainte de a obtine fisierul .TXT de importat in Declaratia 394, va rugam "
                                    "importati Achizitiile si Livrarile in baza de  date."),
                     this);
    notice->setWordWrap(true);
    QLayout* buttons = buildButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(declarant);
    layout->addWidget(frame2012);
    layout->addWidget(fraData);
    layout->addWidget(hiddenPeriod);
    layout->addWidget(notice);
    layout->addLayout(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(notice->text()) / 2 + 40);
}

QWidget* DeclarationWindow::buildDeclarant()
{
    auto* declarant = new QGroupBox(QStringLiteral(" Declarant"), this);
    auto* declarantGrid = new QGridLayout(declarant);
    const struct
    {
        QLineEdit** box;
        const char* name;
        const char* caption;
        const char* text;
    } texts[] = {
        { &m_nume, "TextNume", " Nume", "" },
        { &m_prenume, "TextPrenume", " Prenume", " " },
        { &m_functie, "TextFunctie", " Functie", "" },
    };
    for (int row = 0; row < 3; ++row) {
        auto* box = new QLineEdit(QString::fromLatin1(texts[row].text), declarant);
        box->setObjectName(QString::fromLatin1(texts[row].name));
        auto* label = new QLabel(QString::fromLatin1(texts[row].caption), declarant);
        label->setBuddy(box);
        declarantGrid->addWidget(label, row, 0);
        declarantGrid->addWidget(box, row, 1);
        *texts[row].box = box;
    }
    return declarant;
}

QWidget* DeclarationWindow::buildFrame2012()
{
    m_frame2012 = new QGroupBox(QStringLiteral(" D394 dupa 01/01/2012"), this);
    m_frame2012->setObjectName(QStringLiteral("Frame_2012"));
    m_d394_2012 = checkBox(QStringLiteral("CheckD394_2012"), QStringLiteral("  Conform OPANAF 3596/19.12.2011"), true,
                           m_frame2012);
    m_d394_2013
        = checkBox(QStringLiteral("CheckD394_2013"), QStringLiteral("  Conform OPANAF 3806/2013"), true, m_frame2012);
    m_dela = datePicker(QStringLiteral("DTPdela"), m_frame2012);
    m_la = datePicker(QStringLiteral("DTPla"), m_frame2012);
    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("De la"), m_frame2012));
    period->addWidget(m_dela);
    period->addSpacing(8);
    period->addWidget(new QLabel(QStringLiteral("la "), m_frame2012));
    period->addWidget(m_la);
    period->addStretch();
    auto* frame2012Layout = new QVBoxLayout(m_frame2012);
    frame2012Layout->addWidget(m_d394_2012);
    frame2012Layout->addWidget(m_d394_2013);
    frame2012Layout->addLayout(period);

    return m_frame2012;
}

QWidget* DeclarationWindow::buildFraData()
{
    m_fraData = new QGroupBox(QStringLiteral("D394 inainte de 01/01/2012"), this);
    m_fraData->setObjectName(QStringLiteral("fraData"));
    m_d394 = checkBox(QStringLiteral("CheckD394"), QStringLiteral(" "), false, m_fraData);
    m_check1 = checkBox(QStringLiteral("Check1"), QStringLiteral(" Generare fisier de raportat"), true, m_fraData);
    m_check1->setToolTip(QStringLiteral("Bifati daca doriti sa se genereze fisier de raportat."));
    m_check394 = checkBox(QStringLiteral("Check394"), QStringLiteral(" Generare format pentru aplicatia MF, D394 "),
                          false, m_fraData);
    m_check394->setToolTip(
        QStringLiteral("Bifati daca doriti sa se genereze fisier de restaurat in aplicatia MF, D394"));
    m_option1 = new QRadioButton(QStringLiteral(" Semestrul 1"), m_fraData);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setChecked(true);
    m_option2 = new QRadioButton(QStringLiteral(" Semestrul 2"), m_fraData);
    m_option2->setObjectName(QStringLiteral("Option2"));
    auto* semesters = new QHBoxLayout;
    semesters->addWidget(m_option1);
    semesters->addWidget(m_option2);
    semesters->addStretch();
    auto* fraDataLayout = new QVBoxLayout(m_fraData);
    fraDataLayout->addWidget(m_d394);
    fraDataLayout->addWidget(m_check1);
    fraDataLayout->addWidget(m_check394);
    fraDataLayout->addLayout(semesters);

    return m_fraData;
}

QWidget* DeclarationWindow::buildHiddenPeriod()
{
    // The period tested by the semester declaration: the user never sees these controls.
    m_frameD392 = new QGroupBox(QStringLiteral(" D392"), this);
    m_frameD392->setObjectName(QStringLiteral("FrameD392"));
    m_d392 = checkBox(QStringLiteral("CheckD392"), QStringLiteral(" "), false, m_frameD392);
    m_pickerDela = datePicker(QStringLiteral("DTPickerdela"), m_frameD392);
    m_pickerDela->setDate(QDate(1999, 1, 1));
    m_pickerLa = datePicker(QStringLiteral("DTPickerla"), m_frameD392);
    m_pickerLa->setDate(QDate(1999, 12, 31));
    auto* d392Layout = new QHBoxLayout(m_frameD392);
    d392Layout->addWidget(m_d392);
    d392Layout->addWidget(new QLabel(QStringLiteral("De la"), m_frameD392));
    d392Layout->addWidget(m_pickerDela);
    d392Layout->addWidget(new QLabel(QStringLiteral("la "), m_frameD392));
    d392Layout->addWidget(m_pickerLa);
    m_frameD392->hide();

    return m_frameD392;
}

QLayout* DeclarationWindow::buildButtons()
{
    auto* ok = new QPushButton(m_shell.pictures.button(msgbox::Picture::OkBmp), QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdCalcul"));
    ok->setToolTip(QStringLiteral("Initializare sume datorate"));
    auto* exit = new QPushButton(m_shell.pictures.button(msgbox::Picture::IesireBmp), QStringLiteral("Iesire"), this);
    exit->setObjectName(QStringLiteral("cmdAnulare"));
    connect(ok, &QPushButton::clicked, this, &DeclarationWindow::cmdCalcul_Click);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    auto* review = new QPushButton(QStringLiteral("Verificare"), this);
    review->setObjectName(QStringLiteral("cmdVerificare"));
    connect(review, &QPushButton::clicked, this,
            [this] { ReviewWindow::open(m_shell, m_dela->date(), m_la->date(), this); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(review);
    buttons->addWidget(ok);
    buttons->addWidget(exit);

    return buttons;
}

void DeclarationWindow::connectRules()
{
    connect(m_d394_2012, &QCheckBox::toggled, this, [this](bool ticked) {
        assign(m_d394, !ticked);
        m_fraData->setEnabled(!ticked);
    });
    connect(m_d394, &QCheckBox::toggled, this, [this](bool ticked) {
        assign(m_d394_2012, !ticked);
        assign(m_d392, !ticked);
        m_frame2012->setEnabled(!ticked);
    });
    connect(m_d392, &QCheckBox::toggled, this, [this](bool ticked) { assign(m_d394, !ticked); });
    connect(m_check1, &QCheckBox::toggled, this, [this](bool ticked) { assign(m_check394, !ticked); });
    connect(m_check394, &QCheckBox::toggled, this, [this](bool ticked) { assign(m_check1, !ticked); });
    // Option1 and Option2 share their group box and exclude each other as radio buttons do.
}

void DeclarationWindow::Form_Load()
{
    // A failure has been shown; the window opens with the parameters read so far.
    (void)company::loadCompanyParameters(m_shell.folder, m_shell.clock, m_parameters, m_sink);
    m_fraData->setEnabled(!m_d394_2012->isChecked());
    m_dela->setDate(dates::fromSerial(m_parameters.DataIN).date());
    m_la->setDate(dates::fromSerial(m_parameters.DataSN).date());
}

DeclarationInputs DeclarationWindow::inputs() const
{
    DeclarationInputs in;
    in.declarant = { m_nume->text(), m_prenume->text(), m_functie->text() };
    in.rules2012 = m_d394_2012->isChecked();
    in.variant2013 = m_d394_2013->isChecked();
    in.from = m_dela->date();
    in.to = m_la->date();
    in.firstSemester = m_option1->isChecked();
    in.reportFile = m_check1->isChecked();
    in.checkedFrom = m_pickerDela->date();
    in.checkedTo = m_pickerLa->date();
    return in;
}

void DeclarationWindow::cmdCalcul_Click()
{
    const DeclarationContext context { m_shell.folder, m_shell.clock, m_parameters, defaultAuthorityProgram() };
    const DeclarationOutcome outcome = runDeclaration(inputs(), context, m_sink);
    if (outcome.semester && outcome.semester->summary)
        showSummaryPreview(m_shell.prompts, this, *outcome.semester->summary, m_shell.folder.path());
}

} // namespace orvida::declaration
