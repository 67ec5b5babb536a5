#include "gui/Prompts.h"

#include "declaration/SaveFile.h"
#include "gui/MessageBoxExtDialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace orvida {

namespace {

QMessageBox::Icon standardIcon(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

int DialogPrompts::messageBoxExt(QWidget* parent, const msgbox::Request& request)
{
    return MessageBoxExt(parent, m_pictures, request);
}

void DialogPrompts::standardBox(QWidget* parent, const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(standardIcon(icon), title.isEmpty() ? msgbox::productName() : title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString
DialogPrompts::openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString
DialogPrompts::saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString DialogPrompts::existingFolder(QWidget* parent, const QString& caption, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

void DialogPrompts::printPreview(QWidget* parent,
                                 const QString& title,
                                 const std::function<void(QPagedPaintDevice&)>& paint)
{
    printPreviewSavingAs(parent, title, paint, title + QStringLiteral(".pdf"));
}

void DialogPrompts::printPreviewSavingAs(QWidget* parent,
                                         const QString& title,
                                         const std::function<void(QPagedPaintDevice&)>& paint,
                                         const QString& suggestedPdf)
{
    // No parent: the preview lives until the user closes it, even when the window that asked for it
    // is closed first, and it blocks no other window.
    auto* preview = new QPrintPreviewDialog;
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setWindowModality(Qt::NonModal);
    preview->setWindowTitle(title);
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview,
                     [paint](QPrinter* printer) { paint(*printer); });
    // Printing to a PDF file needs no PDF printer installed.
    auto* toolbar = preview->findChild<QToolBar*>();
    if (toolbar) {
        // The tool bar's buttons never take the focus: printing and saving get keys of their own.
        const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
        for (QAction* action : toolbar->actions())
            if (action->text() == print)
                action->setShortcut(QKeySequence::Print);
        toolbar->addSeparator();
        QAction* pdf = toolbar->addAction(QStringLiteral("Salvare PDF"));
        pdf->setShortcut(QKeySequence::Save);
        pdf->setToolTip(
            QStringLiteral("Salvare ca fisier PDF (%1)").arg(pdf->shortcut().toString(QKeySequence::NativeText)));
        QObject::connect(pdf, &QAction::triggered, preview, [this, preview, paint, title, suggestedPdf] {
            const QString path
                = QFileDialog::getSaveFileName(preview, QString(), suggestedPdf, QStringLiteral("PDF (*.pdf)"));
            if (path.isEmpty())
                return;
            // The same writing as every other output file: a full disk or a protected folder is named.
            const Status saved = declaration::saveFile(path, [&](QIODevice& out) {
                QPdfWriter writer(&out);
                writer.setTitle(title);
                paint(writer);
                return Status::success();
            });
            // The program's own box: the platform's lost the underscores of the path at 150%.
            msgbox::Request said;
            said.title = title;
            if (!saved) {
                said.prompt = saved.failure().description;
                said.style = msgbox::OkOnly | msgbox::CriticalIcon;
            } else {
                said.prompt
                    = QStringLiteral("Rezumatul a fost salvat in fisierul %1.").arg(QDir::toNativeSeparators(path));
                said.style = msgbox::OkOnly | msgbox::InformationIcon;
            }
            messageBoxExt(preview, said);
        });
    }
    // Large enough to read: most of the screen, the page as wide as the view, and wide enough for
    // the whole tool bar where the screen allows (a scaled screen would hide its last buttons).
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        int width = area.width() * 3 / 4;
        if (toolbar)
            width = std::max(
                width, toolbar->sizeHint().width() + 2 * preview->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
        preview->resize(std::min(width, area.width()), area.height() * 9 / 10);
    }
    if (auto* view = preview->findChild<QPrintPreviewWidget*>())
        view->fitToWidth();
    preview->show();
}

bool DialogPrompts::openLocation(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace orvida
