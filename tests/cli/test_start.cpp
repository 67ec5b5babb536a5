#include "cli/Cli.h"
#include "support/TestFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace orvida;
using cli::Start;
using test::runOrvida;

TEST(Start, OnlyTheWindowsAndTheSummaryStartAGuiPlatform)
{
    const QString pdf = QStringLiteral("r.pdf");
    const QStringList semester { QStringLiteral("declare-semester"), QStringLiteral("--semester"), QStringLiteral("1"),
                                 QStringLiteral("--mode"), QStringLiteral("report") };
    struct Case
    {
        QStringList args;
        Start start;
    } cases[] = {
        { {}, Start::Desktop },
        { { QStringLiteral("--home"), QStringLiteral("/tmp/x") }, Start::Desktop },
        { { QStringLiteral("--version") }, Start::Answer },
        { { QStringLiteral("-v") }, Start::Answer },
        { { QStringLiteral("--home"), QStringLiteral("/tmp/x"), QStringLiteral("--help") }, Start::Answer },
        { { QStringLiteral("--help"), QStringLiteral("init") }, Start::Answer },
        // After the command its own options follow: its parser answers them.
        { { QStringLiteral("init"), QStringLiteral("--help") }, Start::Core },
        { { QStringLiteral("--nimic") }, Start::Core },
        { { QStringLiteral("--home"), QString(), QStringLiteral("--version") }, Start::Core },
        { { QStringLiteral("company"), QStringLiteral("show") }, Start::Core },
        { { QStringLiteral("declare"), QStringLiteral("--name"), QStringLiteral("N") }, Start::Core },
        { { QStringLiteral("review"), QStringLiteral("--xlsx"), QStringLiteral("r.xlsx") }, Start::Core },
        { semester, Start::Core },
        { semester + QStringList { QStringLiteral("--summary"), pdf }, Start::Painting },
        { semester + QStringList { QStringLiteral("--summary=") + pdf }, Start::Painting },
        { { QStringLiteral("--home"), QStringLiteral("/tmp/x"), QStringLiteral("declare-semester"),
            QStringLiteral("--summary"), pdf },
          Start::Painting },
        // Only the semester run draws its summary; another command given the option refuses it.
        { { QStringLiteral("declare"), QStringLiteral("--summary"), pdf }, Start::Core },
    };
    for (const Case& c : cases) {
        const QStringList args = QStringList { QStringLiteral("orvida") } + c.args;
        EXPECT_EQ(cli::startFor(args), c.start) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(cli::namesCommand(args), c.start != Start::Desktop) << c.args.join(QLatin1Char(' ')).toStdString();
    }
}

// A GUI application stops at once when its platform cannot be loaded: commands that never draw
// run under a platform name that does not exist, as they would where no GUI library can start.
TEST(Start, CommandsThatNeverDrawNeedNoGuiPlatform)
{
    test::TestFolder t;
    t.load(QStringLiteral(ORVIDA_TEST_DATA "/semester/fixture.sql"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("nu-exista"));
    env.insert(QStringLiteral("WINEPREFIX"), t.file(QStringLiteral("fara-wine")));
    const QStringList home { QStringLiteral("--home"), t.path() };
    struct Case
    {
        QStringList args;
        const char* out; // the start of standard output
    } cases[] = {
        { { QStringLiteral("--version") }, "Orvida " },
        { home + QStringList { QStringLiteral("--help") }, "Utilizare:" },
        { home + QStringList { QStringLiteral("company"), QStringLiteral("show") }, "DENUMIRE=Exemplu" },
        { home + QStringList { QStringLiteral("review") }, "Verificarea declaratiei D394" },
        { home
              + QStringList { QStringLiteral("declare"), QStringLiteral("--name"), QStringLiteral("N"),
                              QStringLiteral("--function"), QStringLiteral("F") },
          "Fisierul D394.xml a fost generat" },
        { home
              + QStringList { QStringLiteral("declare-semester"), QStringLiteral("--semester"), QStringLiteral("1"),
                              QStringLiteral("--mode"), QStringLiteral("report"), QStringLiteral("--name"),
                              QStringLiteral("P"), QStringLiteral("--function"), QStringLiteral("F") },
          "Fisierul " },
        { home
              + QStringList { QStringLiteral("import"), QStringLiteral("purchases"),
                              QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx") },
          "Importul s-a realizat cu succes" },
    };
    for (const Case& c : cases) {
        const auto r = runOrvida(c.args, env);
        const std::string name = c.args.mid(2).join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.err.toStdString();
        EXPECT_EQ(r.err, QString()) << name;
        EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.out))) << name << "\n" << r.out.toStdString();
    }
}

// On a server: no platform chosen, no display, no runtime folder. The summary still starts the
// offscreen platform by itself, finds its fonts and embeds them, and Qt prints nothing of its own.
TEST(Start, TheSummaryRendersWithoutADisplay)
{
    test::TestFolder t;
    t.load(QStringLiteral(ORVIDA_TEST_DATA "/semester/fixture.sql"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR" })
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("WINEPREFIX"), t.file(QStringLiteral("fara-wine")));
    const QString pdf = t.file(QStringLiteral("rezumat.pdf"));
    const auto r = runOrvida({ QStringLiteral("--home"), t.path(), QStringLiteral("declare-semester"),
                               QStringLiteral("--semester"), QStringLiteral("1"), QStringLiteral("--mode"),
                               QStringLiteral("report"), QStringLiteral("--name"), QStringLiteral("P"),
                               QStringLiteral("--function"), QStringLiteral("F"), QStringLiteral("--summary"), pdf },
                             env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    const QByteArray bytes = test::readFile(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.contains("/FontFile")) << "no font embedded";
}
