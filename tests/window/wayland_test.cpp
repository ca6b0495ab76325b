// SPDX-License-Identifier: MIT
#include "game_session.h"

#include <QLibraryInfo>
#include <QStandardPaths>

#include <csignal>

// The game as a Wayland client of a headless Weston of the test's own: its title reaches
// the compositor pixel for pixel, and it saves the score however it ends there, by a signal
// or with the compositor gone under it. (Weston takes no keys from other programs.)

namespace quorrax::window {
namespace {

// Where the field's top-left corner shows on `screen`: where the title's lettering shows.
std::optional<QPoint> findTitle(const QImage &screen, const QImage &title, const QRect &lettering)
{
    const QPoint probe(303, 47); // a yellow pixel of the lettering
    for (int y = 0; y + fieldHeight <= screen.height(); ++y)
        for (int x = 0; x + fieldWidth <= screen.width(); ++x)
            if (screen.pixel(x + probe.x(), y + probe.y()) == title.pixel(probe) &&
                showsPicture(screen.copy(x, y, fieldWidth, fieldHeight), title, {0, 0}, lettering).ok)
                return QPoint(x, y);
    return std::nullopt;
}

TEST(WaylandTest, TheTitleShowsAndEveryEndSaves)
{
    QStringList missing;
    for (const QString &tool : {QStringLiteral("weston"), QStringLiteral("weston-screenshooter")})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so"))
        missing << QStringLiteral("Qt's Wayland plugin (qt6-wayland)");
    if (!runTool(QProcessEnvironment::systemEnvironment(), QStringLiteral("fc-list"), {"-q", "IPAPGothic"}).ok())
        missing << QStringLiteral("the font IPAPGothic");
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.join(QStringLiteral(", ")).toStdString();
    const struct {
        const char *name;
        bool compositorDies; // else the game is sent SIGTERM
        int status;
    } rows[] = {{"the compositor ended under the game", true, 1}, {"SIGTERM", false, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir scratch;
        const QString runtime = scratch.path() /* the owner's alone */, logs = scratch.filePath("logs");
        ASSERT_TRUE(QDir().mkpath(logs) && QDir().mkpath(scratch.filePath("game")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        for (const auto &[name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, {"WAYLAND_DISPLAY", "quorrax-test"},
                                          {"QT_QPA_PLATFORM", "wayland"}, {"HOME", scratch.filePath("home")},
                                          {"XDG_DATA_HOME", scratch.filePath("home/.local/share")}})
            environment.insert(QString::fromLatin1(name), value);
        ChildProcess weston, game;
        const QStringList options = QString("--backend=headless-backend.so --use-pixman --socket=quorrax-test "
                                            "--width=1024 --height=768 --idle-time=0 --debug").split(' ');
        ASSERT_TRUE(weston.start(QStringLiteral("weston"), options, environment, logs + "/weston.log"));
        for (const QDeadlineTimer deadline(waitMs); !QFile::exists(runtime + "/quorrax-test.lock");)
            ASSERT_FALSE(deadline.hasExpired() || weston.waitForExit(50)) << weston.log().toStdString();
        const QString program = scratch.filePath("game/quorrax");
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program) &&
                    game.start(program, {}, environment, logs + "/game.log", false, logs));

        std::optional<QPoint> field;
        const auto shoot = [&] {
            ChildProcess shooter;
            QImage screen;
            if (shooter.start(QStringLiteral("weston-screenshooter"), {}, environment, logs + "/shot.log", false, logs))
                shooter.waitForExit(waitMs);
            for (const QString &name : QDir(logs).entryList({"wayland-screenshot-*.png"}))
                if (screen.load(logs + "/" + name) && QFile::remove(logs + "/" + name))
                    screen = screen.convertToFormat(QImage::Format_RGB32);
            if (!field && !screen.isNull())
                field = findTitle(screen, asset("title.png"), QRect(0, 18, fieldWidth, 228));
            return field ? screen.copy(QRect(*field, QSize(fieldWidth, fieldHeight))) : QImage();
        };
        QImage first;
        for (const QDeadlineTimer deadline(waitMs); first.isNull() && !deadline.hasExpired() && game.running();)
            first = shoot();
        ASSERT_FALSE(first.isNull()) << "no title on the compositor's screen; game log: " << game.log().toStdString();
        EXPECT_TRUE(showsText(first, "High Score(Single):0", 0, 0, 9, yellow).ok);
        // "Press Return to start" fades in and out: the frames after the first reach the screen.
        const QRect prompt(260, 255, fieldWidth - 260, 25);
        bool changed = false;
        for (const QDeadlineTimer deadline(waitMs); !changed && !deadline.hasExpired() && game.running();)
            if (const QImage next = shoot(); !next.isNull())
                changed = !sameArea(first, next, prompt).ok;
        EXPECT_TRUE(changed) << "the title's prompt never changed on the compositor's screen";

        if (row.compositorDies)
            weston.stop();
        else
            ::kill(pid_t(game.process().processId()), SIGTERM);
        ASSERT_TRUE(game.waitForExit(waitMs));
        EXPECT_TRUE(game.exitStatus() == QProcess::NormalExit && game.exitCode() == row.status)
            << "status " << game.exitCode() << "; " << game.log().toStdString();
        QFile saved(scratch.filePath("game/Quorx.ini"));
        EXPECT_EQ(saved.open(QIODevice::ReadOnly) ? saved.readAll() : "(no file)", "[Quorrax]\r\nHighScore=0\r\n");
    }
}

} // namespace
} // namespace quorrax::window
