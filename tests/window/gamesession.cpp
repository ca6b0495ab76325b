#include "gamesession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <X11/Xlib.h>

#include <memory>

namespace quorrax::window {

::testing::AssertionResult GameSession::start()
{
    const QString program = m_folder + QStringLiteral("/quorrax");
    if (!QFile::exists(program) && !QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program))
        return ::testing::AssertionFailure() << "cannot copy the game to " << program.toStdString();
    const QString logs = m_screen.scratch(QStringLiteral("logs"));
    if (!m_game.start(program, {}, m_screen.environment(), logs + QStringLiteral("/game.log"), false, logs))
        return ::testing::AssertionFailure() << "cannot start " << program.toStdString();
    // Qt keeps a small helper window of the same name; the main one is as wide as the field.
    return waitForWindow({QStringLiteral("--name"), QStringLiteral("^Quorrax$")},
                         [](const XWindow &w) { return w.frame.width() == fieldWidth; }, &m_window);
}

::testing::AssertionResult GameSession::xdotool(const QStringList &arguments, QByteArray *out)
{
    const ToolResult result = runTool(m_screen.environment(), QStringLiteral("xdotool"), arguments);
    if (out != nullptr)
        *out = result.out;
    if (!result.ok())
        return ::testing::AssertionFailure() << result.describe(QStringLiteral("xdotool ") + arguments.join(' ')).toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::waitForWindow(const QStringList &criteria,
                                                      const std::function<bool(const XWindow &)> &accept, XWindow *found)
{
    for (const QDeadlineTimer deadline(defaultWaitMs); !deadline.hasExpired() && m_game.running();) {
        QByteArray ids;
        xdotool(QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} + criteria, &ids);
        for (const QByteArray &id : ids.split('\n')) {
            QByteArray shell;
            if (id.isEmpty() || !xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell))
                continue;
            const QRegularExpressionMatch g = QRegularExpression(QStringLiteral(
                "X=(-?\\d+)\\s+Y=(-?\\d+)\\s+WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")).match(QString::fromLatin1(shell));
            *found = {id.toULong(), QRect(g.captured(1).toInt(), g.captured(2).toInt(), g.captured(3).toInt(), g.captured(4).toInt())};
            if (g.hasMatch() && accept(*found))
                return ::testing::AssertionSuccess();
        }
    }
    return ::testing::AssertionFailure() << "no window " << criteria.join(' ').toStdString() << "; game log: "
                                         << m_game.log().toStdString();
}

::testing::AssertionResult GameSession::waitFor(const std::string &expected, const Check &check, Shot *matched, int timeoutMs)
{
    Shot shot;
    Verdict verdict{false, "no screenshot taken"};
    for (const QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired() && m_game.running();) {
        // The window as it stands on the screen, with the client area below the menu bar.
        const ToolResult import = runTool(m_screen.environment(), QStringLiteral("import"),
                                          {QStringLiteral("-window"), QString::number(m_window.id), QStringLiteral("ppm:-")});
        if (!import.ok() || !shot.screen.loadFromData(import.out, "PPM"))
            return ::testing::AssertionFailure() << import.describe(QStringLiteral("import")).toStdString();
        shot.screen = shot.screen.convertToFormat(QImage::Format_RGB32);
        shot.client = shot.screen.copy(0, shot.screen.height() - fieldHeight, fieldWidth, fieldHeight);
        if ((verdict = check(shot)).ok) {
            if (matched != nullptr)
                *matched = shot;
            return ::testing::AssertionSuccess();
        }
    }
    const QString kept = QStringLiteral(QUORRAX_FAILURE_DIR "/") +
                         QString::fromStdString(expected).replace(QRegularExpression(QStringLiteral("\\W+")), QStringLiteral("_")) + ".png";
    QDir().mkpath(QStringLiteral(QUORRAX_FAILURE_DIR));
    shot.screen.save(kept);
    return ::testing::AssertionFailure() << "expected " << expected << "; the last screenshot (" << kept.toStdString()
                                         << ") showed: " << verdict.seen << "; game log: " << m_game.log().toStdString();
}

::testing::AssertionResult GameSession::waitForFocus(unsigned long window)
{
    QByteArray focus;
    for (const QDeadlineTimer deadline(defaultWaitMs); !deadline.hasExpired();)
        if (xdotool({QStringLiteral("getwindowfocus")}, &focus) && focus.trimmed().toULong() == window)
            return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the input focus stayed on " << focus.toStdString() << ", not " << window;
}

::testing::AssertionResult GameSession::pressCloseBox()
{
    // xdotool's windowclose destroys the window instead, which no program can answer.
    const std::unique_ptr<Display, int (*)(Display *)> x(XOpenDisplay(m_screen.display().toLatin1()), XCloseDisplay);
    if (!x)
        return ::testing::AssertionFailure() << "cannot open display " << m_screen.display().toStdString();
    XEvent event{};
    event.xclient = {ClientMessage, 0, True, x.get(), m_window.id, XInternAtom(x.get(), "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(x.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.get(), m_window.id, False, NoEventMask, &event);
    XSync(x.get(), False);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::waitForCleanExit()
{
    if (!m_game.waitForExit(defaultWaitMs) || m_game.exitStatus() != QProcess::NormalExit || m_game.exitCode() != 0)
        return ::testing::AssertionFailure() << "the game did not end by itself with status 0; log: " << m_game.log().toStdString();
    return ::testing::AssertionSuccess();
}

} // namespace quorrax::window
