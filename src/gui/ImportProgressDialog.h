#pragma once

#include <QDialog>

#include <atomic>

class QLabel;
class QProgressBar;
class QPushButton;

namespace orvida {

// "Importul este in curs...": the rows read so far, their share of the sheet where the workbook
// tells its size, and a "Renunta" button that asks the import to stop (it then rolls back). It cannot be dismissed
// otherwise: Esc and the close box are ignored, since the import goes on whatever the dialog does.
class ImportProgressDialog : public QDialog
{
    Q_OBJECT

public:
    ImportProgressDialog(std::atomic<bool>& cancel, const QString& title, QWidget* parent = nullptr);

    // `expected` is the data rows the sheet holds, -1 when not known. A sheet that holds more than
    // it said falls back to the count alone.
    void setRowsRead(qint64 rows, qint64 expected = -1);
    QLabel* rowsLabel() const { return m_rows; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    void reject() override; // Esc and the close box: ignored
    void stop(); // "Renunta"

private:
    std::atomic<bool>& m_cancelFlag;
    QLabel* m_text = nullptr;
    QLabel* m_rows = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace orvida
