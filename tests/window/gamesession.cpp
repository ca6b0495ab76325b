#include "gamesession.h"

#include "closebox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sstream>

namespace quorrax::window {

namespace {

const QString programName = QStringLiteral("quorrax");

std::optional<int> field(const QByteArray &xwininfo, const char *label)
{
    const QRegularExpression pattern(QStringLiteral("^\\s*") + QRegularExpression::escape(QLatin1String(label)) +
                                         QStringLiteral(":\\s*(-?\\d+)"),
                                     QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pattern.match(QString::fromLocal8Bit(xwininfo));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::string currentTestName()
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        return "window-test";
    return std::string(test->test_suite_name()) + "." + test->name();
}

} // namespace

std::optional<QString> readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromLatin1(file.readAll());
}

GameSession::GameSession(const VirtualScreen &screen, const QString &folder) : m_screen(screen), m_folder(folder) {}

QString GameSession::highScoreFile() const
{
    return m_folder + QStringLiteral("/Quorx.ini");
}

QPoint GameSession::clientOrigin() const
{
    return {m_window.frame.left(), m_window.frame.bottom() + 1 - fieldHeight};
}

ToolResult GameSession::xdotool(const QStringList &arguments, int timeoutMs)
{
    return runTool(m_screen.environment(), QStringLiteral("xdotool"), arguments, timeoutMs);
}

::testing::AssertionResult GameSession::start()
{
    const QString program = m_folder + QStringLiteral("/") + programName;
    if (!QFileInfo::exists(program) && !QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program))
        return ::testing::AssertionFailure()
               << "cannot copy " << QUORRAX_GAME_BINARY << " to " << program.toStdString();
    const QString log = m_screen.scratch(QStringLiteral("logs")) + QStringLiteral("/game-") +
                        QFileInfo(m_folder).fileName() + QStringLiteral(".log");
    if (!m_game.start(program, {}, m_screen.environment(), log, false, m_screen.scratch(QStringLiteral("logs"))))
        return ::testing::AssertionFailure() << "cannot start " << program.toStdString();

    // Qt keeps a small helper window of the same name; the main window is as wide as the
    // field.
    const auto asWideAsTheField = [](const XWindow &window) { return window.frame.width() == fieldWidth; };
    ::testing::AssertionResult found =
        waitForWindow("the main window \"Quorrax\"", {QStringLiteral("--name"), QStringLiteral("^Quorrax$")},
                      asWideAsTheField, &m_window);
    if (!found)
        return found << "; game log: " << gameLog();
    if (m_window.frame.height() < fieldHeight)
        return ::testing::AssertionFailure()
               << "the window is only " << m_window.frame.height() << " pixels high, less than the field";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::waitForWindow(const std::string &expected, const QStringList &criteria,
                                                      const WindowFilter &accept, XWindow *found, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        if (const std::optional<XWindow> window = findWindow(criteria, accept)) {
            if (found != nullptr)
                *found = *window;
            return ::testing::AssertionSuccess();
        }
    } while (!deadline.hasExpired() && m_game.running());
    return ::testing::AssertionFailure() << "expected " << expected << " (a window found by xdotool search "
                                         << criteria.join(QLatin1Char(' ')).toStdString() << ") within " << timeoutMs
                                         << " ms" << (m_game.running() ? "" : "; the game has ended")
                                         << keepScreen(expected);
}

std::string GameSession::keepScreen(const std::string &step)
{
    Shot shot;
    std::string error;
    if (!shoot(shot, error))
        return " (no screenshot: " + error + ")";
    return keep(shot, step);
}

::testing::AssertionResult GameSession::waitForNoWindow(const std::string &expected, const QStringList &criteria,
                                                        int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        if (!findWindow(criteria))
            return ::testing::AssertionSuccess();
    } while (!deadline.hasExpired());
    return ::testing::AssertionFailure() << "expected " << expected << " within " << timeoutMs
                                         << " ms, but xdotool search " << criteria.join(QLatin1Char(' ')).toStdString()
                                         << " still finds a window" << keepScreen(expected);
}

std::optional<XWindow> GameSession::findWindow(const QStringList &criteria, const WindowFilter &accept)
{
    const ToolResult search =
        xdotool(QStringList{QStringLiteral("search"), QStringLiteral("--onlyvisible")} + criteria);
    if (!search.ok())
        return std::nullopt;
    for (const QByteArray &line : search.out.split('\n')) {
        bool number = false;
        const unsigned long id = line.trimmed().toULong(&number);
        if (!number)
            continue;
        // xwininfo reports the position on the screen even when a window manager has put
        // the window into a frame of its own; xdotool's getwindowgeometry does not.
        const ToolResult info =
            runTool(m_screen.environment(), QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(id)});
        const auto x = field(info.out, "Absolute upper-left X");
        const auto y = field(info.out, "Absolute upper-left Y");
        const auto w = field(info.out, "Width");
        const auto h = field(info.out, "Height");
        if (!info.ok() || !x || !y || !w || !h || !info.out.contains("IsViewable"))
            continue;
        const XWindow window{id, QRect(*x, *y, *w, *h)};
        if (!accept || accept(window))
            return window;
    }
    return std::nullopt;
}

