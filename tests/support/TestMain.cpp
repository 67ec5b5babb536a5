#include <QGuiApplication>

#include <gtest/gtest.h>

// Core tests run under a QGuiApplication on the offscreen platform: fonts and painting work
// without a display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
