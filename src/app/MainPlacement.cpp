#include "app/MainPlacement.h"

#include "base/MessageBoxLayout.h"

#include <QSettings>

#include <cmath>

namespace orvida {

namespace {

// Values are stored as text and read as numbers; "1000", " 1000 " and "1000.4" are numbers,
// "abc" is not.
bool readTwips(const QSettings& settings, const char* key, int& value)
{
    const QVariant stored = settings.value(QStringLiteral("Settings/") + QLatin1String(key));
    if (!stored.isValid())
        return false;
    bool ok = false;
    const double number = stored.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::abs(number) > 1e9)
        return false;
    value = static_cast<int>(std::lround(number));
    return true;
}

} // namespace

QRect MainPlacement::pixels() const
{
    return QRect(msgbox::pixels(left), msgbox::pixels(top), msgbox::pixels(width), msgbox::pixels(height));
}

MainPlacement readMainPlacement(const QSettings& settings)
{
    MainPlacement p;
    int value = 0;
    if (readTwips(settings, "MainLeft", value))
        p.left = value;
    if (readTwips(settings, "MainTop", value))
        p.top = value;
    if (readTwips(settings, "MainWidth", value) && value > 0)
        p.width = value;
    if (readTwips(settings, "MainHeight", value) && value > 0)
        p.height = value;
    return p;
}

} // namespace orvida
