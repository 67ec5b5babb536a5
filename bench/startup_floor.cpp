// The start-up floor: a program that links QtCore alone and prints a version line, as
// `orvida --version` does. Built twice: startup_floor links QtCore only, startup_linked every
// library orvida links, so that bench_startup shows what loading them costs by itself.

#include <QTextStream>

int main()
{
    QTextStream out(stdout);
    out << "Orvida " << ORVIDA_VERSION << Qt::endl;
    return 0;
}
