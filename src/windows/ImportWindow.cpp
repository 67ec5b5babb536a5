#include "windows/ImportWindow.h"

#include "gui/ImportProgressDialog.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "gui/WindowKeys.h"
#include "import/ImportAdvice.h"
#include "import/ImportProgress.h"
#include "import/ImportRun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace orvida::import {

namespace {

// The per-user settings of the program (~/.config/Orvida/Orvida.conf), where the main window's
// placement is read too.
std::unique_ptr<QSettings> userSettings()
{
    return std::make_unique<QSettings>(QCoreApplication::applicationName(), QCoreApplication::applicationName());
}

// Excel workbooks first (97-2003 and the newer format), all files second.
const QString fileFilter = QStringLiteral("(*.XLS, *.XLSX) (*.xls *.XLS *.xlsx *.XLSX);;(*.*) (*)");

} // namespace

ImportWindow::ImportWindow(const Shell& shell, QChar tipOp, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_shell(shell)
    , m_sink(shell.prompts, this)
    , m_tipOp(tipOp)
{
    setObjectName(QStringLiteral("frmImportXLS"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    setWindowTitle(tipOp == QLatin1Char('C') ? QStringLiteral("Import achizitii din fisierul EXCEL")
                                             : QStringLiteral("Import livrari din fisierul EXCEL"));

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("fraImp"));
    m_path = new QLineEdit(frame);
    m_path->setObjectName(QStringLiteral("txtSourceSpec1"));
    m_path->setToolTip(
        QStringLiteral("Selectati fisierul EXCEL de importat cu structura: NUME,CODFISCAL,TOTAL,BAZA,TVA"));
    m_path->setMinimumWidth(m_path->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
    auto* label = new QLabel(QStringLiteral("Fisier:"), frame);
    label->setBuddy(m_path);
    auto* browse = new QPushButton(QStringLiteral("..."), frame);
    browse->setObjectName(QStringLiteral("cmdGetSourceSpec1"));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    m_checkIni = new QCheckBox(QStringLiteral(" Initializare baza de date"), frame);
    m_checkIni->setObjectName(QStringLiteral("CheckIni"));
    m_checkIni->setChecked(true);
    m_checkTaxareInv = new QCheckBox(QStringLiteral(" Cu Taxare Inversa"), frame);
    m_checkTaxareInv->setObjectName(QStringLiteral("CheckTaxareInv"));

    auto* grid = new QGridLayout(frame);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_path, 0, 1);
    grid->addWidget(browse, 0, 2);
    grid->addWidget(m_checkIni, 1, 1, 1, 2);
    grid->addWidget(m_checkTaxareInv, 2, 1, 1, 2);

    auto* ok = new QPushButton(m_shell.pictures.button(msgbox::Picture::OkBmp), QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    m_ok = ok;
    auto* exit = new QPushButton(m_shell.pictures.button(msgbox::Picture::IesireBmp), QStringLiteral("Iesire"), this);
    exit->setObjectName(QStringLiteral("cmdIesire"));
    connect(browse, &QPushButton::clicked, this, &ImportWindow::cmdGetSourceSpec1_Click);
    connect(ok, &QPushButton::clicked, this, &ImportWindow::cmdOK_Click);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    installWindowKeys(this, ok, exit);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
}

ImportWindow::~ImportWindow() = default;

QString ImportWindow::startFolder() const
{
    // The folder of the workbook in the box, where the last workbook of this journal came from,
    // else IMPORT/ in the program folder, created when missing (a missing folder would be offered
    // as a file name).
    if (!m_path->text().isEmpty()) {
        const QFileInfo typed(m_path->text());
        if (typed.isAbsolute() && typed.absoluteDir().exists())
            return typed.absolutePath();
    }
    const QString last = userSettings()->value(lastFolderKey()).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString import = m_shell.folder.file(QStringLiteral("IMPORT"));
    QDir().mkpath(import);
    return import;
}

QString ImportWindow::lastFolderKey() const
{
    return m_tipOp == QLatin1Char('C') ? QStringLiteral("Import/FolderAchizitii")
                                       : QStringLiteral("Import/FolderLivrari");
}

void ImportWindow::cmdGetSourceSpec1_Click()
{
    // An empty title: the dialog shows the platform's own.
    const QString chosen = m_shell.prompts.openFileName(this, QString(), startFolder(), fileFilter);
    if (!chosen.isEmpty()) {
        m_path->setText(chosen);
        rememberFolderOf(chosen);
        // The next step is the import: Enter would press "..." again while it kept the focus.
        m_ok->setFocus(Qt::OtherFocusReason);
    }
}

void ImportWindow::rememberFolderOf(const QString& workbook) const
{
    userSettings()->setValue(lastFolderKey(), QFileInfo(workbook).absolutePath());
}

void ImportWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!m_running && urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void ImportWindow::dropEvent(QDropEvent* event)
{
    // A workbook dropped onto the window fills the path, as "..." would.
    const QList<QUrl> urls = event->mimeData()->urls();
    if (m_running || urls.size() != 1 || !urls.first().isLocalFile())
        return;
    m_path->setText(QDir::toNativeSeparators(urls.first().toLocalFile()));
    event->acceptProposedAction();
}

void ImportWindow::cmdOK_Click()
{
    if (m_running)
        return;
    if (m_path->text().isEmpty()) {
        m_sink.show(Message::check(QStringLiteral("Va rugam selectati fisierul de importat.")));
        return;
    }
    ImportInputs inputs;
    inputs.journal = m_tipOp == QLatin1Char('C') ? Journal::Purchases : Journal::Sales;
    inputs.path = m_path->text();
    inputs.replaceJournal = m_checkIni->isChecked();
    inputs.reverseCharge = m_checkTaxareInv->isChecked();

    // The import runs beside the user-interface thread so that the windows stay painted; its
    // messages are kept and shown here, in order, once it is over.
    m_running = true;
    // The hourglass over this window only: the other windows stay usable meanwhile.
    setCursor(Qt::WaitCursor);
    MessageList messages;
    ImportOutcome outcome;
    const ProgramFolder folder = m_shell.folder;
    ImportProgress progress;
    std::atomic<qint64> rowsRead { 0 };
    progress.rowsRead = [&rowsRead](qint64 rows) {
        rowsRead = rows;
    };
    Limits limits;
    limits.progress = &progress;
    m_progress = &progress;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { outcome = importJournal(inputs, folder, messages, limits); }));
    QEventLoop loop;
    connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    // The dialog appears only when the import takes a while; it shows the rows read so far, and
    // their share of the sheet when the workbook tells its size.
    ImportProgressDialog dialog(progress.cancel, windowTitle(), this);
    dialog.setWindowModality(Qt::WindowModal);
    QTimer tick;
    connect(&tick, &QTimer::timeout, &dialog, [&] {
        dialog.setRowsRead(rowsRead, progress.expectedRows);
        if (!dialog.isVisible() && m_started.elapsed() >= ProgressDelayMs)
            dialog.show();
    });
    m_started.start();
    tick.start(100);
    worker->start();
    if (!worker->isFinished())
        loop.exec();
    worker->wait();
    tick.stop();
    dialog.hide();
    m_progress = nullptr;
    unsetCursor();
    m_running = false;

    // The run's messages, with a second line the command line does not print: how many rows
    // went in, or why the import failed and what to do.
    const QString reason = failureReason(outcome);
    for (Message m : messages.messages()) {
        if (outcome.ok() && m.role == MessageRole::Info)
            m.text += QStringLiteral("\nRanduri importate: %1.").arg(outcome.rowsWritten);
        else if (m.role == MessageRole::Failure && !reason.isEmpty())
            m.text += QLatin1Char('\n') + reason;
        m_sink.show(m);
    }
    // After a failure the journal is as it was: the path and the options stay for another try.
    if (outcome.ok()) {
        // A typed or dropped workbook counts as much as one chosen with "...".
        if (QFileInfo(inputs.path).isAbsolute())
            rememberFolderOf(inputs.path);
        close();
    }
}

void ImportWindow::closeEvent(QCloseEvent* event)
{
    // The import in progress still writes through this window's inputs: "Iesire" offers to stop
    // it, and the window stays until it has stopped.
    if (m_running) {
        event->ignore();
        if (m_progress && !m_progress->cancel) {
            msgbox::Request request;
            request.prompt = QStringLiteral("Importul este in curs. Il opriti? Jurnalul va ramane asa cum era.");
            request.style = msgbox::YesNo | msgbox::QuestionIcon | msgbox::DefaultButton2;
            if (m_shell.prompts.messageBoxExt(this, request) == msgbox::Yes && m_progress)
                m_progress->cancel = true;
        }
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace orvida::import
