// SPDX-License-Identifier: MIT
#include "buildinfo.h"
#include "fuzz/profile_invariants.h"
#include "game/frmmain.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <filesystem>
#include <optional>

#include <sched.h>

// The built program as a process, headless: its command line as the player's shell sees
// it, and the signals a desktop sends to end it.

namespace quorrax::test {
namespace {

namespace fs = std::filesystem;

const fs::path builtProgram = fs::read_symlink("/proc/self/exe").parent_path() / "../game/quorrax";

// Run as from a shell with no graphical session at all (unless the row names a display), so
// that anything that opens a window fails: what it prints and how it ends. In any locale,
// none or one whose text is not UTF-8, the program prints its own lines and nothing else.
TEST(CommandLineTest, AnswersAndRefusalsNeedNoDisplayAndAMissingDisplayIsOneLine)
{
    const QString usage = QStringLiteral("Usage: quorrax [--help] [--version]\n");
    const QString hint = QStringLiteral("Try 'quorrax --help' for more information.\n");
    const QString version = QStringLiteral("quorrax %1\n").arg(build::version);
    const QString missing = QStringLiteral("the game needs a graphical session\n");
    const QString display = QStringLiteral(":987"); // a display no X server serves here
    const struct {
        QStringList arguments;
        QString display;
        QString locale; // LC_ALL, or none of the locale's variables at all where empty
        int status;
        QString out, err; // the whole output, or its beginning where it ends in "..."
    } rows[] = {
        {{"--help"}, "", "", 0, usage + "...", ""},
        {{"-h"}, "", "C", 0, usage + "...", ""},
        {{"--version"}, "", "", 0, version, ""},
        {{"-v"}, "", "C.UTF-8", 0, version, ""},
        {{"--bogus"}, "", "POSIX", 2, "", "quorrax: unknown option '--bogus'\n" + hint},
        {{"-x", "--help"}, "", "", 2, "", "quorrax: unknown option '-x'\n" + hint},
        {{"level2"}, "", "xx_YY.ISO-8859-1", 2, "", "quorrax: unexpected argument 'level2'\n" + hint},
        {{}, "", "", 1, "", "quorrax: no display to open: DISPLAY is not set; " + missing},
        {{}, "", "C", 1, "", "quorrax: no display to open: DISPLAY is not set; " + missing},
        {{}, display, "", 1, "", "quorrax: cannot open the display " + display + "; " + missing},
        {{}, display, "xx_YY.ISO-8859-1", 1, "", "quorrax: cannot open the display " + display + "; " + missing},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(("quorrax " + row.arguments.join(' ') + " on display '" + row.display + "' in locale '" +
                      row.locale + "'")
                         .toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANG", "LANGUAGE", "LC_ALL",
                                 "LC_CTYPE", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(name));
        if (!row.locale.isEmpty())
            environment.insert(QStringLiteral("LC_ALL"), row.locale);
        if (!row.display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), row.display);
        QProcess game;
        game.setProcessEnvironment(environment);
        game.start(QString::fromStdString(builtProgram.string()), row.arguments);
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

// A signal mask of a running process ("SigCgt:" caught, "ShdPnd:" pending); 0 once it is gone.
std::uint64_t signalMask(qint64 pid, const std::string &name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name))
            return std::stoull(line.substr(name.size()), nullptr, 16);
    return 0;
}

// Sends the signals once the game has its handlers in place: a signal that comes before
// the file is read waits for the title's first yield.
void sendOnceCaught(QProcess &game, const std::vector<int> &sent)
{
    const std::uint64_t all = 1u << (SIGINT - 1) | 1u << (SIGTERM - 1) | 1u << (SIGHUP - 1);
    const QDeadlineTimer deadline(20'000);
    while (!deadline.hasExpired() && (signalMask(game.processId(), "SigCgt:") & all) != all)
        sched_yield();
    for (const int signal : sent) {
        // A signal sent while the same one is pending would merge with it.
        while (!deadline.hasExpired() && signalMask(game.processId(), "ShdPnd:") & 1u << (signal - 1))
            sched_yield();
        ::kill(pid_t(game.processId()), signal);
    }
}

// Sets XDG_DATA_HOME and HOME as the row has them ("{scratch}" standing for the scratch
// folder; null for unset), for the game to inherit byte for byte.
void setHomes(const fs::path &scratch, const char *xdgDataHome, const char *home)
{
    for (const auto &[name, value] : {std::pair{"XDG_DATA_HOME", xdgDataHome}, std::pair{"HOME", home}})
        value ? ::setenv(name, placed(value, {{"{scratch}", scratch}}).c_str(), 1) : ::unsetenv(name);
}

// Every file under `top` but those in `except`, by its path from `top`.
std::vector<std::string> filesUnder(const fs::path &top, const fs::path &except)
{
    std::vector<std::string> made;
    for (const auto &entry : fs::recursive_directory_iterator(top))
        if (entry.is_regular_file() && entry.path().parent_path() != except)
            made.push_back(fs::relative(entry.path(), top).string());
    return made;
}

const std::string notes = "; my own notes\r\n[Other]\r\nName = Someone  \r\n\r\n[Quorrax]\r\n";
const std::string bad = notes + "HighScore=lots", copied = notes + "HighScore=0\r\n",
                  kept = "[Quorrax]\r\nHighScore=04321\r\n", huge = notes + "HighScore=" + std::string(100000, '9');
const std::string inData = "data/quorrax/Quorx.ini", inHome = "home/.local/share/quorrax/Quorx.ini";
constexpr const char *unset = nullptr, *scratchData = "{scratch}/data", *scratchHome = "{scratch}/home";
const std::string keptIn = "the high score 0 is kept in the player's own copy {scratch}/",
                  refused = ", as the shared file refused it: {program}/Quorx.ini: ",
                  lost = "the high score 0 was not saved: {program}/Quorx.ini: ";

struct SignalRow {
    std::vector<int> sent;
    std::string before, after; // the file beside the program
    bool locked = false;       // the program's folder refuses the save
    const char *xdgDataHome = scratchData, *home = scratchHome;
    std::string own = "", ownBefore = "", ownAfter = ""; // the player's copy: where, and its bytes
    int status = 0;
    std::string said = ""; // the beginning of the line the game prints, if any
};

// clang-format off
const SignalRow signalRows[] = {
    {{SIGINT}, notes + "HighScore=04321\r\n[Last]\r\nx=1", notes + "HighScore=04321\r\n[Last]\r\nx=1"},
    {{SIGTERM, SIGTERM}, kept, kept},
    {{SIGHUP}, "", "[Quorrax]\r\nHighScore=0\r\n"},
    {{SIGTERM}, bad, bad, true, scratchData, scratchHome, inData, "", copied, 0, keptIn + inData + refused},
    {{SIGTERM}, bad, bad, true, unset, scratchHome, inHome, "", copied, 0, keptIn + inHome + refused},
    {{SIGTERM}, bad, bad, true, "data", scratchHome, inHome, "", copied, 0, keptIn + inHome + refused},
    {{SIGTERM}, "", "", true, scratchData, scratchHome, inData, "", "[Quorrax]\r\nHighScore=0\r\n", 0,
     keptIn + inData + refused},
    {{SIGTERM}, kept, kept, true}, // nothing to write, so no copy
    {{SIGTERM}, notes + "HighScore=300\r\n", notes + "HighScore=4321\r\n", false, scratchData, scratchHome, inData,
     kept, kept}, // the copy's score above the shared file's goes to the shared file
    {{SIGTERM}, bad, bad, true, unset, unset, "", "", "", 1, lost},
    {{SIGTERM}, bad, bad, true, "", "home", "", "", "", 1, lost},
    {{SIGTERM}, huge, huge, false, scratchData, scratchHome, "", "", "", 0, "the high score 0 was not written: {program}/Quorx.ini holds a number too large"},
    {{SIGTERM}, bad, bad, true, "{scratch}/nb\xe9", scratchHome, "nb\xe9/quorrax/Quorx.ini", "", copied, 0,
     "the high score 0 is kept in the player's own copy {scratch}/nb\\xe9/quorrax/Quorx.ini" + refused},
};
// clang-format on

// Ended by Ctrl+C in its terminal, kill, the end of the session, each save as the close box
// does, and the program ends normally. A file that holds the score already (04321, or a
// number too large for the game) is left as the player wrote it. Where the program's folder
// refuses the save, the player's own copy takes it, made where the XDG rules put it, from
// the shared file's bytes (or anew), for the player's eyes only, and the player is told
// where the score went and why; the copy's score goes to the shared file once it takes it
// again. Where the player has no folder of their own, the loss is told and the end is a
// failure, and nothing is made anywhere else.
TEST(SignalsTest, EachSignalSavesThenEndsNormally)
{
    if (build::systemInstall)
        GTEST_SKIP()
            << "a build for everyone keeps no file beside itself; the close test and the package's install test cover its saves";
    const std::string homes[] = {std::getenv("XDG_DATA_HOME"), std::getenv("HOME")}; // the run's own
    for (const SignalRow &row : signalRows) {
        SCOPED_TRACE(testing::Message() << "signal " << row.sent[0] << " x" << row.sent.size() << ", XDG_DATA_HOME "
                                        << (row.xdgDataHome ? row.xdgDataHome : "unset") << ", HOME "
                                        << (row.home ? row.home : "unset"));
        ScratchFolder scratch;
        const fs::path folder = scratch.dir() / "program", cwd = scratch.dir() / "cwd";
        fs::create_directories(folder), fs::create_directories(cwd);
        fs::copy_file(builtProgram, folder / "quorrax");
        if (!row.before.empty())
            fuzzcheck::spill(folder / iniFileName, row.before), ::chmod((folder / iniFileName).c_str(), 0644);
        if (!row.ownBefore.empty())
            fs::create_directories((scratch.dir() / row.own).parent_path()),
                fuzzcheck::spill(scratch.dir() / row.own, row.ownBefore);
        std::optional<ReadOnly> locked;
        if (row.locked && !locked.emplace(folder).ok)
            GTEST_SKIP() << "chattr +i failed, and root may write in any folder";
        setHomes(scratch.dir(), row.xdgDataHome, row.home);
        QProcess game;
        game.setWorkingDirectory(QString::fromStdString(cwd.string())); // the game finds its file beside itself
        game.start(QString::fromStdString((folder / "quorrax").string()), {});
        ASSERT_TRUE(game.waitForStarted());
        sendOnceCaught(game, row.sent);
        EXPECT_TRUE(game.waitForFinished(20'000));
        locked.reset();
        EXPECT_EQ(game.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(game.exitCode(), row.status);
        const std::string said = game.readAllStandardError().toStdString();
        const std::string line = "quorrax: " + placed(row.said, {{"{scratch}", scratch.dir()}, {"{program}", folder}});
        EXPECT_TRUE(row.said.empty() ? said.find("quorrax: ") == std::string::npos
                                     : said.find(line) != std::string::npos)
            << said;
        EXPECT_EQ(fs::exists(folder / iniFileName) ? fuzzcheck::slurp(folder / iniFileName) : "", row.after);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), row.after.empty() ? 1 : 2)
            << "a save left a file behind";
        EXPECT_TRUE(fs::is_empty(cwd)) << "the game made something where it was started";
        EXPECT_EQ(filesUnder(scratch.dir(), folder),
                  row.own.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.own});
        if (!row.own.empty()) { // for the player alone, where the game made it
            EXPECT_EQ(fuzzcheck::slurp(scratch.dir() / row.own), row.ownAfter);
        }
        for (fs::path p = scratch.dir() / row.own;
             !row.own.empty() && row.ownBefore.empty() && p != scratch.dir() / fs::path(row.own).begin()->string();
             p = p.parent_path())
            EXPECT_EQ(fs::status(p).permissions(),
                      p == scratch.dir() / row.own ? fs::perms(0600) : fs::perms::owner_all)
                << p;
    }
    setHomes({}, homes[0].c_str(), homes[1].c_str());
}

} // namespace
} // namespace quorrax::test
