#include "gui/DialogSink.h"

#include "base/MessageBoxLayout.h"
#include "gui/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace orvida {

int styleOf(const Message& message)
{
    switch (message.icon) {
    case Icon::Stop:
        return msgbox::CriticalIcon;
    case Icon::Question:
        return msgbox::QuestionIcon;
    case Icon::Exclamation:
        return msgbox::ExclamationIcon;
    case Icon::Information:
        return msgbox::InformationIcon;
    case Icon::None:
        break;
    }
    return msgbox::OkOnly;
}

std::optional<Openable> openableIn(const Message& message)
{
    if (message.box != BoxKind::Own || message.openPath.isEmpty())
        return std::nullopt;
    switch (message.opens) {
    case Opens::Folder:
        return Openable { QStringLiteral("Deschide folderul"), message.openPath };
    case Opens::ErrorList:
        return Openable { QStringLiteral("Deschide lista"), message.openPath };
    case Opens::Nothing:
        break;
    }
    return std::nullopt;
}

void DialogSink::show(const Message& message)
{
    if (message.box == BoxKind::Standard) {
        m_prompts.standardBox(m_parent, message.text, message.title, message.icon);
        return;
    }
    msgbox::Request request;
    request.prompt = message.text;
    request.style = styleOf(message);
    request.title = message.title;
    if (const auto openable = openableIn(message)) {
        // The help button's place, beside OK; it opens and leaves the box open.
        request.style |= msgbox::HelpButton;
        request.captions = QStringList { QString(), openable->caption };
        Prompts& prompts = m_prompts;
        request.onHelp = [&prompts, parent = m_parent, title = message.title, path = openable->path] {
            if (prompts.openLocation(path))
                return;
            // Nothing on this desktop opens it: say so, rather than a button that does nothing.
            msgbox::Request failed;
            failed.prompt = QStringLiteral("%1 %2 nu a putut fi deschis: nu s-a gasit un program care sa-l deschida. "
                                           "Deschideti-l din managerul de fisiere; calea se poate copia din mesaj.")
                                .arg(QFileInfo(path).isDir() ? QStringLiteral("Folderul") : QStringLiteral("Fisierul"),
                                     QDir::toNativeSeparators(path));
            failed.style = msgbox::OkOnly | msgbox::ExclamationIcon;
            failed.title = title;
            // Over the box whose button was pressed.
            QWidget* over = QApplication::activeModalWidget();
            prompts.messageBoxExt(over ? over : parent, failed);
        };
    }
    m_prompts.messageBoxExt(m_parent, request);
}

} // namespace orvida
