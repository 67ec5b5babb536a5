// Files made to hang the import or exhaust its memory. Each import runs in a child process under
// resource limits (address space, processor time, and an alarm for a read that would block), so a
// regression fails its row instead of taking the test run down.
#include "ImportTestSupport.h"

#include "base/ErrorReport.h"
#include "import/ImportRun.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define ORVIDA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define ORVIDA_SANITIZED 1
#endif
#endif

using namespace orvida;
using namespace orvida::test;

namespace {

// Beyond what the process had mapped when the child started: the readers need a few megabytes;
// each fixture below took several hundred before it was bounded.
constexpr rlim_t MemoryBudget = rlim_t(128) << 20;

struct ChildResult
{
    bool exited = false; // normally, rather than killed by a signal
    int status = -1; // exit status, or the signal
    QString output;
};

// Runs `body` in a child process under the limits; its returned text comes back through a pipe.
ChildResult runBounded(const std::function<QString()>& body)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        alarm(60); // a read that blocks would wait forever
        rlimit cpu { 30, 30 };
        setrlimit(RLIMIT_CPU, &cpu);
#ifndef ORVIDA_SANITIZED // the sanitizers reserve terabytes of address space up front
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (statm.open(QIODevice::ReadOnly)) {
            const rlim_t mapped = statm.readLine().split(' ').value(0).toULongLong() * rlim_t(sysconf(_SC_PAGESIZE));
            rlimit as { mapped + MemoryBudget, mapped + MemoryBudget };
            setrlimit(RLIMIT_AS, &as);
        }
#endif
        QByteArray out;
        try {
            out = body().toUtf8();
        } catch (...) { // std::bad_alloc: the memory ran out
            _exit(4);
        }
        for (qsizetype at = 0; at < out.size();) {
            const ssize_t n = write(fds[1], out.constData() + at, size_t(out.size() - at));
            if (n <= 0)
                _exit(3);
            at += n;
        }
        _exit(0);
    }
    close(fds[1]);
    ChildResult r;
    QByteArray out;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return r;
    r.exited = WIFEXITED(status);
    r.status = r.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    r.output = QString::fromUtf8(out);
    return r;
}

QStringList journal(const TestFolder& t, const QString& table)
{
    auto rs = store::query(t.folder(), QStringLiteral("select NUME, CODF, TOTAL from %1 order by rowid").arg(table));
    EXPECT_TRUE(rs.ok());
    QStringList out;
    for (int r = 0; rs.ok() && r < rs->size(); ++r)
        out << rs->value(r, QStringLiteral("NUME")).toText().left(40) + QLatin1Char('|')
                + rs->value(r, QStringLiteral("CODF")).toText();
    return out;
}

// The input of one row: a fixture of tests/data, or something made in the program folder.
using Make = std::function<QString(const TestFolder&)>;

Make data(const char* name)
{
    return [name](const TestFolder&) {
        return dataFile(QString::fromLatin1(name));
    };
}

Make fifo()
{
    return [](const TestFolder& t) {
        const QString path = t.file(QStringLiteral("jurnal.xlsx"));
        EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    };
}

Make folder()
{
    return [](const TestFolder& t) {
        const QString path = t.file(QStringLiteral("IMPORT/jurnal.xls"));
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    };
}

