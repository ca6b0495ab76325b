#pragma once

#include "pixels.h"
#include "xserver.h"

namespace quorrax::window {

constexpr int defaultWaitMs = 10'000;

// A top-level window as the X server sees it.
struct XWindow {
    unsigned long id = 0;
    QRect frame; // position on the screen and size
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

    // Takes screenshots until `check` holds for one, stored in `matched`. On failure the
    // last one is kept beside the build, and the message says what it showed.
    ::testing::AssertionResult waitFor(const std::string &expected, const Check &check, Shot *matched = nullptr,
                                       int timeoutMs = defaultWaitMs);
    // Presses and releases keys (xdotool key names) on whichever window has the focus.
    ::testing::AssertionResult key(const QString &keys) { return xdotool({QStringLiteral("key"), keys}); }
    ::testing::AssertionResult clickAt(QPoint onScreen);
    // Waits for the X input focus on `window`, so that the next key reaches it.
    ::testing::AssertionResult waitForFocus(unsigned long window);
    // Waits for a visible window found by `xdotool search` with `criteria` that `accept` takes.
    ::testing::AssertionResult waitForWindow(const QStringList &criteria, const std::function<bool(const XWindow &)> &accept,
                                             XWindow *found);
    ::testing::AssertionResult xdotool(const QStringList &arguments, QByteArray *out = nullptr);

    // Sends the WM_DELETE_WINDOW message a window manager sends for the close box.
    ::testing::AssertionResult pressCloseBox();
    // The program must then end by itself, normally and with status 0.
    ::testing::AssertionResult waitForCleanExit();

private:
    const VirtualScreen &m_screen;
    QString m_folder;
    XWindow m_window;
    ChildProcess m_game;
};

} // namespace quorrax::window
