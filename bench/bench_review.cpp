// The review against the declaration on the same large journal pair: 1,000,000 journal rows with
// about 50,000 partners (one code in twenty-five too short, so the screening has rows to leave out),
// generated straight into a fresh database. Runs `orvida declare` and `orvida review` as processes,
// alternately, and prints the best time and the peak memory of each, then the ratio.
//
//   build/bench/bench_review [ROWS] [PARTNERS] [ROUNDS]

#include "Process.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

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
    auto p
        = c->prepare(QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7) VALUES (?, ?, ?, ?, ?)"));
    auto s
        = c->prepare(QStringLiteral("INSERT INTO zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7) VALUES (?, ?, ?, ?, ?)"));
    if (!p || !s)
        return false;
    QRandomGenerator rng(394);
    const int half = partners / 2;
    for (int i = 0; i < rows; ++i) {
        const bool purchase = i % 2 == 0;
        const int partner = int(rng.bounded(half)) + (purchase ? 0 : half);
        const QString name = QStringLiteral("Partener %1 SRL").arg(partner, 6, 10, QLatin1Char('0'));
        const QString code = partner % 25 == 0 ? QStringLiteral("RO1") : QStringLiteral("RO%1").arg(10000000 + partner);
        const double base = double(rng.bounded(10000));
        const double vat = std::round(base * 0.19);
        auto& st = purchase ? *p : *s;
        if (!st.bindAll({ name, code, base + vat, base, vat }) || !st.run())
            return false;
    }
    return tx.commit().ok();
}

struct Measure
{
    double seconds = 0;
    double peakMb = 0;
};

Measure runProcess(const QStringList& args)
{
    std::vector<std::string> argv;
    for (const QString& a : args)
        argv.push_back(a.toLocal8Bit().toStdString());
    // The review prints every finding: standard output goes nowhere, so the terminal is not measured.
    const ProcessRun run = runQuietly(argv, false);
    if (!run.started)
        return {};
    return { run.wallMs / 1000.0, run.usage.ru_maxrss / 1024.0 };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int partners = argc > 2 ? std::atoi(argv[2]) : 50000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    QTemporaryDir temporary;
    const ProgramFolder folder(temporary.path());
    if (!store::initDatabase(folder, 2024) || !fill(folder, rows, partners)) {
        std::fprintf(stderr, "the database could not be filled\n");
        return 1;
    }
    std::printf("%d journal rows, %d partners\n", rows, partners);

    const QString binary = QStringLiteral(ORVIDA_BINARY);
    const QStringList declare = { binary,
                                  QStringLiteral("--home"),
                                  temporary.path(),
                                  QStringLiteral("declare"),
                                  QStringLiteral("--name"),
                                  QStringLiteral("Pop"),
                                  QStringLiteral("--function"),
                                  QStringLiteral("Administrator") };
    const QStringList review = { binary, QStringLiteral("--home"), temporary.path(), QStringLiteral("review") };
    Measure bestDeclare { 1e9, 0 }, bestReview { 1e9, 0 };
    for (int i = 0; i < rounds; ++i) {
        const Measure d = runProcess(declare);
        const Measure r = runProcess(review);
        bestDeclare = { std::min(bestDeclare.seconds, d.seconds), std::max(bestDeclare.peakMb, d.peakMb) };
        bestReview = { std::min(bestReview.seconds, r.seconds), std::max(bestReview.peakMb, r.peakMb) };
    }
    std::printf("orvida declare: %6.2f s, peak memory %.1f MB\n", bestDeclare.seconds, bestDeclare.peakMb);
    std::printf("orvida review:  %6.2f s, peak memory %.1f MB\n", bestReview.seconds, bestReview.peakMb);
    std::printf("review / declare: %.2f (target at most 1.5)\n", bestReview.seconds / bestDeclare.seconds);
    return 0;
}
