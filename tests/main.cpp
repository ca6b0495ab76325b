// SPDX-License-Identifier: MIT
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    // Every test runs headless; the real-window tests start their own X server.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A home of the run's own: the game's per-user files of a player on this machine are
    // never read or written.
    const quorrax::test::ScratchFolder home;
    setenv("HOME", home.dir().c_str(), 1);
    setenv("XDG_DATA_HOME", (home.path() + ".local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + ".config").c_str(), 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    // Game code that ends the process mid-test must not pass for a test that passed.
    static bool finished = false;
    std::atexit([] {
        if (!finished)
            std::fputs("the process was ended before its tests were\n", stderr), std::_Exit(1);
    });
    const int failed = RUN_ALL_TESTS();
    finished = true;
    return failed;
}
