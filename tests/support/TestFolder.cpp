#include "support/TestFolder.h"

#include "store/Database.h"
#include "store/Schema.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace orvida::test {

TestFolder::TestFolder(bool withDatabase)
    : m_folder(m_dir.path())
{
    if (withDatabase) {
        auto r = store::initDatabase(m_folder, 2024);
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.failure().description.toStdString());
    }
}

void TestFolder::exec(const QString& sql) const
{
    auto c = store::openDatabase(m_folder);
    ASSERT_TRUE(c.ok()) << c.failure().description.toStdString();
    Status s = c->exec(sql);
    ASSERT_TRUE(s.ok()) << s.failure().description.toStdString() << "\n" << sql.toStdString();
}

void TestFolder::load(const QString& sqlFile) const
{
    QFile f(sqlFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << sqlFile.toStdString();
    exec(QString::fromUtf8(f.readAll()));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing ") + path.toUtf8() + '>';
    return f.readAll();
}

QDateTime fixedNow()
{
    return QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30));
}

Run runOrvida(const QStringList& args)
{
    return runOrvida(args, QProcessEnvironment::systemEnvironment());
}

Run runOrvida(const QStringList& args, const QProcessEnvironment& environment)
{
    return runProgram(qEnvironmentVariable("ORVIDA_BINARY", QStringLiteral(ORVIDA_BINARY_PATH)), args, environment,
                      120000);
}

Run runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment, int waitMs)
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace orvida::test
