#pragma once

#include "base/Clock.h"
#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/ProgramFolderChoice.h"
#include "base/Result.h"

#include <QStringList>
#include <QTextStream>

#include <functional>

namespace orvida::declaration {
struct SummaryPage;
}

namespace orvida::cli {

// Exit status of the command line.
namespace exitcode {
constexpr int Done = 0;
constexpr int Check = 1; // an input check stopped the job
constexpr int Failure = 2; // a failure stopped it; its report was printed
constexpr int Usage = 64; // the command line itself is wrong
} // namespace exitcode

// Writes the semester summary as PDF (declaration::saveSummaryPdf). The command line draws nothing
// itself: the executable that links the painting library passes the writer in, the lean one none.
using SummaryWriter = std::function<Status(const QString& path, const declaration::SummaryPage& page)>;

struct Context
{
    ProgramFolder folder;
    const Clock& clock;
    QTextStream& out;
    QTextStream& err;
    SummaryWriter writeSummary; // empty: this executable cannot draw the summary
};

// Prints each message on standard output as it arrives and remembers the worst role seen.
class PrintingSink : public MessageSink
{
public:
    explicit PrintingSink(QTextStream& out)
        : m_out(out)
    { }
    void show(const Message& message) override;
    int exitCode() const;

private:
    QTextStream& m_out;
    bool m_check = false;
    bool m_failure = false;
};

// What the entry point starts for a command line before it hands the arguments on.
enum class Start {
    Desktop, // the windows: a QApplication
    Answer, // --help, --version: answered before any application object
    Core, // a command that never draws: a QCoreApplication, no GUI platform
    Painting, // a command that draws pages (the semester summary's PDF): a QGuiApplication
};
Start startFor(const QStringList& arguments);

// True when the command line answers rather than the windows (anything but Start::Desktop).
bool namesCommand(const QStringList& arguments);

// Runs the command line. `arguments` is the full argument list (program name first); `folder`
// is the program folder the entry point chose (--home already applied). The user's data folder
// is created before a command uses it. Without `writeSummary` a command that draws fails.
int run(const QStringList& arguments,
        const ProgramFolderChoice& folder,
        const Clock& clock,
        QTextStream& out,
        QTextStream& err,
        const SummaryWriter& writeSummary = {});

// The --home folder, or `defaultFolder` when none is given.
QString homeFolder(const QStringList& arguments, const QString& defaultFolder);

} // namespace orvida::cli
