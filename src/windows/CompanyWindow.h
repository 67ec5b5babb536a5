#pragma once

#include "company/Company.h"
#include "gui/DialogSink.h"
#include "gui/Shell.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;
class QPushButton;

namespace orvida::company {

// The configuration window "Date despre societate": the company's identification (page
// "Societate") and its fiscal periods (page "Exercitiu"). Each window reads its own copy of the
// two rows when it opens; "Salvare" stores them, "Iesire" closes, asking first whether to store
// changes not yet saved. When the rows cannot be read, saving is disabled and the window says why:
// empty boxes saved over the rows would erase them.
class CompanyWindow : public QWidget
{
    Q_OBJECT

public:
    explicit CompanyWindow(const Shell& shell, QWidget* parent = nullptr);
    ~CompanyWindow() override;

    // The box of `Text1` with this index, the picker of `DTPicker1` with this index.
    QLineEdit* textBox(int index) const { return m_text.value(index); }
    QDateEdit* datePicker(int index) const { return m_dates.value(index); }

    // What "Salvare" would store now: the loaded rows with the user's edits.
    CompanyRecord currentRecord() const;

    // Whether a box or a date differs from what was loaded or last saved.
    bool isModified() const;

public slots:
    // True when everything was stored: no check refused any of it.
    bool cmdSalvare_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildIdentityPage();
    QWidget* buildPeriodsPage();
    QLineEdit* addBox(int index, const QString& column);
    void load();
    QStringList shownValues() const;

    Shell m_shell;
    DialogSink m_sink;
    CompanyRecord m_record;
    QMap<int, QLineEdit*> m_text; // Text1(index)
    QMap<int, QString> m_columnOf; // Text1 index -> column of Zet_Info
    QList<QDateEdit*> m_dates; // DTPicker1(0..5)
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_status = nullptr; // lblStare: the outcome of the last load or save
    QStringList m_saved; // the boxes and dates as last loaded or saved
};

} // namespace orvida::company