bool GameSession::shoot(Shot &shot, std::string &error)
{
    // PPM keeps the import fast: no compression on the way.
    const ToolResult import = runTool(m_screen.environment(), QStringLiteral("import"),
                                      {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("ppm:-")});
    if (!import.ok() || !shot.screen.loadFromData(import.out, "PPM")) {
        error = import.describe(QStringLiteral("import -window root")).toStdString();
        return false;
    }
    shot.screen = shot.screen.convertToFormat(QImage::Format_RGB32);
    shot.client = shot.screen.copy(QRect(clientOrigin(), QSize(fieldWidth, fieldHeight)));
    return true;
}

std::string GameSession::keep(const Shot &shot, const std::string &step)
{
    const QString folder = QStringLiteral(QUORRAX_FAILURE_DIR);
    QDir().mkpath(folder);
    QString name = QString::fromStdString(currentTestName() + "-" + step).left(100);
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    const QString path = folder + QStringLiteral("/") + name + QStringLiteral(".png");
    if (shot.screen.isNull() || !shot.screen.save(path, "PNG"))
        return " (no screenshot could be kept)";
    return " (screenshot: " + path.toStdString() + ")";
}

::testing::AssertionResult GameSession::waitFor(const std::string &expected, const Check &check, Shot *matched,
                                                int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    Shot shot;
    Verdict verdict{false, "no screenshot taken"};
    int polls = 0;
    do {
        std::string error;
        if (!shoot(shot, error))
            return ::testing::AssertionFailure() << "while waiting for " << expected << ": " << error;
        ++polls;
        verdict = check(shot);
        if (verdict.ok) {
            if (matched != nullptr)
                *matched = shot;
            return ::testing::AssertionSuccess();
        }
    } while (!deadline.hasExpired() && m_game.running());
    return ::testing::AssertionFailure() << "expected " << expected << " within " << timeoutMs << " ms; after " << polls
                                         << " screenshots the last one showed: " << verdict.seen
                                         << (m_game.running() ? "" : "; the game has ended, log: " + gameLog())
                                         << keep(shot, expected);
}

::testing::AssertionResult GameSession::holdsFor(const std::string &expected, const Check &check, int polls, int ms)
{
    QElapsedTimer clock;
    clock.start();
    for (int taken = 0; taken < polls || clock.elapsed() < ms; ++taken) {
        Shot shot;
        std::string error;
        if (!shoot(shot, error))
            return ::testing::AssertionFailure() << "while checking " << expected << ": " << error;
        const Verdict verdict = check(shot);
        if (!verdict.ok)
            return ::testing::AssertionFailure()
                   << "expected " << expected << " on every screenshot, but shot " << taken + 1 << " (after "
                   << clock.elapsed() << " ms) showed: " << verdict.seen << keep(shot, expected);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::key(const QString &keys)
{
    const ToolResult result = xdotool(QStringList{QStringLiteral("key")} + keys.split(QLatin1Char(' ')));
    if (!result.ok())
        return ::testing::AssertionFailure() << result.describe(QStringLiteral("xdotool key ") + keys).toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::clickAt(QPoint onScreen)
{
    const ToolResult result = xdotool({QStringLiteral("mousemove"), QString::number(onScreen.x()),
                                       QString::number(onScreen.y()), QStringLiteral("click"), QStringLiteral("1")});
    if (!result.ok())
        return ::testing::AssertionFailure() << result.describe(QStringLiteral("xdotool click")).toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::waitForFocus(unsigned long window, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray seen;
    do {
        const ToolResult focus = xdotool({QStringLiteral("getwindowfocus")});
        seen = focus.out.trimmed();
        if (focus.ok() && seen.toULong() == window)
            return ::testing::AssertionSuccess();
    } while (!deadline.hasExpired());
    return ::testing::AssertionFailure() << "expected the input focus on window " << window << " within " << timeoutMs
                                         << " ms; it is on " << seen.toStdString() << keepScreen("focus");
}

::testing::AssertionResult GameSession::moveWindow(unsigned long window, QPoint to)
{
    const ToolResult result = xdotool(
        {QStringLiteral("windowmove"), QString::number(window), QString::number(to.x()), QString::number(to.y())});
    if (!result.ok())
        return ::testing::AssertionFailure() << result.describe(QStringLiteral("xdotool windowmove")).toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::pressCloseBox()
{
    const std::string error = requestClose(m_screen.display().toStdString(), m_window.id);
    if (!error.empty())
        return ::testing::AssertionFailure() << "cannot ask the window to close: " << error;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::waitForCleanExit(int timeoutMs)
{
    if (!m_game.waitForExit(timeoutMs))
        return ::testing::AssertionFailure() << "the game was still running " << timeoutMs << " ms after it was closed";
    if (m_game.exitStatus() != QProcess::NormalExit || m_game.exitCode() != 0)
        return ::testing::AssertionFailure()
               << "the game ended "
               << (m_game.exitStatus() == QProcess::NormalExit ? "with status " : "by signal/crash, code ")
               << m_game.exitCode() << "; log: " << gameLog();
    return ::testing::AssertionSuccess();
}

} // namespace quorrax::window
