#include "base/ProgramFolderChoice.h"

#include "base/ResourceFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace orvida {

ProgramFolderChoice chooseProgramFolder(const QString& executableFolder, const QString& home, const QString& userData)
{
    if (!home.isEmpty())
        return { QDir::cleanPath(QDir(home).absolutePath()), FolderOrigin::Home };
    if (isInstalledCopy(executableFolder))
        return { QDir::cleanPath(userData), FolderOrigin::UserData };
    return { QDir::cleanPath(executableFolder), FolderOrigin::Executable };
}

QString prepareProgramFolder(const QString& path)
{
    const QString advice = QStringLiteral(" Verificati drepturile asupra folderului si spatiul liber pe disc.");
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        return QStringLiteral("Folderul programului %1 nu poate fi creat: exista un fisier cu acest nume.").arg(path)
            + advice;
    if (!QDir().mkpath(path))
        return QStringLiteral("Folderul programului %1 nu poate fi creat.").arg(path) + advice;
    // Permissions alone do not tell a read-only or full disk; a small file written and removed does.
    QTemporaryFile probe(path + QStringLiteral("/.orvida-XXXXXX"));
    if (!probe.open() || probe.write("0", 1) != 1 || !probe.flush())
        return QStringLiteral("In folderul programului %1 nu se poate scrie.").arg(path) + advice;
    return {};
}

QString programFolderText(const ProgramFolderChoice& choice)
{
    QString origin;
    switch (choice.origin) {
    case FolderOrigin::Home:
        origin = QStringLiteral("dat cu --home");
        break;
    case FolderOrigin::UserData:
        origin = QStringLiteral("folderul de date al utilizatorului");
        break;
    case FolderOrigin::Executable:
        origin = QStringLiteral("folderul executabilului");
        break;
    }
    return QStringLiteral("Folderul programului: %1 (%2)").arg(QDir::toNativeSeparators(choice.path), origin);
}

} // namespace orvida
