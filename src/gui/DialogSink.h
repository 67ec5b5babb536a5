#pragma once

#include "base/Message.h"

class QWidget;

namespace orvida {

class Prompts;

// A window's message sink: each message of a run is shown as it arrives, in the program's own
// box or in the platform's standard box, as the run says, with its title and icon.
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

} // namespace orvida
