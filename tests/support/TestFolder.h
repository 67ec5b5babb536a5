#pragma once

#include "base/Clock.h"
#include "base/ProgramFolder.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace orvida::test {

// A temporary program folder, optionally with a fresh database (as `orvida init` makes it,
// with 2024 as year N).
class TestFolder
{
public:
    explicit TestFolder(bool withDatabase = true);

    const ProgramFolder& folder() const { return m_folder; }
    QString path() const { return m_folder.path(); }
    QString file(const QString& relative) const { return m_folder.file(relative); }

    // Runs SQL on the folder's database; fails the current test on error.
    void exec(const QString& sql) const;
    // Runs the SQL of a fixture file (tests/data/...) on the folder's database.
    void load(const QString& sqlFile) const;

private:
    QTemporaryDir m_dir;
    ProgramFolder m_folder;
};

// The bytes of a file, or "<missing PATH>" so that a comparison names the file that was not written.
QByteArray readFile(const QString& path);

// 15 March 2024, 10:20:30 local time.
QDateTime fixedNow();

// Runs the orvida executable (ORVIDA_BINARY) with the arguments; returns exit status, stdout, stderr.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};
Run runOrvida(const QStringList& args);
// The same in the given environment instead of the test's own.
Run runOrvida(const QStringList& args, const QProcessEnvironment& environment);
// Any program, given `waitMs` to finish; one still running then is killed and gives exit code -1.
Run runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment, int waitMs);

} // namespace orvida::test
