#pragma once

#include "base/Message.h"

#include <optional>

class QWidget;

namespace orvida {

class Prompts;

// A window's message sink: each message of a run is shown as it arrives, in the program's own
// box or in the platform's standard box, as the run says, with its title and icon. A message
// that names a written file or folder gets a button that opens it.
class DialogSink : public MessageSink
{
public:
    DialogSink(Prompts& prompts, QWidget* parent)
        : m_prompts(prompts)
        , m_parent(parent)
    { }

    void show(const Message& message) override;

private:
    Prompts& m_prompts;
    QWidget* m_parent;
};

// The style bits of the program's own box for a message: one OK button and the message's icon.
int styleOf(const Message& message);

// A file or folder that a message reports as written, which its box offers to open with a button
// beside OK: the folder of a declaration, or the semester run's error list.
struct Openable
{
    QString caption;
    QString path;
};
std::optional<Openable> openableIn(const Message& message);

} // namespace orvida
