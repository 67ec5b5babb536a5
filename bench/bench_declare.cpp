// The declaration on a large journal pair: 1,000,000 journal rows with about 50,000 partners,
// generated straight into a fresh database. Prints the time of the two grouped queries alone,
// of `orvida declare` as a process (with its peak memory), and of a naive script doing the same
// job, then the ratios.
//
//   build/bench/bench_declare [--fill-only] [ROWS] [PARTNERS] [FOLDER]
//
// FOLDER (optional, must not exist yet) keeps the generated program folder for profiling;
// --fill-only generates it and measures nothing (bench/run does its own measuring).

#include "declaration/PartnerTotals.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>

using namespace orvida;

namespace {

bool fill(const ProgramFolder& folder, int rows, int partners)
{
    auto c = store::openDatabase(folder);
    if (!c)
        return false;
    store::Transaction tx(*c);
    if (!c->exec(QStringLiteral("UPDATE Zet_Info SET CODFISCAL = 'RO14399840', DENUMIRE = 'Exemplu SRL'")))
        return false;
    auto p = c->prepare(QStringLiteral(
        "INSERT INTO zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7, COL16, COL17) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    auto s = c->prepare(
        QStringLiteral("INSERT INTO zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7, COL10) VALUES (?, ?, ?, ?, ?, ?)"));
    if (!p || !s)
        return false;
    QRandomGenerator rng(394);
    const int half = partners / 2;
    for (int i = 0; i < rows; ++i) {
        const bool purchase = i % 2 == 0;
        const int partner = int(rng.bounded(half)) + (purchase ? 0 : half);
        const QString name = QStringLiteral("Partener %1 SRL").arg(partner, 6, 10, QLatin1Char('0'));
        const QString code = QStringLiteral("RO%1").arg(10000000 + partner);
        // The import rounds amounts to whole units.
        const double base = double(rng.bounded(10000));
        const double vat = std::round(base * 0.19);
        const bool reverse = rng.bounded(10) == 0;
        if (purchase) {
            if (!p->bindAll({ name, code, base + vat, reverse ? 0.0 : base, reverse ? 0.0 : vat, reverse ? base : 0.0,
                              reverse ? vat : 0.0 })
                || !p->run())
                return false;
        } else {
            if (!s->bindAll({ name, code, base + vat, reverse ? 0.0 : base, reverse ? 0.0 : vat, reverse ? base : 0.0 })
                || !s->run())
                return false;
        }
    }
    return tx.commit().ok();
}

double cpuSeconds(int who)
{
    rusage u {};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double groupedQueriesAlone(const ProgramFolder& folder, int& groups)
{
    QElapsedTimer t;
    t.start();
    groups = 0;
    auto c = store::openDatabase(folder);
    for (auto j : { declaration::Journal::Purchases, declaration::Journal::Sales }) {
        auto st = c->prepare(declaration::partnerTotalsSql(j));
        while (true) {
            auto more = st->step();
            if (!more || !*more)
                break;
            ++groups;
        }
    }
    return t.elapsed() / 1000.0;
}

// The declaration's reading of the partner totals: one pass over each journal, grouped in memory.
double onePassAlone(const ProgramFolder& folder, int& groups)
{
    QElapsedTimer t;
    t.start();
    groups = 0;
    auto c = store::openDatabase(folder);
    for (auto j : { declaration::Journal::Purchases, declaration::Journal::Sales }) {
        auto totals = declaration::partnerTotals(*c, j);
        if (totals)
            groups += totals->size();
    }
    return t.elapsed() / 1000.0;
}

// Both journals' partner totals on two threads: the sales journal's one pass beside the purchases'
// (as the run read them before the chunks), or the chunks taken in turn by both threads.
double bothJournals(const ProgramFolder& folder, bool chunks, int& groups, declaration::TotalsPaths& paths)
{
    using declaration::Journal;
    QElapsedTimer t;
    t.start();
    groups = 0;
    auto c = store::openDatabase(folder);
    const auto purchases = declaration::partnerGroupedTotals(Journal::Purchases);
    const auto sales = declaration::partnerGroupedTotals(Journal::Sales);
    if (chunks) {
        auto [p, s] = declaration::journalTotals(folder, *c, purchases, sales, &paths);
        groups = int((p ? p->size() : 0) + (s ? s->size() : 0));
        return t.elapsed() / 1000.0;
    }
    auto salesRead = std::async(std::launch::async, [&folder, &sales] {
        auto salesConnection = store::openDatabase(folder);
        return declaration::groupedTotals(*salesConnection, sales);
    });
    auto p = declaration::groupedTotals(*c, purchases);
    auto s = salesRead.get();
    groups = int((p ? p->size() : 0) + (s ? s->size() : 0));
    return t.elapsed() / 1000.0;
}

const char* NaiveScript = R"(
import sqlite3, sys, xml.etree.ElementTree as ET
db = sqlite3.connect(sys.argv[1] + '/Orvida.mdb')
root = ET.Element('declaratie394')
lines = ['394']
for sql in sys.argv[2:]:
    for nume, codf, nr, baza, tva, tax in db.execute(sql):
        code = codf[2:] if codf.upper().startswith('RO') else codf
        ET.SubElement(root, 'op1', tip='A', cuiP=code, denP=nume, nrFact=str(nr), baza=str(round(baza or 0, 2)),
                      tva=str(round(tva or 0, 2)))
        lines.append('#A#,%s,#%s#,%s,%s,%s' % (code, nume, nr, round(baza or 0, 2), round(tva or 0, 2)))
ET.ElementTree(root).write(sys.argv[1] + '/naive.xml')
open(sys.argv[1] + '/naive.txt', 'w', encoding='cp1250', newline='\r\n').write('\n'.join(lines) + '\n')
)";

double timeProcess(const QString& program, const QStringList& args)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    p.waitForFinished(-1);
    const double s = t.elapsed() / 1000.0;
    if (p.exitCode() != 0)
        std::fprintf(stderr, "%s exited with %d: %s\n", qPrintable(program), p.exitCode(),
                     p.readAllStandardOutput().constData());
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool fillOnly = argc > 1 && std::strcmp(argv[1], "--fill-only") == 0;
    const int first = fillOnly ? 2 : 1;
    const int rows = argc > first ? std::atoi(argv[first]) : 1000000;
    const int partners = argc > first + 1 ? std::atoi(argv[first + 1]) : 50000;
    QTemporaryDir temporary;
    const QString path = argc > first + 2 ? QString::fromLocal8Bit(argv[first + 2]) : temporary.path();
    QDir().mkpath(path);
    const ProgramFolder folder(path);
    if (!store::initDatabase(folder, 2024) || !fill(folder, rows, partners)) {
        std::fprintf(stderr, "the database could not be filled\n");
        return 1;
    }
    if (fillOnly)
        return 0;
    std::printf("%d journal rows, %d partners\n", rows, partners);

    int groups = 0;
    double alone = 0;
    // Interleaved, so that a busy machine weighs on both alike.
    for (int round = 0; round < 3; ++round) {
        double cpuBefore = cpuSeconds(RUSAGE_SELF);
        alone = groupedQueriesAlone(folder, groups);
        std::printf("grouped queries alone:  %6.2f s, cpu %.2f s (%d groups)\n", alone,
                    cpuSeconds(RUSAGE_SELF) - cpuBefore, groups);
        cpuBefore = cpuSeconds(RUSAGE_SELF);
        const double pass = onePassAlone(folder, groups);
        std::printf("one pass, grouped after: %5.2f s, cpu %.2f s (%d groups)\n", pass,
                    cpuSeconds(RUSAGE_SELF) - cpuBefore, groups);
        for (const bool chunks : { false, true }) {
            declaration::TotalsPaths paths;
            cpuBefore = cpuSeconds(RUSAGE_SELF);
            const double both = bothJournals(folder, chunks, groups, paths);
            std::printf("%s %5.2f s, cpu %.2f s (%d groups)%s\n",
                        chunks ? "both journals in chunks:" : "one pass per thread:    ", both,
                        cpuSeconds(RUSAGE_SELF) - cpuBefore, groups,
                        chunks && !(paths.purchases && paths.sales) ? " (one pass after all)" : "");
        }
    }

    const double declare
        = timeProcess(QStringLiteral(ORVIDA_BINARY),
                      { QStringLiteral("--home"), path, QStringLiteral("declare"), QStringLiteral("--name"),
                        QStringLiteral("Pop"), QStringLiteral("--function"), QStringLiteral("Administrator") });
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;
    std::printf("orvida declare:         %6.2f s, cpu %.2f s, peak memory %.1f MB\n", declare,
                cpuSeconds(RUSAGE_CHILDREN), peakMb);

    const double naive = timeProcess(QStringLiteral("python3"),
                                     { QStringLiteral("-c"), QString::fromUtf8(NaiveScript), path,
                                       declaration::partnerTotalsSql(declaration::Journal::Purchases),
                                       declaration::partnerTotalsSql(declaration::Journal::Sales) });
    std::printf("naive script:           %6.2f s\n", naive);

    std::printf("declare / queries alone: %.2f (target at most 1.5)\n", declare / alone);
    std::printf("declare / naive script:  %.2f (target below 1)\n", declare / naive);
    return 0;
}
