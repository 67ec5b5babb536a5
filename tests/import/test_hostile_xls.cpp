// Hostile .xls files: containers whose chains come back on themselves, values a sound workbook
// cannot hold, files larger than the format. Each is refused at its step, the journal as it was,
// within a bounded address space: the import runs in a forked child under an rlimit.
#include "ImportTestSupport.h"

#include "base/ErrorReport.h"
#include "import/CompoundFile.h"
#include "import/FreeXlChild.h"
#include "import/ImportProgress.h"
#include "import/ImportRun.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

// What this process maps now, in bytes.
qint64 mappedBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(0).toLongLong() * sysconf(_SC_PAGESIZE);
}

// Runs `job` in a forked child whose address space may grow by at most `headroom` beyond what
// this process maps (no limit under AddressSanitizer, whose shadow memory needs the room). What
// the job returns, or nullopt when the child did not end normally: an allocation refused by the
// limit aborts it.
std::optional<QByteArray> inBoundedChild(const std::function<QByteArray()>& job, qint64 headroom = qint64(512) << 20)
{
    const qint64 mapped = mappedBytes();
    int fds[2];
    if (mapped < 0 || pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        close(fds[0]);
        if (!Sanitized) {
            rlimit limit;
            limit.rlim_cur = limit.rlim_max = rlim_t(mapped + headroom);
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(3);
        }
        const QByteArray out = job();
        for (qsizetype at = 0; at < out.size();) {
            const ssize_t n = write(fds[1], out.constData() + at, size_t(out.size() - at));
            if (n <= 0)
                _exit(2);
            at += n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray answer;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        answer.append(buffer, n);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return answer;
}

QStringList journalRows(const TestFolder& t, import::Journal journal)
{
    auto rs = store::query(
        t.folder(),
        QStringLiteral("select NUME, CODF, TOTAL, COL6 from %1 order by rowid").arg(store::journalTable(journal)));
    EXPECT_TRUE(rs.ok());
    QStringList out;
    for (int r = 0; rs.ok() && r < rs->size(); ++r)
        out << QStringList { rs->value(r, QStringLiteral("NUME")).toText(),
                             rs->value(r, QStringLiteral("CODF")).toText(),
                             rs->value(r, QStringLiteral("TOTAL")).toText(),
                             rs->value(r, QStringLiteral("COL6")).toText() }
                   .join(QLatin1Char('|'));
    return out;
}

// A copy of the fixture with zero bytes after it, up to `size`: more sectors for a loop to
// multiply, none of them named by the file.
QString paddedCopy(const QTemporaryDir& dir, const QString& fixture, qint64 size, const QString& name = {})
{
    const QString path = dir.filePath(name.isEmpty() ? QFileInfo(fixture).fileName() : name);
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(fixture, path));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite));
    EXPECT_TRUE(f.resize(size));
    return path;
}

} // namespace

