#pragma once

#include "company/CompanyParameters.h"
#include "declaration/DeclarationRun.h"
#include "gui/DialogSink.h"
#include "gui/Shell.h"

#include <QWidget>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvida::declaration {

// The declaration window "Declaratia 394": the declarant, the period and the choice between the
// declaration from 2012 on and the earlier semester declaration. "OK" runs the declaration with
// the current inputs and leaves them as they are; the window stays open.
//
// The check boxes keep each other consistent: a rule that assigns a box a new value runs that
// box's own rule, as a click would, and assigning the value a box already has runs nothing.
class DeclarationWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DeclarationWindow(const Shell& shell, QWidget* parent = nullptr);
    ~DeclarationWindow() override;

    // The window's inputs as "OK" hands them to the run.
    DeclarationInputs inputs() const;

public slots:
    void cmdCalcul_Click();

private:
    void buildControls();
    QWidget* buildDeclarant();
    QWidget* buildFrame2012();
    QWidget* buildFraData();
    QWidget* buildHiddenPeriod();
    QLayout* buildButtons();
    void connectRules();
    void Form_Load();

    Shell m_shell;
    DialogSink m_sink;
    company::CompanyParameters m_parameters;

    QLineEdit *m_nume = nullptr, *m_prenume = nullptr, *m_functie = nullptr;
    QGroupBox *m_frame2012 = nullptr, *m_fraData = nullptr, *m_frameD392 = nullptr;
    QCheckBox *m_d394_2012 = nullptr, *m_d394_2013 = nullptr, *m_d394 = nullptr, *m_check1 = nullptr,
              *m_check394 = nullptr, *m_d392 = nullptr;
    QRadioButton *m_option1 = nullptr, *m_option2 = nullptr;
    QDateEdit *m_dela = nullptr, *m_la = nullptr, *m_pickerDela = nullptr, *m_pickerLa = nullptr;
};

} // namespace orvida::declaration
