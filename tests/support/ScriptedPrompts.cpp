#include "support/ScriptedPrompts.h"

#include <QBuffer>
#include <QPdfWriter>

namespace orvida::test {

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const Shown& s : m_shown)
        out << s.text;
    return out;
}

int ScriptedPrompts::messageBoxExt(QWidget*, const msgbox::Request& request)
{
    int answer = 0;
    const msgbox::Layout layout = msgbox::layout({ {}, request.style, request.captions, {} });
    if (!m_answers.isEmpty() && m_answers.head() == msgbox::Help) {
        m_answers.dequeue();
        if (request.onHelp)
            request.onHelp();
    }
    if (!m_answers.isEmpty())
        answer = m_answers.dequeue();
    else
        answer = layout.buttons[layout.focusOrder.first()].result;
    QStringList captions;
    for (const msgbox::Button& b : layout.buttons)
        captions << b.caption;
    m_shown.append(
        { BoxKind::Own, request.prompt, msgbox::titleOf(request), captions, request.style, Icon::None, answer });
    return answer;
}

void ScriptedPrompts::standardBox(QWidget*, const QString& text, const QString& title, Icon icon)
{
    m_shown.append({ BoxKind::Standard,
                     text,
                     title.isEmpty() ? msgbox::productName() : title,
                     { QStringLiteral("OK") },
                     0,
                     icon,
                     msgbox::Ok });
}

QString ScriptedPrompts::openFileName(QWidget*, const QString& caption, const QString& folder, const QString&)
{
    m_fileDialogs.append(caption);
    m_fileDialogFolders.append(folder);
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

QString ScriptedPrompts::saveFileName(QWidget*, const QString& caption, const QString&, const QString&)
{
    m_fileDialogs.append(caption);
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

QString ScriptedPrompts::existingFolder(QWidget*, const QString& caption, const QString&)
{
    m_fileDialogs.append(caption);
    return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
}

void ScriptedPrompts::printPreview(QWidget*, const QString&, const std::function<void(QPagedPaintDevice&)>& paint)
{
    ++m_previews;
    m_lastPdf.clear();
    QBuffer buffer(&m_lastPdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    paint(writer);
}

} // namespace orvida::test
