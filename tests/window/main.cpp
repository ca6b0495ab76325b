// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <vector>

int main(int argc, char **argv)
{
    // The tests start X servers, the game and the X tools as child processes. Their own
    // application draws only the texts' looks, off screen, and never opens a display.
    std::vector<char *> arguments(argv, argv + argc);
    char platform[] = "-platform", offscreen[] = "offscreen";
    arguments.insert(arguments.begin() + 1, {platform, offscreen});
    int count = int(arguments.size());
    QGuiApplication app(count, arguments.data());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
