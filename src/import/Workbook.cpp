#include "import/Workbook.h"

#include "import/CompoundFile.h"

#include <QFile>
#include <QFileInfo>

namespace orvida::import {

namespace {

const QByteArray CompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

} // namespace

Format detectFormat(const QByteArray& head)
{
    if (head.startsWith(CompoundFileMagic))
        return head.size() > 512 && isEncryptedPackage(head) ? Format::EncryptedOffice : Format::Xls;
    if (head.startsWith(QByteArray("PK\x03\x04", 4)) || head.startsWith(QByteArray("PK\x05\x06", 4)))
        return Format::Xlsx;
    return Format::Unknown;
}

std::unique_ptr<Workbook> openWorkbook(const QString& path, ReadFailure& failure, const Limits& limits)
{
    auto file = std::make_unique<QFile>(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file->open(QIODevice::ReadOnly)) {
        failure = { ReadError::NotFound, QStringLiteral("Fisierul %1 nu exista sau nu poate fi deschis.").arg(path) };
        return nullptr;
    }
    // A compound file is an .xls or an encrypted .xlsx: its directory, which may sit anywhere in
    // the file, tells them apart.
    Format format = detectFormat(file->peek(8));
    if (format == Format::Xls)
        format = detectFormat(file->readAll());
    switch (format) {
    case Format::Xls:
        file->close();
        return openXls(path, failure);
    case Format::Xlsx:
        return openXlsx(std::move(file), failure, limits);
    case Format::EncryptedOffice:
        failure = { ReadError::Protected, QStringLiteral("Fisierul este protejat cu parola.") };
        return nullptr;
    case Format::Unknown:
        break;
    }
    failure = { ReadError::NotAWorkbook, QStringLiteral("Fisierul nu este un registru Excel (.xls sau .xlsx).") };
    return nullptr;
}

} // namespace orvida::import
