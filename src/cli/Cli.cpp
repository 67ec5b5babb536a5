#include "cli/Cli.h"

#include "cli/Commands.h"
#include "store/DatabaseCheck.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace orvida::cli {

void PrintingSink::show(const Message& message)
{
    m_out << message.text << Qt::endl;
    if (message.role == MessageRole::Check)
        m_check = true;
    else if (message.role == MessageRole::Failure)
        m_failure = true;
}

int PrintingSink::exitCode() const
{
    if (m_failure)
        return exitcode::Failure;
    if (m_check)
        return exitcode::Check;
    return exitcode::Done;
}

namespace {

struct Command
{
    const char* name;
    int (*run)(const QStringList&, Context&);
};

const Command Commands[] = {
    { "init", initCommand },       { "company", companyCommand },
    { "declare", declareCommand }, { "declare-semester", declareSemesterCommand },
    { "import", importCommand },   { "backup", backupCommand },
    { "restore", restoreCommand }, { "review", reviewCommand },
};

const char* Usage = R"(Utilizare:
  orvida [--home DIR]                      programul cu ferestre
  orvida [--home DIR] init                 creeaza Orvida.mdb daca lipseste
  orvida [--home DIR] import purchases|sales FILE [--append] [--reverse-charge]
  orvida [--home DIR] declare [--from DATA] [--to DATA] [--name TEXT] [--first-name TEXT] [--function TEXT] [--variant 2012|2013]
  orvida [--home DIR] declare-semester --semester 1|2 --mode report|restore [--name TEXT] [--first-name TEXT] [--function TEXT] [--summary FISIER.pdf]
  orvida [--home DIR] review [--from DATA] [--to DATA] [--csv FISIER] [--xlsx FISIER] [--strict]
  orvida [--home DIR] company show
  orvida [--home DIR] company set COLOANA=VALOARE ...
  orvida [--home DIR] backup FISIER        copiaza baza de date in FISIER
  orvida [--home DIR] restore FISIER       inlocuieste baza de date cu copia din FISIER
  orvida --help | --version

DATA: YYYY-MM-DD sau zz/LL/aaaa.
Folderul programului (baza de date Orvida.mdb si declaratiile): DIR daca este dat; pentru programul
instalat (orvida in bin/, langa share/orvida/), folderul de date al utilizatorului (~/.local/share/Orvida);
altfel folderul executabilului.
Restaurarea pastreaza baza de date anterioara alaturi: Orvida.mdb.inainte-de-restaurare-aaaaLLzz-hhmmss.
Cod de iesire: 0 lucrare terminata, 1 oprita de o verificare, 2 oprita de o eroare, 64 linie de comanda gresita.
)";

void setupGlobal(QCommandLineParser& p)
{
    p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    p.addOption({ QStringLiteral("home"), QStringLiteral("Folderul programului."), QStringLiteral("DIR") });
    p.addOption({ { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Ajutor.") });
    p.addOption({ { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Versiunea.") });
    p.addPositionalArgument(QStringLiteral("command"), QStringLiteral("Comanda."));
}

} // namespace

bool parseCommand(QCommandLineParser& parser, const QStringList& args, Context& ctx)
{
    if (!parser.parse(args)) {
        ctx.err << parser.errorText() << Qt::endl << Usage;
        return false;
    }
    return true;
}

namespace {

// --home with an empty folder is a wrong command line, not the current folder.
bool emptyHome(const QCommandLineParser& p)
{
    return p.isSet(QStringLiteral("home")) && p.value(QStringLiteral("home")).isEmpty();
}

} // namespace

Start startFor(const QStringList& arguments)
{
    QCommandLineParser p;
    setupGlobal(p);
    if (!p.parse(arguments) || emptyHome(p))
        return Start::Core; // a wrong command line is answered on the terminal, not in a window
    if (p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("version")))
        return Start::Answer;
    const QStringList positional = p.positionalArguments();
    if (positional.isEmpty())
        return Start::Desktop;
    // Only the summary draws; its option is matched loosely, since a platform too many costs
    // milliseconds and one too few stops the command.
    if (positional.first() == QLatin1String("declare-semester")) {
        for (const QString& a : positional.mid(1))
            if (a.startsWith(QLatin1String("--summary")))
                return Start::Painting;
    }
    return Start::Core;
}

bool namesCommand(const QStringList& arguments)
{
    return startFor(arguments) != Start::Desktop;
}

QString homeFolder(const QStringList& arguments, const QString& defaultFolder)
{
    QCommandLineParser p;
    setupGlobal(p);
    if (p.parse(arguments) && p.isSet(QStringLiteral("home")))
        return p.value(QStringLiteral("home"));
    return defaultFolder;
}

int run(const QStringList& arguments,
        const ProgramFolderChoice& folder,
        const Clock& clock,
        QTextStream& out,
        QTextStream& err,
        const SummaryWriter& writeSummary)
{
    QCommandLineParser p;
    setupGlobal(p);
    if (!p.parse(arguments)) {
        err << p.errorText() << Qt::endl << Usage;
        return exitcode::Usage;
    }
    if (emptyHome(p)) {
        err << "Optiunea --home cere un folder." << Qt::endl << Usage;
        return exitcode::Usage;
    }
    if (p.isSet(QStringLiteral("help"))) {
        out << Usage << programFolderText(folder) << Qt::endl;
        return exitcode::Done;
    }
    if (p.isSet(QStringLiteral("version"))) {
        out << "Orvida " << ORVIDA_VERSION << Qt::endl;
        return exitcode::Done;
    }
    const QStringList positional = p.positionalArguments();
    if (positional.isEmpty()) {
        err << Usage;
        return exitcode::Usage;
    }
    if (folder.origin == FolderOrigin::UserData) {
        if (const QString problem = prepareProgramFolder(folder.path); !problem.isEmpty()) {
            out << problem << Qt::endl;
            return exitcode::Failure;
        }
    }
    Context ctx { ProgramFolder(folder.path), clock, out, err, writeSummary };
    const QString name = positional.first();
    for (const Command& c : Commands) {
        if (name == QLatin1String(c.name)) {
            // Opening another program's SQLite file for work would already change it (its journal);
            // init leaves an existing file alone and restore keeps it aside.
            if (name != QLatin1String("init") && name != QLatin1String("restore")) {
                if (Status s = store::checkOrvidaTables(ctx.folder.databasePath()); !s) {
                    out << s.failure().description << Qt::endl;
                    err << "Alegeti alt folder cu --home." << Qt::endl;
                    return exitcode::Check;
                }
            }
            const QStringList args = QStringList { arguments.value(0) + QLatin1Char(' ') + name } + positional.mid(1);
            const int code = c.run(args, ctx);
            // The store's report says the database is missing; the command line says how to make it.
            if (code == exitcode::Failure && name != QLatin1String("init")
                && !QFileInfo::exists(ctx.folder.databasePath()))
                err << QStringLiteral("Baza de date se creeaza cu comanda: orvida%1 init")
                           .arg(folder.origin == FolderOrigin::Home ? QStringLiteral(" --home \"%1\"").arg(folder.path)
                                                                    : QString())
                    << Qt::endl;
            out.flush();
            err.flush();
            return code;
        }
    }
    err << QStringLiteral("Comanda necunoscuta: %1").arg(name) << Qt::endl << Usage;
    return exitcode::Usage;
}

} // namespace orvida::cli
