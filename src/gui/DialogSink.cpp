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
    m_prompts.messageBoxExt(m_parent, request);
}

} // namespace orvida
