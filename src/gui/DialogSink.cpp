#include "gui/DialogSink.h"

#include "base/MessageBoxLayout.h"
#include "gui/Prompts.h"

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
    if (message.role != MessageRole::Info || message.box != BoxKind::Own)
        return std::nullopt;
    const QString& text = message.text;
    const QString folderCaption = QStringLiteral("Deschide folderul");
    // The designed texts of the declarations, with the path they name.
    for (const QString& prefix : { QStringLiteral("Fisierul D394.xml a fost generat in catalogul "),
                                   QStringLiteral("Fisierul D394.txt a fost generat in catalogul ") }) {
        if (text.startsWith(prefix) && text.endsWith(QLatin1Char('.')))
            return Openable { folderCaption, QDir::fromNativeSeparators(text.mid(prefix.size()).chopped(1)) };
    }
    const QString errors = QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati "
                                          "fisierul ");
    if (text.startsWith(errors) && text.endsWith(QLatin1Char(' ')))
        return Openable { QStringLiteral("Deschide lista"),
                          QDir::fromNativeSeparators(text.mid(errors.size()).chopped(1)) };
    const QString written = QStringLiteral(" a fost generat. ");
    const QString file = QStringLiteral("Fisierul ");
    if (text.startsWith(file) && text.endsWith(written) && text.size() > file.size() + written.size()) {
        const QString path
            = QDir::fromNativeSeparators(text.mid(file.size(), text.size() - file.size() - written.size()));
        return Openable { folderCaption, QFileInfo(path).absolutePath() };
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
