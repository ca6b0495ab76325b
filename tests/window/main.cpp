// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char **argv)
{
    // The tests start X servers, the game and the X tools as child processes.
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
