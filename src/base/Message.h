#pragma once

#include <QList>
#include <QString>

namespace orvida {

// Which dialog a message belongs in: the program's own MessageBoxExt, or the platform's
// standard message box (with the title and icon the run gives).
enum class BoxKind { Own, Standard };
enum class Icon { None, Stop, Question, Exclamation, Information };

// What a message means for the command line's exit status: a plain report (0), an input check
// that stopped or refused the job (1), or a failure report (2).
enum class MessageRole { Info, Check, Failure };

struct Message
{
    QString text;
    MessageRole role = MessageRole::Info;
    BoxKind box = BoxKind::Own;
    QString title; // empty: the product name
    Icon icon = Icon::None;

    bool operator==(const Message&) const = default;

    static Message info(const QString& text) { return { text, MessageRole::Info, BoxKind::Own, {}, Icon::None }; }
    static Message check(const QString& text) { return { text, MessageRole::Check, BoxKind::Own, {}, Icon::None }; }
    static Message failure(const QString& text) { return { text, MessageRole::Failure, BoxKind::Own, {}, Icon::None }; }
};

// Where a run sends its messages, in order. The window's sink shows the boxes; the command
// line's prints one line per message; tests keep them in a list.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void show(const Message& message) = 0;
};

class MessageList : public MessageSink
{
public:
    void show(const Message& message) override { m_messages.append(message); }
    const QList<Message>& messages() const { return m_messages; }
    QStringList texts() const
    {
        QStringList out;
        for (const auto& m : m_messages)
            out << m.text;
        return out;
    }
    bool hasRole(MessageRole role) const
    {
        for (const auto& m : m_messages)
            if (m.role == role)
                return true;
        return false;
    }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
};

} // namespace orvida
