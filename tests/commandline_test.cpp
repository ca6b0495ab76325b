// SPDX-License-Identifier: MIT
#include "buildinfo.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

namespace quorrax {
namespace {

// A display number with no X server behind it here: no socket and no lock file.
QString displayNobodyServes()
{
    int number = 900;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
           QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
        ++number;
    return QStringLiteral(":%1").arg(number);
}

// The built program, run as from a shell with no graphical session at all (unless the row
// names a display), so that anything that opens a window fails. What it prints and how it
// ends, as the player's shell sees it.
TEST(CommandLineTest, AnswersAndRefusalsNeedNoDisplayAndAMissingDisplayIsOneLine)
{
    const QString usage = QStringLiteral("Usage: quorrax [--help] [--version]\n");
    const QString hint = QStringLiteral("Try 'quorrax --help' for more information.\n");
    const QString version = QStringLiteral("quorrax %1\n").arg(build::version);
    const QString missing = QStringLiteral("the game needs a graphical session\n");
    const QString display = displayNobodyServes();
    const struct {
        QStringList arguments;
        QString display;
        int status;
        QString out, err; // the whole output, or its beginning where it ends in "..."
    } rows[] = {
        {{"--help"}, "", 0, usage + "...", ""},
        {{"-h"}, "", 0, usage + "...", ""},
        {{"--version"}, "", 0, version, ""},
        {{"-v"}, "", 0, version, ""},
        {{"--bogus"}, "", 2, "", "quorrax: unknown option '--bogus'\n" + hint},
        {{"-x", "--help"}, "", 2, "", "quorrax: unknown option '-x'\n" + hint},
        {{"level2"}, "", 2, "", "quorrax: unexpected argument 'level2'\n" + hint},
        {{}, "", 1, "", "quorrax: no display to open: DISPLAY is not set; " + missing},
        {{}, display, 1, "", "quorrax: cannot open the display " + display + "; " + missing},
    };
    const auto program = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../game/quorrax";
    for (const auto &row : rows) {
        SCOPED_TRACE(("quorrax " + row.arguments.join(' ') + " on display '" + row.display + "'").toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (!row.display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), row.display);
        QProcess game;
        game.setProcessEnvironment(environment);
        game.start(QString::fromStdString(program.string()), row.arguments);
        ASSERT_TRUE(game.waitForFinished(20'000));
        EXPECT_EQ(game.exitStatus(), QProcess::NormalExit) << "no abort, no core dump";
        EXPECT_EQ(game.exitCode(), row.status);
        const QString out = QString::fromLocal8Bit(game.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(game.readAllStandardError());
        for (const auto &[shown, expected] : {std::pair{out, row.out}, std::pair{err, row.err}}) {
            if (expected.endsWith(QStringLiteral("...")))
                EXPECT_TRUE(shown.startsWith(expected.chopped(3))) << shown.toStdString();
            else
                EXPECT_EQ(shown.toStdString(), expected.toStdString());
        }
    }
}

} // namespace
} // namespace quorrax