// A file of `gibibytes` that holds only `head`: sparse, it takes no room on the disk.
Make sparse(QByteArray head, qint64 gibibytes)
{
    return [head, gibibytes](const TestFolder& t) {
        const QString path = t.file(QStringLiteral("mare.xlsx"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(head);
        EXPECT_TRUE(f.resize(gibibytes << 30));
        return path;
    };
}

import::Limits unlimitedRatio(){ import::Limits l;
l.sharedStringsRatio = qint64(1) << 40;
return l;
} // namespace

const QString Success = QStringLiteral("Importul s-a realizat cu succes");

} // namespace

// Each hostile input ends in its step's structure message (or in success, where the file is sound
// but costly), within the limits, and a failure leaves both journals as they were.
TEST(HostileWorkbooks, FailAtTheirStepWithinBoundedMemoryAndTime)
{
    struct Case
    {
        const char* name;
        Make make;
        int label; // 0: the import succeeds
        QString reason; // part of the failure's description; for a success, the rows written
        import::Limits limits = {};
    };
    const QString notAFile = QStringLiteral("nu este un fisier obisnuit");
    const QString tooLarge = QStringLiteral("depaseste dimensiunea admisa");
    const QString damaged = QStringLiteral("deteriorat");
    const Case cases[] = {
        // Nothing is read from a pipe, a device or a folder: a pipe without a writer would block.
        { "fifo", fifo(), 140, notAFile },
        { "device", [](const TestFolder&) { return QStringLiteral("/dev/zero"); }, 140, notAFile },
        { "folder", folder(), 140, notAFile },
        // Sixteen gibibytes: the format is told by the first bytes, the zip read by seeking.
        { "sparse zip", sparse(QByteArray("PK\x03\x04", 4), 16), 140, damaged },
        { "sparse text", sparse("NUME;CODFISCAL\n", 16), 140, QStringLiteral("nu este un registru") },
        // The styles and shared strings named 5,000 times each are read once.
        { "repeated-rels.xlsx", data("repeated-rels.xlsx"), 0, QStringLiteral("2") },
        // 8 million empty shared strings: refused for their inflation, or held in 4 bytes each.
        { "many-empty-strings.xlsx", data("many-empty-strings.xlsx"), 160, tooLarge },
        { "many-empty-strings.xlsx unlimited", data("many-empty-strings.xlsx"), 0, QStringLiteral("1"),
          unlimitedRatio() },
        // A 48 MB cell is refused as it is read, naming its place.
        { "long-inline-cell.xlsx", data("long-inline-cell.xlsx"), 170, QStringLiteral("randul 2, coloana A") },
        { "cell-limit.xlsx", data("cell-limit.xlsx"), 460,
          QStringLiteral("Celula din randul 3, coloana A, are mai mult de 32767 de caractere.") },
        { "long-tag.xlsx", data("long-tag.xlsx"), 170, damaged },
    };
    for (const Case& c : cases) {
        for (bool replaceJournal : { true, false }) {
            SCOPED_TRACE(
                QStringLiteral("%1, empty first %2").arg(QLatin1String(c.name)).arg(replaceJournal).toStdString());
            TestFolder t;
            t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO1', 119)"));
            t.exec(QStringLiteral("insert into zet_jvt_UE (NUME, CODF, TOTAL) values ('Vechi', 'RO2', 119)"));
            const QStringList purchases = journal(t, QStringLiteral("zet_jct_UE"));
            const QStringList sales = journal(t, QStringLiteral("zet_jvt_UE"));
            import::ImportInputs in;
            in.path = c.make(t);
            in.replaceJournal = replaceJournal;
            const ChildResult child = runBounded([&] {
                MessageList sink;
                const auto outcome = import::importJournal(in, t.folder(), sink, c.limits);
                return QStringList { QString::number(outcome.label), sink.texts().join(QLatin1Char('/')),
                                     outcome.ok() ? QString::number(outcome.rowsWritten) : outcome.failure.description }
                    .join(QLatin1Char('\n'));
            });
            const QStringList got = child.output.split(QLatin1Char('\n'));
            if (!child.exited || child.status != 0 || got.size() != 3) {
                ADD_FAILURE() << (child.exited ? "exited with " : "killed by signal ") << child.status;
                continue;
            }
            EXPECT_EQ(got[0].toInt(), c.label) << got[2].toStdString();
            EXPECT_EQ(got[1], c.label ? report::importStructure(c.label).text : Success);
            if (c.label) {
                EXPECT_TRUE(got[2].contains(c.reason)) << got[2].toStdString();
                EXPECT_EQ(journal(t, QStringLiteral("zet_jct_UE")), purchases);
            } else {
                EXPECT_EQ(got[2], c.reason);
                EXPECT_EQ(journal(t, QStringLiteral("zet_jct_UE")).size(), c.reason.toInt() + (replaceJournal ? 0 : 1));
            }
            EXPECT_EQ(journal(t, QStringLiteral("zet_jvt_UE")), sales);
        }
    }
}

// The command line names the reason on its error stream, and a pipe given as FILE does not hold
// it up.
TEST(HostileWorkbooks, CommandLineRefusesAPipe)
{
    TestFolder t;
    const QString pipe = fifo()(t);
    const test::Run r = runOrvida(
        { QStringLiteral("--home"), t.path(), QStringLiteral("import"), QStringLiteral("purchases"), pipe });
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, report::importStructure(140).text + QLatin1Char('\n'));
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Fisierul %1 nu este un fisier obisnuit.").arg(pipe));
}

// The shared strings are packed, not lost: every kind of text still reads back as it was, and
// a cell at Excel's limit of 32,767 characters is read whole.
TEST(HostileWorkbooks, CellAtTheLimitIsReadWhole)
{
    const SheetDump dump = dumpSheet(dataFile(QStringLiteral("cell-limit.xlsx")));
    ASSERT_EQ(dump.rows.size(), 2);
    EXPECT_EQ(dump.rows[1].section(QLatin1Char('|'), 0, 0), QStringLiteral("T:") + QString(32767, QChar(0x0219)));
    EXPECT_EQ(dump.failure, QStringLiteral("Celula din randul 3, coloana A, are mai mult de 32767 de caractere."));
}

// The workbook and its sheet are opened before the database is touched: without a database, a
// pipe or a workbook without "Sheet1" fails at its own step even when the journal was to be
// emptied first, and no database file appears.
TEST(HostileWorkbooks, WorkbookIsOpenedBeforeTheDatabase)
{
    struct Case
    {
        const char* name;
        Make make;
        int label;
    };
    const Case cases[] = {
        { "fifo", fifo(), 140 },
        { "no-sheet1.xlsx", data("no-sheet1.xlsx"), 160 },
        { "no-sheet1.xls", data("no-sheet1.xls"), 160 },
        { "journal.xlsx", data("journal.xlsx"), 60 }, // a good sheet reaches the database
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder t(false);
        import::ImportInputs in;
        in.path = c.make(t);
        const ChildResult child = runBounded([&] {
            MessageList sink;
            return QString::number(import::importJournal(in, t.folder(), sink).label);
        });
        EXPECT_TRUE(child.exited);
        EXPECT_EQ(child.output, QString::number(c.label));
        EXPECT_FALSE(QFile::exists(t.folder().databasePath()));
    }
}
