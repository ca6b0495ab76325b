#pragma once

#include "pixels.h"
#include "xserver.h"

namespace quorrax::window {

constexpr int defaultWaitMs = 10'000;

// A top-level window as the X server sees it: its id, and its place and size on the screen.
struct XWindow {
    unsigned long id = 0;
    QRect frame;
};

// The real game, a copy of the built program in a folder of the test's own, running on a
// VirtualScreen and played through xdotool. It is killed when the test lets go of it.
class GameSession
{
public:
    GameSession(const VirtualScreen &screen, const QString &folder) : m_screen(screen), m_folder(folder) {}

    // Copies the program into the folder, unless it is there, starts it and finds its window.
    ::testing::AssertionResult start();
    QString highScoreFile() const { return m_folder + QStringLiteral("/Quorx.ini"); }
    const XWindow &window() const { return m_window; }
    // Takes screenshots of the window until `check` holds for one, stored in `matched`; on
    // failure the last one is kept beside the build, and the message says what it showed.
    ::testing::AssertionResult waitFor(const std::string &expected, const Check &check, Shot *matched = nullptr,
                                       int timeoutMs = defaultWaitMs);
    // Runs xdotool: keys go to whichever window has the focus.
    ::testing::AssertionResult xdotool(const QStringList &arguments, QByteArray *out = nullptr);
    ::testing::AssertionResult key(const QString &keys) { return xdotool({QStringLiteral("key"), keys}); }
    ::testing::AssertionResult clickAt(QPoint at) { return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}); }
    // Waits for the X input focus on `window`, so that the next key reaches it.
    ::testing::AssertionResult waitForFocus(unsigned long window);
    // Waits for a visible window found by `xdotool search` with `criteria` that `accept` takes.
    ::testing::AssertionResult waitForWindow(const QStringList &criteria, const std::function<bool(const XWindow &)> &accept,
                                             XWindow *found);
    // Sends the message a window manager sends for the close box; the game must then end by
    // itself, normally and with status 0.
    ::testing::AssertionResult pressCloseBox();
    ::testing::AssertionResult waitForCleanExit();

private:
    const VirtualScreen &m_screen;
    QString m_folder;
    XWindow m_window;
    ChildProcess m_game;
};

} // namespace quorrax::window
