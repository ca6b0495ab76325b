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

QString missingForWayland()
{
    QStringList missing;
    for (const char *tool : {"weston", "weston-screenshooter"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so"))
        missing << QStringLiteral("Qt's Wayland plugin (qt6-wayland)");
    return missing.join(QStringLiteral(", "));
}

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
    if (const QString missing = missingForWayland() + missingHere(true); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    const struct {
        const char *name;
        bool compositorDies; // else the game is sent SIGTERM
        int status;
    } rows[] = {{"the compositor ended under the game", true, 1}, {"SIGTERM", false, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir scratch;
        const QString runtime = scratch.filePath("runtime"), logs = scratch.filePath("logs");
        ASSERT_TRUE(QDir().mkpath(runtime) && QDir().mkpath(logs) && QDir().mkpath(scratch.filePath("game")));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        for (const auto &[name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, {"WAYLAND_DISPLAY", "quorrax-test"},
                                          {"QT_QPA_PLATFORM", "wayland"}, {"HOME", scratch.filePath("home")},
                                          {"XDG_DATA_HOME", scratch.filePath("home/.local/share")}})
            environment.insert(QString::fromLatin1(name), value);
        ChildProcess weston, game;
        ASSERT_TRUE(weston.start(QStringLiteral("weston"),
                                 QString("--backend=headless-backend.so --use-pixman --socket=quorrax-test --width=1024 "
                                         "--height=768 --idle-time=0 --debug")
                                     .split(' '),
                                 environment, logs + "/weston.log"));
        for (const QDeadlineTimer deadline(waitMs); !QFile::exists(runtime + "/quorrax-test.lock");)
            ASSERT_FALSE(deadline.hasExpired() || weston.waitForExit(50)) << weston.log().toStdString();
        const QString program = scratch.filePath("game/quorrax");
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program) &&
                    game.start(program, {}, environment, logs + "/game.log", false, logs));

        // The compositor's screen, and on it the field, found by the title's lettering.
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
            changed = !sameArea(first, shoot(), prompt).ok;
        EXPECT_TRUE(changed) << "the title's prompt never changed on the compositor's screen";

        if (row.compositorDies)
            weston.stop();
        else
            ::kill(pid_t(game.process().processId()), SIGTERM);
        ASSERT_TRUE(game.waitForExit(waitMs));
        EXPECT_EQ(game.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(game.exitCode(), row.status) << game.log().toStdString();
        QFile saved(scratch.filePath("game/Quorx.ini"));
        EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll(), "[Quorrax]\r\nHighScore=0\r\n");
    }
}

} // namespace
} // namespace quorrax::window
