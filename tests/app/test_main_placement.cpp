#include "app/MainPlacement.h"
#include "support/QtPrint.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvida;

TEST(MainPlacement, DefaultsStoredValuesAndValuesThatAreNotNumbers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QSettings settings(dir.filePath(QStringLiteral("Orvida.ini")), QSettings::IniFormat);

    // Nothing stored: 1000, 1000 twips, 6500 x 6500.
    EXPECT_EQ(readMainPlacement(settings), (MainPlacement { 1000, 1000, 6500, 6500 }));
    EXPECT_EQ(readMainPlacement(settings).pixels(), QRect(67, 67, 433, 433));

    // Values are stored as text.
    settings.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("1500"));
    settings.setValue(QStringLiteral("Settings/MainTop"), QStringLiteral(" 300 "));
    settings.setValue(QStringLiteral("Settings/MainWidth"), QStringLiteral("9000"));
    settings.setValue(QStringLiteral("Settings/MainHeight"), QStringLiteral("7200.4"));
    EXPECT_EQ(readMainPlacement(settings), (MainPlacement { 1500, 300, 9000, 7200 }));

    // Keys outside the section are not the placement.
    settings.remove(QStringLiteral("Settings"));
    settings.setValue(QStringLiteral("MainLeft"), QStringLiteral("3000"));
    EXPECT_EQ(readMainPlacement(settings), MainPlacement {});

    // A value that is not a number, or a size that is not positive, keeps its default; a
    // negative position is a real position (a second screen on the left).
    settings.setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("-2000"));
    settings.setValue(QStringLiteral("Settings/MainTop"), QStringLiteral("sus"));
    settings.setValue(QStringLiteral("Settings/MainWidth"), QStringLiteral("0"));
    settings.setValue(QStringLiteral("Settings/MainHeight"), QStringLiteral("-5"));
    EXPECT_EQ(readMainPlacement(settings), (MainPlacement { -2000, 1000, 6500, 6500 }));
}
