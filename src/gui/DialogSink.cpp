#include "gui/DialogSink.h"

#include "base/MessageBoxLayout.h"
#include "gui/Prompts.h"

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
        request.onHelp = [&prompts, path = openable->path] {
            prompts.openLocation(path);
        };
    }
    m_prompts.messageBoxExt(m_parent, request);
}

} // namespace orvida
