#pragma once

#include <QDialog>

#include <atomic>

class QLabel;
class QPushButton;

namespace orvida {

// "Importul este in curs...": the rows read so far and a "Renunta" button that asks the import to
// stop (it then rolls back). It cannot be dismissed otherwise: Esc and the close box are ignored,
// since the import goes on whatever the dialog does.
class ImportProgressDialog : public QDialog
{
    Q_OBJECT

public:
    ImportProgressDialog(std::atomic<bool>& cancel, const QString& title, QWidget* parent = nullptr);

    void setRowsRead(qint64 rows);
    QLabel* rowsLabel() const { return m_rows; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    void reject() override; // Esc and the close box: ignored
    void stop(); // "Renunta"

private:
    std::atomic<bool>& m_cancelFlag;
    QLabel* m_text = nullptr;
    QLabel* m_rows = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace orvida
