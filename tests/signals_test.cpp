#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>

#include <csignal>
#include <fstream>

#include <sched.h>

// The real program, started headless, ended by the signals a desktop sends: Ctrl+C in its
// terminal, kill, and the end of the session. Each saves the high score as the close box
// does, and the program ends normally.

namespace {

namespace fs = std::filesystem;
using quorrax::fuzzcheck::slurp;

// A signal mask of a running process ("SigCgt:" caught, "ShdPnd:" pending); 0 once it is gone.
std::uint64_t signalMask(qint64 pid, const std::string &name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name))
            return std::stoull(line.substr(name.size()), nullptr, 16);
    return 0;
}

TEST(SignalsTest, EachSignalSavesThenEndsNormally)
{
    // Everything but the value is the player's own and stays byte for byte; the game reads
    // 04321 and writes it back the way it writes every number.
    const std::string notes = "; my own notes\r\n[Other]\r\nName = Someone  \r\n\r\n[Quorrax]\r\n";
    const struct {
        std::vector<int> sent;
        std::string before, after;
    } rows[] = {
        {{SIGINT}, notes + "HighScore=04321\r\n[Last]\r\nx=1", notes + "HighScore=4321\r\n[Last]\r\nx=1"},
        {{SIGTERM}, "[Quorrax]\r\nHighScore=04321\r\n", "[Quorrax]\r\nHighScore=4321\r\n"},
        {{SIGHUP}, "", "[Quorrax]\r\nHighScore=0\r\n"},
        {{SIGTERM, SIGTERM}, "[Quorrax]\r\nHighScore=04321\r\n", "[Quorrax]\r\nHighScore=4321\r\n"},
    };
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "game" / "quorrax";
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::Message() << "signal " << row.sent[0] << " x" << row.sent.size());
        quorrax::testing::ScratchFolder folder;
        const fs::path ini = folder.dir() / "Quorx.ini";
        fs::copy_file(program, folder.dir() / "quorrax");
        if (!row.before.empty())
            quorrax::fuzzcheck::spill(ini, row.before);
        QProcess game;
        game.setProcessChannelMode(QProcess::MergedChannels);
        game.setWorkingDirectory(QStringLiteral("/")); // the game finds its file beside itself
        game.start(QString::fromStdString((folder.dir() / "quorrax").string()), {});
        ASSERT_TRUE(game.waitForStarted()) << program;
        // A signal that comes before the file is read waits for the title's first yield.
        const std::uint64_t all = 1u << (SIGINT - 1) | 1u << (SIGTERM - 1) | 1u << (SIGHUP - 1);
        const QDeadlineTimer deadline(20'000); // a game that never gets this far fails below
        while (!deadline.hasExpired() && (signalMask(game.processId(), "SigCgt:") & all) != all)
            sched_yield();
        for (const int signal : row.sent) {
            // A signal sent while the same one is pending would merge with it.
            while (!deadline.hasExpired() && signalMask(game.processId(), "ShdPnd:") & 1u << (signal - 1))
                sched_yield();
            ::kill(pid_t(game.processId()), signal);
        }
        EXPECT_TRUE(game.waitForFinished(20'000));
        EXPECT_EQ(game.exitStatus(), QProcess::NormalExit) << game.readAll().toStdString();
        EXPECT_EQ(game.exitCode(), 0);
        EXPECT_EQ(slurp(ini), row.after);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.dir()), {}), 2) << "a save left a file behind";
    }
}

} // namespace
