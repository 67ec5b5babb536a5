#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace orvida::declaration {

// Puts finished bytes on disk. The default writes through QSaveFile; tests pass one that fails as
// a full disk or a protected folder would.
class FileStore
{
public:
    virtual ~FileStore() = default;
    // Writes `bytes` as the file `path`, replacing an earlier one only when everything was written.
    // On a failure returns the system's error number (errno; 0 when unknown) and its text.
    struct Outcome
    {
        bool ok = true;
        bool created = false; // the file had been created when the failure came
        int systemError = 0;
        QString reason;
    };
    virtual Outcome store(const QString& path, const QByteArray& bytes) = 0;
};

FileStore& diskFileStore();

// Writes a file: `write` fills the device, and the file replaces an earlier one of the same name
// only when everything was written. On a failure the earlier file stays as it was.
Status
saveFile(const QString& path, const std::function<Status(QIODevice&)>& write, FileStore& files = diskFileStore());

// Writes finished bytes as a file, as saveFile does.
Status saveBytes(const QString& path, const QByteArray& bytes, FileStore& files = diskFileStore());

// The failure of writing `path` as the report shows it: a full disk is 61, a protected file or
// folder 70 (naming the folder), anything else 75 with the system's text.
Failure fileFailure(const QString& path, int systemError, const QString& reason, bool created);

// Creates a folder (its parent must exist), with the same failure numbers as a file.
Status createFolder(const QString& path);

} // namespace orvida::declaration
