// SPDX-License-Identifier: MIT
#pragma once

#include "pixels.h"
#include "xserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <X11/Xlib.h>

#include <memory>

namespace quorrax::window {

using Result = testing::AssertionResult;
using XDisplay = std::unique_ptr<Display, int (*)(Display *)>;
constexpr int waitMs = 10'000;
constexpr QRgb magenta = 0xffff00ff; // a colour the game never shows

struct XWindow {
    unsigned long id = 0;
    QRect frame; // on the screen
};

// The built program, copied into a folder of the test's own and played through xdotool on
// a VirtualScreen whose desktop scales the field by `scale`; killed when the test lets go.
class GameSession
{
public:
    GameSession(const VirtualScreen &screen, const QString &folder, int scale = 1)
        : m_screen(screen), m_folder(folder), m_scale(scale)
    {}
    virtual ~GameSession() = default;

    // The program copied into the folder, started there with `environment`.
    Result startProgram(const QProcessEnvironment &environment)
    {
        const QString program = m_folder + QStringLiteral("/quorrax"), logs = m_screen.scratch(QStringLiteral("logs"));
        if (!QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program) ||
            !m_game.start(program, {}, environment, logs + "/game.log", false, logs))
            return testing::AssertionFailure() << "cannot copy and start " << program.toStdString();
        return testing::AssertionSuccess();
    }
    Result start()
    {
        if (Result started = startProgram(m_screen.environment()); !started)
            return started;
        // Qt keeps a small helper window of the same name; the main one is as wide as the field.
        return waitForWindow(
            {"--name", "^Quorrax$"}, [this](const XWindow &w) { return w.frame.width() == fieldWidth * m_scale; },
            &m_window);
    }
    QByteArray highScoreFile() const
    {
        QFile file(m_folder + QStringLiteral("/Quorx.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "(no file)";
    }
    // The file holds a score above 0, as a new high score leaves it.
    bool savedAHighScore() const
    {
        return QString::fromLatin1(highScoreFile())
            .contains(QRegularExpression(QStringLiteral("^\\[Quorrax\\]\r\nHighScore=[1-9][0-9]*\r\n$")));
    }
    const XWindow &window() const { return m_window; }

    // Keys go to whichever window has the X input focus.
    Result xdotool(const QStringList &arguments, QByteArray *out = nullptr)
    {
        const ToolResult result = runTool(m_screen.environment(), QStringLiteral("xdotool"), arguments);
        if (out != nullptr)
            *out = result.out;
        return result.ok()
                   ? testing::AssertionSuccess()
                   : testing::AssertionFailure() << result.describe("xdotool " + arguments.join(' ')).toStdString();
    }
    XDisplay display() const { return {XOpenDisplay(m_screen.display().toLatin1()), XCloseDisplay}; }
    // Keys named apart by spaces, 150 ms apart.
    Result key(const QString &keys) { return xdotool(QStringList{"key", "--delay", "150"} + keys.split(' ')); }
    // A click at `at` on the screen; then the pointer rests in the corner, where it covers
    // nothing of the game.
    Result clickAt(QPoint at)
    {
        return xdotool(
            {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1", "mousemove", "0", "0"});
    }

    Result waitForFocus(unsigned long window)
    {
        QByteArray focus;
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired();)
            if (xdotool({QStringLiteral("getwindowfocus")}, &focus) && focus.trimmed().toULong() == window)
                return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the input focus stayed on " << focus.toStdString() << ", not " << window;
    }

    // A visible window that `xdotool search` finds with `criteria` and `accept` takes.
    Result waitForWindow(const QStringList &criteria, const std::function<bool(const XWindow &)> &accept,
                         XWindow *found)
    {
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired() && m_game.running();) {
            QByteArray ids, shell;
            xdotool(QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} + criteria, &ids);
            for (const QByteArray &id : ids.split('\n')) {
                if (id.isEmpty() ||
                    !xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell))
                    continue;
                const QRegularExpressionMatch g =
                    QRegularExpression(QStringLiteral("X=(-?\\d+)\\s+Y=(-?\\d+)\\s+WIDTH=(\\d+)\\s+HEIGHT=(\\d+)"))
                        .match(shell);
                *found = {id.toULong(), QRect(g.captured(1).toInt(), g.captured(2).toInt(), g.captured(3).toInt(),
                                              g.captured(4).toInt())};
                if (g.hasMatch() && accept(*found))
                    return testing::AssertionSuccess();
            }
        }
        return testing::AssertionFailure()
               << "no window " << criteria.join(' ').toStdString() << "; game log: " << m_game.log().toStdString();
    }

