#pragma once

#include "base/MessageBoxLayout.h"

#include <QIcon>
#include <QPixmap>
#include <QStringList>

namespace orvida {

// The button pictures and message icons shipped in BMP/ (OK.bmp, Iesire.bmp, W95MBX01.ico to
// W95MBX04.ico). Each is looked for in the given folders in order; a missing or unreadable file
// falls back to the style's standard icon, so a box is never left without its picture.
class Pictures
{
public:
    explicit Pictures(QStringList folders = {});

    QIcon button(msgbox::Picture picture) const;
    QPixmap icon(msgbox::IconKind icon) const; // 32 x 32 pixels

    // The file a picture comes from, or empty when none of the folders holds it.
    QString fileOf(msgbox::Picture picture) const;
    QString fileOf(msgbox::IconKind icon) const;

private:
    QString find(const QString& name) const;

    QStringList m_folders;
};

} // namespace orvida
