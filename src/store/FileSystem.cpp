#include "store/FileSystem.h"

#include <QFile>

#include <mutex>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace orvida::store {

namespace {

std::mutex probeMutex;
std::function<FileSystemKind(const QString&)> probeOverride;

FileSystemKind systemKind(const QString& folder)
{
#ifdef Q_OS_LINUX
    struct statfs fs = {};
    if (statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return FileSystemKind::Local;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL: // NFS
    case 0x517BUL: // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS
    case 0x00C36400UL: // Ceph
    case 0x01021997UL: // 9P (also the Windows drives of WSL)
    case 0x47504653UL: // GPFS
    case 0x0BD00BD0UL: // Lustre
    case 0x01161970UL: // GFS2
    case 0x7461636FUL: // OCFS2
        return FileSystemKind::Network;
    default:
        return FileSystemKind::Local;
    }
#else
    Q_UNUSED(folder);
    return FileSystemKind::Local;
#endif
}

} // namespace

FileSystemKind fileSystemKind(const QString& folder)
{
    {
        std::lock_guard lock(probeMutex);
        if (probeOverride)
            return probeOverride(folder);
    }
    return systemKind(folder);
}

ScopedFileSystemKind::ScopedFileSystemKind(std::function<FileSystemKind(const QString&)> probe)
{
    std::lock_guard lock(probeMutex);
    m_previous = std::exchange(probeOverride, std::move(probe));
}

ScopedFileSystemKind::~ScopedFileSystemKind()
{
    std::lock_guard lock(probeMutex);
    probeOverride = std::move(m_previous);
}

QString journalDescription(const ProgramFolder& folder)
{
    return fileSystemKind(folder.path()) == FileSystemKind::Network ? QStringLiteral("Jurnal: rollback (disc de retea)")
                                                                    : QStringLiteral("Jurnal: WAL (disc local)");
}

} // namespace orvida::store
