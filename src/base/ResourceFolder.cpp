#include "base/ResourceFolder.h"

#include <QDir>
#include <QFileInfo>

namespace orvida {

namespace {

QString sharedFolder(const QString& executableFolder)
{
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/orvida"));
}

} // namespace

bool isInstalledCopy(const QString& executableFolder)
{
    const QString folder = QDir::cleanPath(executableFolder);
    return QFileInfo(folder).fileName() == QLatin1String("bin") && QFileInfo(sharedFolder(folder)).isDir();
}

QString resourceFolder(const QString& executableFolder)
{
    return isInstalledCopy(executableFolder) ? sharedFolder(executableFolder) : QDir::cleanPath(executableFolder);
}

} // namespace orvida
