#pragma once

#include "base/ProgramFolder.h"

#include <QString>

#include <functional>

namespace orvida::store {

enum class FileSystemKind { Local, Network };

// The kind of file system that holds `folder`: NFS, SMB/CIFS and the other shared file systems
// are Network. The write-ahead log needs memory shared on one machine, so a database there uses
// the rollback journal.
FileSystemKind fileSystemKind(const QString& folder);

// Replaces the file-system probe while it lives, so tests can put a folder on a "network share".
class ScopedFileSystemKind
{
public:
    explicit ScopedFileSystemKind(std::function<FileSystemKind(const QString&)> probe);
    ~ScopedFileSystemKind();
    ScopedFileSystemKind(const ScopedFileSystemKind&) = delete;
    ScopedFileSystemKind& operator=(const ScopedFileSystemKind&) = delete;

private:
    std::function<FileSystemKind(const QString&)> m_previous;
};

// The journal the program folder's database uses, as the about box and `company show` say it:
// "Jurnal: WAL (disc local)" or "Jurnal: rollback (disc de retea)".
QString journalDescription(const ProgramFolder& folder);

} // namespace orvida::store