TEST(HostileXls, RefusedAtTheirStepWithTheJournalAsItWas)
{
    struct Case
    {
        const char* file;
        int label; // the structure message's step
        const char* reason; // in the failure's text
        qint64 padTo = 0;
    };
    const char* damaged = "deteriorat";
    const char* notFinite = "infinita sau nedefinita (randul 3, coloana 3)";
    const Case cases[] = {
        { "difat-loop.xls", 140, damaged },
        { "fat-named-twice.xls", 140, damaged },
        // The shape that took 8.5 GB and 35 s at this size.
        { "difat-loop-naming-fat.xls", 140, damaged, 524 * 1024 },
        { "difat-loop-naming-fat.xls", 140, damaged, 2 * 1024 * 1024 },
        { "fat-loop.xls", 140, damaged },
        { "directory-loop.xls", 140, damaged },
        { "minifat-loop.xls", 140, damaged },
        { "ministream-loop.xls", 140, damaged },
        // The second data row's TOTAL, as a NUMBER, a compact RK number and a formula's result.
        { "infinite-amount.xls", 460, notFinite },
        { "negative-infinite-amount.xls", 460, notFinite },
        { "nan-amount.xls", 460, notFinite },
        { "rk-infinite-amount.xls", 460, notFinite },
        { "formula-infinite-amount.xls", 460, notFinite },
        // "RO121\0X": FreeXL alone would store "RO121".
        { "nul-code.xls", 460, "caracter nul intr-un text (randul 3, coloana 2)" },
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        for (bool replace : { true, false }) {
            SCOPED_TRACE(QStringLiteral("%1 padded to %2, emptied first %3")
                             .arg(QLatin1String(c.file))
                             .arg(c.padTo)
                             .arg(replace)
                             .toStdString());
            TestFolder t;
            t.exec(
                QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
            const QStringList before = journalRows(t, import::Journal::Purchases);
            const QString fixture = dataFile(QString::fromLatin1(c.file));
            const QString path = c.padTo ? paddedCopy(dir, fixture, c.padTo) : fixture;
            const auto answer = inBoundedChild([&] {
                import::ImportInputs in;
                in.journal = import::Journal::Purchases;
                in.path = path;
                in.replaceJournal = replace;
                MessageList sink;
                const import::ImportOutcome outcome = import::importJournal(in, t.folder(), sink);
                return (QStringList { QString::number(outcome.label), outcome.failure.description } + sink.texts())
                    .join(QLatin1Char('\n'))
                    .toUtf8();
            });
            ASSERT_TRUE(answer) << "the import did not end within its memory";
            const QStringList got = QString::fromUtf8(*answer).split(QLatin1Char('\n'));
            ASSERT_EQ(got.size(), 3) << answer->toStdString();
            EXPECT_EQ(got[0].toInt(), c.label);
            EXPECT_TRUE(got[1].contains(QLatin1String(c.reason))) << got[1].toStdString();
            EXPECT_EQ(got[2], report::importStructure(c.label).text);
            EXPECT_EQ(journalRows(t, import::Journal::Purchases), before);
        }
    }
}

// Sound workbooks that would cost far more than their size: one text shared by 10,000 cells
// comes back once per cell, 80 MB in all; a sheet whose dimensions claim 65,536 rows of 256
// columns while its cells fill nine rows. Each imports within a small address space.
TEST(HostileXls, CostlySoundWorkbooksImportInBoundedMemory)
{
    struct Case
    {
        const char* file;
        qsizetype rows; // written to the journal
    };
    const Case cases[] = {
        { "shared-text-many-cells.xls", 0 }, // the texts sit in columns the import ignores
        { "huge-dimensions.xls", 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TestFolder t;
        const auto answer = inBoundedChild(
            [&] {
                import::ImportInputs in;
                in.path = dataFile(QString::fromLatin1(c.file));
                MessageList sink;
                const import::ImportOutcome outcome = import::importJournal(in, t.folder(), sink);
                return (QStringList { QString::number(outcome.label) } + sink.texts()).join(QLatin1Char('\n')).toUtf8();
            },
            qint64(48) << 20);
        ASSERT_TRUE(answer) << "the import did not end within its memory";
        EXPECT_EQ(QString::fromUtf8(*answer), QStringLiteral("0\nImportul s-a realizat cu succes"));
        EXPECT_EQ(journalRows(t, import::Journal::Purchases).size(), c.rows);
    }
}

// Larger than the format allows: refused before the file or its stream is read. The files are
// sparse, so they cost no disk.
TEST(HostileXls, LargerThanTheFormatAllowsIsRefusedBeforeReading)
{
    QTemporaryDir dir;
    const QString journal = dataFile(QStringLiteral("journal.xls"));
    // Past what a compound file of Excel 97-2003 can hold.
    const QString big = paddedCopy(dir, journal, import::MaxCompoundFileBytes + 4096, QStringLiteral("big.xls"));
    // A workbook stream longer than a clean copy can hold, in a file with room for it.
    const QString longStream
        = paddedCopy(dir, journal, import::MaxCleanStreamBytes + (qint64(1) << 20), QStringLiteral("long-stream.xls"));
    {
        QFile f(longStream);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray head = f.read(512);
        const qint64 directory = (qint64(quint8(head[0x30])) | qint64(quint8(head[0x31])) << 8) + 1;
        const qint64 workbookEntry = directory * 512 + 128;
        ASSERT_TRUE(f.seek(workbookEntry));
        ASSERT_EQ(f.read(16), QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
        const quint32 size = quint32(import::MaxCleanStreamBytes + 4096);
        ASSERT_TRUE(f.seek(workbookEntry + 120));
        const char bytes[4]
            = { char(size & 0xFF), char((size >> 8) & 0xFF), char((size >> 16) & 0xFF), char(size >> 24) };
        ASSERT_EQ(f.write(bytes, 4), 4);
    }
    for (const QString& path : { big, longStream }) {
        SCOPED_TRACE(path.toStdString());
        const auto answer = inBoundedChild([&] {
            import::ReadFailure failure;
            auto book = import::openXls(path, failure);
            return QByteArray::number(book ? -1 : int(failure.error));
        });
        ASSERT_TRUE(answer) << "the reader did not end within its memory";
        EXPECT_EQ(answer->toInt(), int(import::ReadError::TooLarge));
    }
}

// A run that dies while the workbook is open leaves no copy of its sheet behind.
TEST(HostileXls, ACrashLeavesNoCopyOfTheSheet)
{
    QTemporaryDir temp;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        import::ReadFailure failure;
        auto book = import::openXls(dataFile(QStringLiteral("journal.xls")), failure);
        auto sheet = book ? book->openSheet(QStringLiteral("Sheet1"), failure) : nullptr;
        if (!sheet)
            _exit(1);
        raise(SIGKILL);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    ASSERT_TRUE(WIFSIGNALED(status)) << "the workbook could not be read";
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// FreeXL dying or spinning in its child process is a damaged file: the structure message at the
// step that was reading, the journal as it was, the child collected.
TEST(HostileXls, AChildThatCrashesOrSpinsFailsCleanly)
{
    using import::freexl::Fault;
    struct Case
    {
        Fault fault;
        int label;
    };
    const Case cases[] = {
        { Fault::CrashOnOpen, 140 },
        { Fault::CrashInCells, 460 }, // after the header and the first data row
        { Fault::SpinInCells, 460 }, // stopped by its processor-time limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.fault));
        TestFolder t;
        t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
        const QStringList before = journalRows(t, import::Journal::Purchases);
        import::freexl::injectFault(c.fault);
        import::ImportInputs in;
        in.path = dataFile(QStringLiteral("journal.xls"));
        MessageList sink;
        const import::ImportOutcome outcome = import::importJournal(in, t.folder(), sink);
        import::freexl::injectFault(Fault::None);
        EXPECT_EQ(outcome.label, c.label);
        EXPECT_TRUE(outcome.failure.description.contains(QLatin1String("deteriorat")))
            << outcome.failure.description.toStdString();
        EXPECT_EQ(sink.texts(), QStringList { report::importStructure(c.label).text });
        EXPECT_EQ(journalRows(t, import::Journal::Purchases), before);
        int status = 0;
        EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1) << "a child was left behind";
    }
}

// A run that ends on its own side while FreeXL's process is stuck in the sheet does not wait for
// that process's limit of minutes: here the first data row is refused by the database while the
// child spins at the second.
TEST(HostileXls, ARunEndingBesideAStuckChildReturnsAtOnce)
{
    using import::freexl::Fault;
    TestFolder t;
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
    t.exec(
        QStringLiteral("create trigger refuse before insert on zet_jct_UE begin select raise(abort, 'refuzat'); end"));
    for (bool replaceJournal : { true, false }) {
        SCOPED_TRACE(replaceJournal);
        import::freexl::injectFault(Fault::SpinLongInCells);
        import::ImportInputs in;
        in.path = dataFile(QStringLiteral("journal.xls"));
        in.replaceJournal = replaceJournal;
        MessageList sink;
        QElapsedTimer timer;
        timer.start();
        const import::ImportOutcome outcome = import::importJournal(in, t.folder(), sink);
        const qint64 elapsed = timer.elapsed();
        import::freexl::injectFault(Fault::None);
        EXPECT_EQ(outcome.label, 270);
        EXPECT_LT(elapsed, 30000) << "the run waited for the child's processor-time limit";
        EXPECT_EQ(journalRows(t, import::Journal::Purchases), QStringList { QStringLiteral("Vechi|RO1|119|100") });
        int status = 0;
        EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1) << "a child was left behind";
    }
}

// The window's stop, asked for while the child is stuck inside the sheet, ends the run at once and
// leaves the journal as it was.
TEST(HostileXls, AStopBesideAStuckChildEndsTheRunAtOnce)
{
    using import::freexl::Fault;
    TestFolder t;
    t.exec(QStringLiteral("insert into zet_jct_UE (NUME, CODF, TOTAL, COL6) values ('Vechi', 'RO1', 119, 100)"));
    for (bool replaceJournal : { true, false }) {
        SCOPED_TRACE(replaceJournal);
        import::freexl::injectFault(Fault::SpinLongInCells);
        import::ImportInputs in;
        in.path = dataFile(QStringLiteral("journal.xls"));
        in.replaceJournal = replaceJournal;
        import::ImportProgress progress;
        import::Limits limits;
        limits.progress = &progress;
        MessageList sink;
        QElapsedTimer timer;
        timer.start();
        std::thread stop([&progress] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            progress.cancel = true;
        });
        const import::ImportOutcome outcome = import::importJournal(in, t.folder(), sink, limits);
        const qint64 elapsed = timer.elapsed();
        stop.join();
        import::freexl::injectFault(Fault::None);
        EXPECT_EQ(outcome.failure.number, err::UserInterrupt);
        EXPECT_LT(elapsed, 30000) << "the stop waited for the child's processor-time limit";
        EXPECT_EQ(journalRows(t, import::Journal::Purchases), QStringList { QStringLiteral("Vechi|RO1|119|100") });
        int status = 0;
        EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1) << "a child was left behind";
    }
}
