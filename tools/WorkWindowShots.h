#pragma once

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTextStream>

#include <functional>

namespace orvida {
class Pictures;
}

namespace orvida::shots {

// Gives a grabbed window its title bar.
using Framer = std::function<QImage(const QPixmap& client, const QString& title)>;

// Renders the configuration window (both pages), the import window, the declaration window and
// the summary's print preview, for a demo company in a temporary program folder.
bool saveWorkWindows(const QDir& out, const Pictures& pictures, const Framer& framed, QTextStream& err);

} // namespace orvida::shots
