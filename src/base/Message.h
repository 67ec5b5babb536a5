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

// What a message names that the window offers to open beside its OK button: the folder a file
// was written to, or the semester run's error list itself.
enum class Opens { Nothing, Folder, ErrorList };

struct Message
{
    QString text;
    MessageRole role = MessageRole::Info;
    BoxKind box = BoxKind::Own;
    QString title; // empty: the product name
    Icon icon = Icon::None;
    Opens opens = Opens::Nothing;
    QString openPath; // the folder or file to open, with forward slashes

    bool operator==(const Message&) const = default;

    static Message info(const QString& text) { return of(text, MessageRole::Info); }
    static Message check(const QString& text) { return of(text, MessageRole::Check); }
    static Message failure(const QString& text) { return of(text, MessageRole::Failure); }
    static Message of(const QString& text, MessageRole role)
    {
        Message m;
        m.text = text;
        m.role = role;
        return m;
    }
    Message opening(Opens what, const QString& path) const
    {
        Message m = *this;
        m.opens = what;
        m.openPath = path;
        return m;
    }
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