    // Takes screenshots until `check` holds for one, kept in `matched`; on failure the last
    // one is saved beside the build, and the message says what it showed.
    Result waitFor(const std::string &expected, const Check &check, Shot *matched = nullptr)
    {
        Shot shot;
        Verdict verdict{false, "no screenshot taken"};
        for (const QDeadlineTimer deadline(waitMs); !deadline.hasExpired() && m_game.running();) {
            if ((verdict = shoot(shot)).ok && (verdict = check(shot)).ok) {
                if (matched != nullptr)
                    *matched = shot;
                return testing::AssertionSuccess();
            }
        }
        const QString kept = QStringLiteral(QUORRAX_FAILURE_DIR "/") +
                             QString::fromStdString(expected).replace(QRegularExpression("\\W+"), "_") + ".png";
        QDir().mkpath(QStringLiteral(QUORRAX_FAILURE_DIR));
        shot.screen.save(kept);
        return testing::AssertionFailure()
               << "expected " << expected << "; the last screenshot (" << kept.toStdString()
               << ") showed: " << verdict.seen << "; game log: " << m_game.log().toStdString();
    }

    // The main window as the window system holds it: title, class, the Motif hints that tell
    // a window manager which functions and buttons to offer, and the limits of its size (the
    // place and size it asked for at first left out).
    std::string windowFacts() const
    {
        const ToolResult xprop = runTool(
            m_screen.environment(), QStringLiteral("xprop"),
            {"-id", QString::number(m_window.id), "_NET_WM_NAME", "WM_CLASS", "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"});
        return QString::fromUtf8(xprop.out)
            .remove(QRegularExpression(QStringLiteral("\\s+user specified[^\n]*")))
            .toStdString();
    }

    // Maps a window of another client over the field until it shows there, and takes it away
    // again: the game must put the field back as `before` showed it, pixel for pixel.
    Result coverAndUncover(const Shot &before)
    {
        const XDisplay x = display();
        const Window cover = XCreateSimpleWindow(x.get(), DefaultRootWindow(x.get()), m_window.frame.left(),
                                                 m_window.frame.bottom() + 1 - fieldHeight, fieldWidth, fieldHeight, 0,
                                                 0, magenta & 0xffffff);
        XMapRaised(x.get(), cover);
        XSync(x.get(), False);
        const Result covered = waitFor("another window over the whole field", [](const Shot &s) {
            return hasColour(s.client, s.client.rect(), magenta, fieldWidth * fieldHeight);
        });
        XDestroyWindow(x.get(), cover);
        XSync(x.get(), False);
        if (!covered)
            return covered;
        return waitFor("the field as it was before the cover",
                       [&before](const Shot &s) { return sameArea(before.client, s.client, s.client.rect()); });
    }

    // The message a window manager sends for the close box (xdotool's windowclose destroys
    // the window instead, which no program can answer); the game must then end by itself.
    Result pressCloseBoxAndWaitForTheEnd()
    {
        const XDisplay x = display();
        if (!x)
            return testing::AssertionFailure() << "cannot open display " << m_screen.display().toStdString();
        XEvent event{};
        event.xclient = {
            ClientMessage, 0, True, x.get(), m_window.id, XInternAtom(x.get(), "WM_PROTOCOLS", False), 32, {}};
        event.xclient.data.l[0] = long(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
        XSendEvent(x.get(), m_window.id, False, NoEventMask, &event);
        XSync(x.get(), False);
        return waitForTheEnd(0);
    }

    // Waits for the game to end by itself, with the exit status `status`.
    Result waitForTheEnd(int status)
    {
        if (!m_game.waitForExit(waitMs) || m_game.exitStatus() != QProcess::NormalExit || m_game.exitCode() != status)
            return testing::AssertionFailure() << "the game did not end by itself with status " << status
                                               << "; log: " << m_game.log().toStdString();
        return testing::AssertionSuccess();
    }
    QString log() const { return m_game.log(); }

protected:
    // What the screen shows where the window is, with whatever lies over it; the client area
    // is the window below its menu bar, in the screen's pixels.
    virtual Verdict shoot(Shot &shot)
    {
        const ToolResult import = runTool(m_screen.environment(), QStringLiteral("import"),
                                          {"-screen", "-window", QString::number(m_window.id), "ppm:-"});
        if (!import.ok() || !shot.screen.loadFromData(import.out, "PPM"))
            return {false, import.describe(QStringLiteral("import")).toStdString()};
        shot.screen = shot.screen.convertToFormat(QImage::Format_RGB32);
        shot.client = shot.screen.copy(0, shot.screen.height() - fieldHeight * m_scale, fieldWidth * m_scale,
                                       fieldHeight * m_scale);
        return {true, ""};
    }

    const VirtualScreen &m_screen;
    QString m_folder;
    int m_scale;
    XWindow m_window;
    ChildProcess m_game;
};

} // namespace quorrax::window
