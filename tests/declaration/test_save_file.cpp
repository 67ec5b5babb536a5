#include "declaration/SaveFile.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::declaration;

namespace {

// The disk as a test wants it: each file fails with the system error given, or is kept in memory.
class FailingStore : public FileStore
{
public:
    int systemError = 0;
    bool created = true;
    QByteArray stored;

    Outcome store(const QString&, const QByteArray& bytes) override
    {
        if (systemError == 0) {
            stored = bytes;
            return {};
        }
        return { false, created, systemError, QString::fromLocal8Bit(std::strerror(systemError)) };
    }
};

Status writeText(QIODevice& out)
{
    out.write("D394");
    return Status::success();
}

} // namespace

TEST(SaveFile, FailureNumbersNameWhatHappened)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("D394_1.xml"));
    const QString folder = QDir::toNativeSeparators(dir.path());
    struct Case
    {
        int systemError;
        bool created;
        int number;
        QString begins;
    };
    const Case cases[] = {
        { ENOSPC, true, 61, QStringLiteral("Discul este plin: fisierul ") },
        { ENOSPC, false, 61, QStringLiteral("Discul este plin: fisierul ") },
        { EDQUOT, true, 61, QStringLiteral("Discul este plin: fisierul ") },
        { EACCES, false, 70, QStringLiteral("Folderul ") + folder + QStringLiteral(" este protejat la scriere") },
        { EPERM, false, 70, QStringLiteral("Folderul ") + folder + QStringLiteral(" este protejat la scriere") },
        { EROFS, true, 70, QStringLiteral("Folderul ") + folder + QStringLiteral(" este protejat la scriere") },
        { EIO, true, 75, QStringLiteral("Fisierul ") + QDir::toNativeSeparators(path) + QStringLiteral(" nu a putut") },
        { ENOTDIR, false, 75,
          QStringLiteral("Fisierul ") + QDir::toNativeSeparators(path) + QStringLiteral(" nu poate") },
        { 0, false, 0, {} },
    };
    for (const Case& c : cases) {
        FailingStore disk;
        disk.systemError = c.systemError;
        disk.created = c.created;
        const Status s = saveFile(path, writeText, disk);
        if (c.number == 0) {
            EXPECT_TRUE(s.ok());
            EXPECT_EQ(disk.stored, QByteArray("D394"));
            continue;
        }
        ASSERT_FALSE(s.ok()) << c.systemError;
        EXPECT_EQ(s.failure().number, c.number) << c.systemError;
        EXPECT_TRUE(s.failure().description.startsWith(c.begins)) << s.failure().description.toStdString();
        // The system's own words stay in the report.
        EXPECT_TRUE(s.failure().description.contains(QString::fromLocal8Bit(std::strerror(c.systemError))));
    }
}

TEST(SaveFile, TheDiskReportsItsOwnFailures)
{
    test::TestFolder t(false);
    // A folder in the way of a file: neither a full disk nor a protected folder.
    QDir().mkpath(t.file(QStringLiteral("D394_1.xml")));
    Status s = saveFile(t.file(QStringLiteral("D394_1.xml")), writeText);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.failure().number, 75);

    // A file in the way of a folder.
    QFile blocker(t.file(QStringLiteral("D394")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    s = createFolder(t.file(QStringLiteral("D394")));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.failure().number, 75);
    EXPECT_TRUE(createFolder(t.file(QStringLiteral("D394_nou"))).ok());
    EXPECT_TRUE(createFolder(t.file(QStringLiteral("D394_nou"))).ok()); // already there

    ASSERT_TRUE(saveFile(t.file(QStringLiteral("bun.txt")), writeText).ok());
    EXPECT_EQ(test::readFile(t.file(QStringLiteral("bun.txt"))), QByteArray("D394"));
}

TEST(SaveFile, AProtectedFolderIsNamed)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a protected folder; FailureNumbersNameWhatHappened covers it";
    test::TestFolder t(false);
    const QString folder = t.file(QStringLiteral("protejat"));
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const Status file = saveFile(folder + QStringLiteral("/D394_1.xml"), writeText);
    const Status sub = createFolder(folder + QStringLiteral("/D394"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_FALSE(file.ok());
    EXPECT_EQ(file.failure().number, 70);
    EXPECT_TRUE(file.failure().description.contains(QDir::toNativeSeparators(folder)));
    ASSERT_FALSE(sub.ok());
    EXPECT_EQ(sub.failure().number, 70);
}

// A write the system refuses halfway (here a file-size limit: EFBIG) fails the save and keeps the
// earlier file, even for a file small enough to sit in a write buffer until the end.
TEST(SaveFile, AWriteRefusedByTheSystemKeepsTheEarlierFile)
{
    test::TestFolder t(false);
    const QString path = t.file(QStringLiteral("D394_1.txt"));
    ASSERT_TRUE(saveFile(path, writeText).ok());
    for (const qsizetype size : { qsizetype(1000), qsizetype(100000) }) {
        rlimit old {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 100;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const Status s = saveFile(path, [size](QIODevice& out) {
            out.write(QByteArray(size, 'x'));
            return Status::success();
        });
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_FALSE(s.ok()) << size;
        EXPECT_EQ(s.failure().number, 75);
        EXPECT_TRUE(s.failure().description.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << s.failure().description.toStdString();
        EXPECT_EQ(test::readFile(path), QByteArray("D394"));
        EXPECT_EQ(QDir(t.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("D394_1.txt") });
    }
}
