#pragma once

#include <QRect>

class QSettings;

namespace orvida {

// The main window's placement in twips, from the per-user settings (section "Settings"). The
// program only reads these keys; a key that is missing or not a number keeps its default, and so
// does a width or height that is not positive (the window needs a usable size).
struct MainPlacement
{
    int left = 1000;
    int top = 1000;
    int width = 6500;
    int height = 6500;

    bool operator==(const MainPlacement&) const = default;

    // In pixels, at 15 twips per pixel.
    QRect pixels() const;
};

MainPlacement readMainPlacement(const QSettings& settings);

} // namespace orvida
