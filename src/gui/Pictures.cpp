#include "gui/Pictures.h"

#include <QApplication>
#include <QBitmap>
#include <QFileInfo>
#include <QImage>
#include <QStyle>

namespace orvida {

namespace {

constexpr int IconPixels = msgbox::IconSize / msgbox::TwipsPerPixel;

// Button pictures are bitmaps without alpha; their magenta background is the mask colour.
const QRgb MaskColour = qRgb(255, 0, 255);

QString nameOf(msgbox::Picture picture)
{
    switch (picture) {
    case msgbox::Picture::OkBmp:
        return QStringLiteral("OK.bmp");
    case msgbox::Picture::IesireBmp:
        return QStringLiteral("Iesire.bmp");
    case msgbox::Picture::None:
        break;
    }
    return {};
}

QString nameOf(msgbox::IconKind icon)
{
    switch (icon) {
    case msgbox::IconKind::Stop:
        return QStringLiteral("W95MBX01.ico");
    case msgbox::IconKind::Question:
        return QStringLiteral("W95MBX02.ico");
    case msgbox::IconKind::Exclamation:
        return QStringLiteral("W95MBX03.ico");
    case msgbox::IconKind::Information:
        return QStringLiteral("W95MBX04.ico");
    case msgbox::IconKind::None:
        break;
    }
    return {};
}

QStyle::StandardPixmap standardOf(msgbox::Picture picture)
{
    return picture == msgbox::Picture::IesireBmp ? QStyle::SP_DialogCancelButton : QStyle::SP_DialogOkButton;
}

QStyle::StandardPixmap standardOf(msgbox::IconKind icon)
{
    switch (icon) {
    case msgbox::IconKind::Stop:
        return QStyle::SP_MessageBoxCritical;
    case msgbox::IconKind::Question:
        return QStyle::SP_MessageBoxQuestion;
    case msgbox::IconKind::Exclamation:
        return QStyle::SP_MessageBoxWarning;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

Pictures::Pictures(QStringList folders)
    : m_folders(std::move(folders))
{ }

QString Pictures::find(const QString& name) const
{
    if (name.isEmpty())
        return {};
    for (const QString& folder : m_folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString Pictures::fileOf(msgbox::Picture picture) const
{
    return find(nameOf(picture));
}

QString Pictures::fileOf(msgbox::IconKind icon) const
{
    return find(nameOf(icon));
}

QIcon Pictures::button(msgbox::Picture picture) const
{
    if (picture == msgbox::Picture::None)
        return {};
    const QString path = fileOf(picture);
    QImage image;
    if (!path.isEmpty() && image.load(path)) {
        QPixmap pixmap = QPixmap::fromImage(image.convertToFormat(QImage::Format_RGB32));
        pixmap.setMask(pixmap.createMaskFromColor(MaskColour));
        return QIcon(pixmap);
    }
    return QApplication::style()->standardIcon(standardOf(picture));
}

QPixmap Pictures::icon(msgbox::IconKind icon) const
{
    if (icon == msgbox::IconKind::None)
        return {};
    const QString path = fileOf(icon);
    if (!path.isEmpty()) {
        const QIcon file(path);
        const QPixmap pixmap = file.pixmap(IconPixels, IconPixels);
        if (!pixmap.isNull())
            return pixmap;
    }
    return QApplication::style()->standardIcon(standardOf(icon)).pixmap(IconPixels, IconPixels);
}

} // namespace orvida
