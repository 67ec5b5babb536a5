// The semester declaration on a large journal pair: 1,000,000 journal rows with about 50,000
// partners, a tenth of them both customer and supplier, generated straight into a fresh database.
// Prints the time of the six grouped queries alone (those of passes A to F), of a whole run in
// each mode, the ratio, and how the listing of passes A and B grows with the number of rows it
// screens (a repeated code is looked up among the codes listed so far, so it should grow linearly).
//
//   build/bench/bench_semester [--fill-only] [ROWS] [PARTNERS] [FOLDER]
//
// FOLDER (optional, must not exist yet) keeps the generated program folder for profiling;
// --fill-only generates it and measures nothing (bench/run does its own measuring).

#include "base/Dates.h"
#include "declaration/DeclarationRun.h"
#include "declaration/SemesterPasses.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace orvida;
using namespace orvida::declaration;

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
    // Customers are partners [0, 55%), suppliers [45%, 100%): the middle tenth is both.
    const int customers = partners * 55 / 100;
    const int firstSupplier = partners * 45 / 100;
    for (int i = 0; i < rows; ++i) {
        const bool purchase = i % 2 == 0;
        const int partner
            = purchase ? firstSupplier + int(rng.bounded(partners - firstSupplier)) : int(rng.bounded(customers));
        const QString name = QStringLiteral("Partener %1 SRL").arg(partner, 6, 10, QLatin1Char('0'));
        const QString code = QStringLiteral("RO%1").arg(10000000 + partner);
        const double base = double(rng.bounded(100000)) / 100;
        auto& st = purchase ? p : s;
        if (!st->bindAll({ name, code, base * 1.19, base, base * 0.19 }) || !st->run())
            return false;
    }
    return tx.commit().ok();
}

double queriesAlone(const ProgramFolder& folder, std::initializer_list<SemesterPass> passes, qint64& groups)
{
    QElapsedTimer t;
    t.start();
    groups = 0;
    for (SemesterPass pass : passes) {
        auto rows = store::query(folder, passQuery(pass));
        if (rows)
            groups += rows->size();
    }
    return t.elapsed() / 1000.0;
}

// The two journals' totals as a run reads them (one pass each, one after the other).
double totalsAlone(const ProgramFolder& folder)
{
    auto connection = store::openDatabase(folder);
    if (!connection)
        return 0;
    QElapsedTimer t;
    t.start();
    for (Journal journal : { Journal::Sales, Journal::Purchases })
        if (!groupedTotals(*connection, semesterTotals(journal)))
            std::fprintf(stderr, "the totals could not be read\n");
    return t.elapsed() / 1000.0;
}

double wholeRun(const ProgramFolder& folder, bool report, SemesterTotals& totals)
{
    FixedClock clock(QDateTime(QDate(2024, 12, 31), QTime(12, 0)));
    company::CompanyParameters parameters;
    parameters.DataIN = dates::toSerial(QDate(2024, 1, 1));
    parameters.DataSN = dates::toSerial(QDate(2024, 12, 31));
    const DeclarationContext ctx { folder, clock, parameters, QString() };
    DeclarationInputs in;
    in.declarant.name = QStringLiteral("Popescu");
    in.declarant.function = QStringLiteral("Administrator");
    in.rules2012 = false;
    in.reportFile = report;
    MessageList messages;
    QElapsedTimer t;
    t.start();
    const DeclarationOutcome outcome = runDeclaration(in, ctx, messages);
    const double s = t.elapsed() / 1000.0;
    if (outcome.end != DeclarationOutcome::End::Written || !outcome.semester)
        std::fprintf(stderr, "the run did not complete: %s\n", qPrintable(messages.texts().join(QLatin1Char('\n'))));
    else
        totals = outcome.semester->totals;
    return s;
}

// The screening of passes A and B over the first `rows` rows of their two queries.
double listing(const store::RecordSet& a, const store::RecordSet& b, int rows)
{
    QElapsedTimer t;
    t.start();
    QSet<QString> listed;
    QString errors;
    int taken = 0;
    for (auto [pass, rs] : { std::pair { SemesterPass::A, &a }, std::pair { SemesterPass::B, &b } }) {
        for (const QList<Value>& r : rs->rows) {
            if (taken++ >= rows)
                break;
            if (auto code = screen(passRule(pass), passJournal(pass), r[0], r[1], listed, &errors))
                listed.insert(*code);
        }
    }
    return t.nsecsElapsed() / 1e9;
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

    qint64 groups = 0;
    const auto six
        = { SemesterPass::A, SemesterPass::B, SemesterPass::C, SemesterPass::D, SemesterPass::E, SemesterPass::F };
    queriesAlone(folder, six, groups); // warms the file cache for every measurement
    const double alone = queriesAlone(folder, six, groups);
    std::printf("six grouped queries alone: %6.2f s (%lld groups)\n", alone, static_cast<long long>(groups));

    std::printf("both journals' totals:     %6.2f s (one pass each, one after the other)\n", totalsAlone(folder));

    SemesterTotals totals;
    const double report = wholeRun(folder, true, totals);
    std::printf("report run (A, B, E, F):   %6.2f s, %d partners listed\n", report, totals.NRTERTI);
    const double restore = wholeRun(folder, false, totals);
    std::printf("restore run (A, B, C, D):  %6.2f s\n", restore);
    std::printf("both runs / six queries:   %.2f (target at most 2; each run groups each journal once)\n",
                (report + restore) / alone);
    qint64 ignored = 0;
    const double reportQueries
        = queriesAlone(folder, { SemesterPass::A, SemesterPass::B, SemesterPass::E, SemesterPass::F }, ignored);
    const double restoreQueries
        = queriesAlone(folder, { SemesterPass::A, SemesterPass::B, SemesterPass::C, SemesterPass::D }, ignored);
    std::printf("each run / the four queries it once sent: report %.2f, restore %.2f\n", report / reportQueries,
                restore / restoreQueries);

    auto a = store::query(folder, passQuery(SemesterPass::A));
    auto b = store::query(folder, passQuery(SemesterPass::B));
    if (a && b) {
        const int all = a->size() + b->size();
        const double half = listing(*a, *b, all / 2);
        const double whole = listing(*a, *b, all);
        std::printf("listing A+B screening:     %.4f s for %d rows, %.4f s for %d (ratio %.2f, linear is 2)\n", half,
                    all / 2, whole, all, whole / half);
    }
    return 0;
}
