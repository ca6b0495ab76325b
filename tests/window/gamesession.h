#pragma once

#include "pixels.h"
#include "process.h"
#include "xserver.h"

#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace quorrax::window {

constexpr int defaultWaitMs = 10'000;

// A top-level window as the X server sees it.
struct XWindow {
    unsigned long id = 0;
    QRect frame; // position on the screen and size, without a window manager's decoration
};

using WindowFilter = std::function<bool(const XWindow &)>;

// The real game, a copy of the built program in a folder of the test's own, running on a
// VirtualScreen and played through xdotool. It is killed when the test lets go of it.
class GameSession
{
public:
    GameSession(const VirtualScreen &screen, const QString &folder);

    // Copies the program into the folder (unless it is there from an earlier session),
    // starts it and finds its main window.
    ::testing::AssertionResult start();

    QString highScoreFile() const;
    const XWindow &window() const { return m_window; }
    // The client area's top-left corner on the screen: the game view fills the window
    // below the menu bar.
    QPoint clientOrigin() const;

    // Takes screenshots until `check` holds for one of them, which is stored in `matched`.
    // On failure the last screenshot is kept and the message says what was expected and
    // what the last check saw.
    ::testing::AssertionResult waitFor(const std::string &expected, const Check &check, Shot *matched = nullptr,
                                       int timeoutMs = defaultWaitMs);
    // Takes screenshots for at least `polls` shots and `ms` milliseconds; `check` must hold
    // for every one of them.
    ::testing::AssertionResult holdsFor(const std::string &expected, const Check &check, int polls, int ms);

    // Presses and releases keys (xdotool key names) on whichever window has the focus.
    ::testing::AssertionResult key(const QString &keys);
    ::testing::AssertionResult clickAt(QPoint onScreen);
    // Waits until the X input focus is on `window`, so that the next key reaches it.
    ::testing::AssertionResult waitForFocus(unsigned long window, int timeoutMs = defaultWaitMs);
    // A visible window found by xdotool search with `criteria` that `accept` takes, if any.
    std::optional<XWindow> findWindow(const QStringList &criteria, const WindowFilter &accept = {});
    ::testing::AssertionResult waitForWindow(const std::string &expected, const QStringList &criteria,
                                             const WindowFilter &accept, XWindow *found, int timeoutMs = defaultWaitMs);
    ::testing::AssertionResult waitForNoWindow(const std::string &expected, const QStringList &criteria,
                                               int timeoutMs = defaultWaitMs);
    ::testing::AssertionResult moveWindow(unsigned long window, QPoint to);

    ::testing::AssertionResult pressCloseBox();
    // The program must end by itself, normally and with status 0.
    ::testing::AssertionResult waitForCleanExit(int timeoutMs = defaultWaitMs);

    // Saves the screenshot beside the other failures and says where, for a failure message.
    std::string keep(const Shot &shot, const std::string &step);
    // Takes a screenshot just to keep it.
    std::string keepScreen(const std::string &step);
    std::string gameLog() const { return m_game.log().toStdString(); }

private:
    bool shoot(Shot &shot, std::string &error);
    ToolResult xdotool(const QStringList &arguments, int timeoutMs = defaultWaitMs);

    const VirtualScreen &m_screen;
    QString m_folder;
    XWindow m_window;
    ChildProcess m_game;
};

// The contents of the high-score file, if there is one.
std::optional<QString> readTextFile(const QString &path);

} // namespace quorrax::window
