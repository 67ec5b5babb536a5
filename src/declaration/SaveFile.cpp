#include "declaration/SaveFile.h"

#include "base/ErrorReport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace orvida::declaration {

namespace {

// Qt keeps the system's text, not its number; when errno was overwritten on the way out of Qt,
// the text still tells a full disk or a refused write apart.
int errorFromText(const QString& reason)
{
    for (int e : { ENOSPC, EDQUOT, EACCES, EPERM, EROFS })
        if (reason == QString::fromLocal8Bit(std::strerror(e)) || reason == qt_error_string(e))
            return e;
    return 0;
}

class DiskFileStore : public FileStore
{
public:
    Outcome store(const QString& path, const QByteArray& bytes) override
    {
        QSaveFile file(path);
        // Unbuffered: a buffered QSaveFile loses the error of its last flush and can commit an
        // empty file on a full disk; written at once, the failure comes back from write().
        errno = 0;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failed(file, false);
        errno = 0;
        if (file.write(bytes) != bytes.size()) {
            Outcome o = failed(file, true);
            file.cancelWriting();
            return o;
        }
        errno = 0;
        if (!file.commit())
            return failed(file, true);
        return {};
    }

private:
    static Outcome failed(const QFileDevice& file, bool created)
    {
        const int e = errno;
        QString reason = file.errorString();
        // A write cut short (part written, then refused) leaves Qt without the system's text.
        if (e != 0 && (file.error() == QFileDevice::NoError || reason == QLatin1String("Unknown error")))
            reason = QString::fromLocal8Bit(std::strerror(e));
        return { false, created, e != 0 ? e : errorFromText(reason), reason };
    }
};

QString folderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

} // namespace

FileStore& diskFileStore()
{
    static DiskFileStore store;
    return store;
}

Failure fileFailure(const QString& path, int systemError, const QString& reason, bool created)
{
    const QString shown = QDir::toNativeSeparators(path);
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return { err::DiskFull,
                 QStringLiteral("Discul este plin: fisierul %1 nu a putut fi scris (%2).").arg(shown, reason) };
    case EACCES:
    case EPERM:
    case EROFS:
        return { err::PermissionDenied,
                 QStringLiteral("Folderul %1 este protejat la scriere: fisierul %2 nu poate fi scris (%3).")
                     .arg(folderOf(path), shown, reason) };
    default:
        break;
    }
    if (created)
        return { err::PathFileAccess, QStringLiteral("Fisierul %1 nu a putut fi scris (%2).").arg(shown, reason) };
    return { err::PathFileAccess, QStringLiteral("Fisierul %1 nu poate fi creat (%2).").arg(shown, reason) };
}

Status saveFile(const QString& path, const std::function<Status(QIODevice&)>& write, FileStore& files)
{
    // The writers make many small writes: they go to memory first and reach the file in one piece.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (Status s = write(buffer); !s)
        return s;
    return saveBytes(path, buffer.data(), files);
}

Status saveBytes(const QString& path, const QByteArray& bytes, FileStore& files)
{
    const FileStore::Outcome o = files.store(path, bytes);
    if (!o.ok)
        return fileFailure(path, o.systemError, o.reason, o.created);
    return Status::success();
}

Status createFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return Status::success();
    errno = 0;
    if (QDir().mkdir(path))
        return Status::success();
    const int e = errno;
    if (e == EEXIST && QFileInfo(path).isDir())
        return Status::success();
    const QString shown = QDir::toNativeSeparators(path);
    if (e == ENOSPC || e == EDQUOT)
        return Failure { err::DiskFull, QStringLiteral("Discul este plin: folderul %1 nu poate fi creat.").arg(shown) };
    if (e == EACCES || e == EPERM || e == EROFS)
        return Failure { err::PermissionDenied,
                         QStringLiteral("Folderul %1 este protejat la scriere: folderul %2 nu poate fi creat.")
                             .arg(folderOf(path), shown) };
    return Failure { err::PathFileAccess, QStringLiteral("Folderul %1 nu poate fi creat.").arg(shown) };
}

} // namespace orvida::declaration
