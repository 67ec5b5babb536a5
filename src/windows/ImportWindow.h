#pragma once

#include "gui/DialogSink.h"
#include "gui/Shell.h"

#include <QElapsedTimer>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace orvida::import {

struct ImportProgress;

// The import window: one workbook into the purchase journal (TipOp "C") or the sales journal
// (any other TipOp). "Ok" imports the path in the box, typed or chosen with "...", then closes
// the window; after a failure it stays open with its path and options, so the user can correct
// the workbook and try again.
class ImportWindow : public QWidget
{
    Q_OBJECT

public:
    ImportWindow(const Shell& shell, QChar tipOp, QWidget* parent = nullptr);
    ~ImportWindow() override;

    QChar TipOp() const { return m_tipOp; }

    // How long an import runs before its progress dialog appears.
    static constexpr int ProgressDelayMs = 1000;

public slots:
    void cmdGetSourceSpec1_Click();
    void cmdOK_Click();

    // Where "..." opens: the folder of the workbook in the box, else that of the last workbook
    // chosen or imported for this journal (remembered in the user's settings), else IMPORT/ of
    // the program folder.
    QString startFolder() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString lastFolderKey() const;
    void rememberFolderOf(const QString& workbook) const;

    Shell m_shell;
    DialogSink m_sink;
    QChar m_tipOp;
    bool m_running = false;
    ImportProgress* m_progress = nullptr; // the import in progress, to stop it
    QElapsedTimer m_started;
    QLineEdit* m_path = nullptr;
    QPushButton* m_ok = nullptr;
    QCheckBox* m_checkIni = nullptr;
    QCheckBox* m_checkTaxareInv = nullptr;
};

} // namespace orvida::import
