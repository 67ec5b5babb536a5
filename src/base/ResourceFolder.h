#pragma once

#include <QString>

namespace orvida {

// True when the executable is an installed copy: it sits in a bin/ folder with share/orvida/
// beside that folder (<prefix>/bin/orvida and <prefix>/share/orvida/).
bool isInstalledCopy(const QString& executableFolder);

// The folder holding what ships with the program (BMP/, translations/): <prefix>/share/orvida for
// an installed copy, otherwise the executable's own folder (the build tree, a portable copy).
QString resourceFolder(const QString& executableFolder);

} // namespace orvida
