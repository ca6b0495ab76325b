#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv)
{
    // Every test runs headless; the real-window tests start their own X server.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
