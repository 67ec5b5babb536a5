#include "declaration/SaveFile.h"

#include "app/ErrorReport.h"

#include <QDir>
#include <QSaveFile>

namespace orvida::declaration {

Status saveFile(const QString& path, const std::function<Status(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failure { err::PathFileAccess,
                         QStringLiteral("Fisierul %1 nu poate fi creat (%2).")
                             .arg(QDir::toNativeSeparators(path), file.errorString()) };
    if (Status s = write(file); !s) {
        file.cancelWriting();
        return s;
    }
    if (!file.commit()) {
        const QString reason = file.errorString();
        const int number
            = reason.contains(QLatin1String("No space"), Qt::CaseInsensitive) ? err::DiskFull : err::PathFileAccess;
        return Failure {
            number, QStringLiteral("Fisierul %1 nu a putut fi scris (%2).").arg(QDir::toNativeSeparators(path), reason)
        };
    }
    return Status::success();
}

} // namespace orvida::declaration
