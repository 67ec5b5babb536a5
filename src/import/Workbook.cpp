#include "import/Workbook.h"

#include <QFile>
#include <QFileInfo>

namespace orvida::import {

namespace {

const QByteArray CompoundFileMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// An Office file encrypted with a password is a compound file holding an "EncryptedPackage"
// stream instead of the zip: its directory entry names are UTF-16.
bool holdsEncryptedPackage(const QByteArray& bytes)
{
    static const QByteArray name = [] {
        QByteArray n;
        for (char c : QByteArray("EncryptedPackage")) {
            n.append(c);
            n.append('\0');
        }
        return n;
    }();
    return bytes.contains(name);
}

} // namespace

Format detectFormat(const QByteArray& head)
{
    if (head.startsWith(CompoundFileMagic))
        return holdsEncryptedPackage(head) ? Format::EncryptedOffice : Format::Xls;
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
    // The directory of a compound file sits anywhere in it; workbooks are small enough to look
    // through their first megabytes for it.
    const QByteArray head = file->peek(8);
    Format format = detectFormat(head);
    if (format == Format::Xls) {
        const QByteArray bytes = file->read(qint64(64) << 20);
        format = detectFormat(bytes);
    }
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
