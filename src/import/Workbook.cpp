#include "import/Workbook.h"

#include "import/CompoundFile.h"

#include <QFile>
#include <QFileInfo>

namespace orvida::import {

namespace {

const QByteArray CompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// An encrypted .xlsx is a compound file too, without a workbook stream; its directory, which may
// sit anywhere in the file, tells it apart. The file is mapped, not read into memory.
bool holdsEncryptedPackage(QFile& file)
{
    const qint64 size = file.size();
    uchar* bytes = size > 0 ? file.map(0, size) : nullptr;
    if (!bytes)
        return false;
    const bool encrypted
        = isEncryptedPackage(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size)));
    file.unmap(bytes);
    return encrypted;
}

} // namespace

Format detectFormat(const QByteArray& head)
{
    if (head.startsWith(CompoundFileMagic))
        return head.size() > 512 && isEncryptedPackage(head) ? Format::EncryptedOffice : Format::Xls;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)) || head.startsWith(QByteArray("PK\x05\x06", 4)))
        return Format::Xlsx;
    return Format::Unknown;
}

std::unique_ptr<Workbook>
openWorkbook(const QString& path, ReadFailure& failure, const Limits& limits, const std::function<void()>& meanwhile)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        failure = { ReadError::NotFound, QStringLiteral("Fisierul %1 nu exista sau nu poate fi deschis.").arg(path) };
        return nullptr;
    }
    // A pipe would block the import until someone writes to it, or feed it without end; a device
    // or a folder is no workbook either.
    if (!info.isFile()) {
        failure = { ReadError::NotAFile, QStringLiteral("Fisierul %1 nu este un fisier obisnuit.").arg(path) };
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        failure = { ReadError::NotFound, QStringLiteral("Fisierul %1 nu exista sau nu poate fi deschis.").arg(path) };
        return nullptr;
    }
    // The format is told by the first bytes alone: an .xlsx is then read by seeking in the zip.
    switch (detectFormat(file->peek(8))) {
    case Format::Xls:
    case Format::EncryptedOffice: {
        auto book = openXls(path, failure, meanwhile);
        if (!book && (failure.error == ReadError::Corrupt || failure.error == ReadError::NotAWorkbook)
            && holdsEncryptedPackage(*file))
            failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
        return book;
    }
    case Format::Xlsx:
        return openXlsx(std::move(file), failure, limits);
    case Format::Unknown:
        break;
    }
    failure = { ReadError::NotAWorkbook, QStringLiteral("Fisierul nu este un registru Excel (.xls sau .xlsx).") };
    return nullptr;
}

} // namespace orvida::import
