#include "app/gui/Prompts.h"

#include "app/gui/MessageBoxExtDialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>

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

void DialogPrompts::printPreview(QWidget* parent,
                                 const QString& title,
                                 const std::function<void(QPagedPaintDevice&)>& paint)
{
    QPrintPreviewDialog preview(parent);
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter* printer) { paint(*printer); });
    preview.exec();
}

} // namespace orvida
