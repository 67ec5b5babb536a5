#pragma once

#include "base/Result.h"

#include <QIODevice>
#include <QString>

#include <functional>

namespace orvida::declaration {

// Writes a file through QSaveFile: `write` fills the device, and the file replaces an earlier one
// of the same name only when everything was written. On a failure the earlier file stays as it was.
Status saveFile(const QString& path, const std::function<Status(QIODevice&)>& write);

} // namespace orvida::declaration
