#include "declaration/SaveFile.h"

#include "base/ErrorReport.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>

namespace orvida::declaration {

namespace {

Failure writeFailure(const QString& path, const QFileDevice& file)
{
    const QString reason = file.errorString();
    const int number
        = reason.contains(QLatin1String("No space"), Qt::CaseInsensitive) ? err::DiskFull : err::PathFileAccess;
    return { number,
             QStringLiteral("Fisierul %1 nu a putut fi scris (%2).").arg(QDir::toNativeSeparators(path), reason) };
}

} // namespace

Status saveFile(const QString& path, const std::function<Status(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 nu poate fi creat (%2).")
                             .arg(QDir::toNativeSeparators(path), file.errorString()) };
    // The writers make many small writes: they go to memory first and reach the file in one piece.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (Status s = write(buffer); !s) {
        file.cancelWriting();
        return s;
    }
    if (file.write(buffer.data()) != buffer.size()) {
        const Failure f = writeFailure(path, file);
        file.cancelWriting();
        return f;
    }
    if (!file.commit())
        return writeFailure(path, file);
    return Status::success();
}

} // namespace orvida::declaration
