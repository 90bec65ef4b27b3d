// Test main: runs GoogleTest inside a headless Qt application, so tests may
// use fonts, QPainter and (for the widget tests) widgets.
#include <gtest/gtest.h>

#include <QLocale>
#include <cstdlib>

#ifdef VELLORA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
