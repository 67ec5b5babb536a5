// The start-up floor of `orvida --version`: a program that parses the same option and prints the
// same line. Built twice: startup_floor links QtCore alone, startup_linked every library orvida-desktop
// links, so that the benchmarks show what loading them costs by itself.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.addOption({ { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Versiunea.") });
    p.process(app);
    if (p.isSet(QStringLiteral("version")))
        QTextStream(stdout) << "Orvida " << ORVIDA_VERSION << Qt::endl;
    return 0;
}
