#include "game_fixture.h"
#include "shell/profile.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>
#include <unistd.h>

// The real program, started as a player would start it, ended by the signals a desktop
// sends: Ctrl+C in its terminal, kill, and the end of the session. Each must save the
// high score the way the close box does, and end normally.

namespace quorrax::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto startLimit = std::chrono::seconds(20);
constexpr int exitLimitMs = 20'000;

// The game is built beside the tests: <build>/tests/quorrax_tests and <build>/game/quorrax.
fs::path gameProgram()
{
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "game" / "quorrax";
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A signal mask line of a process's status ("SigCgt", "ShdPnd"); nothing once it is gone.
std::optional<std::uint64_t> signalMask(qint64 pid, const std::string &name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0)
            return std::stoull(line.substr(name.size() + 1), nullptr, 16);
    }
    return std::nullopt;
}

constexpr std::uint64_t signalBit(int signal)
{
    return std::uint64_t(1) << (signal - 1);
}

// Reads and saves of the high-score file in one folder, as the kernel reports them. A
// save is either a rename onto the file or a write to it.
class FolderWatch
{
public:
    explicit FolderWatch(const fs::path &folder)
        : m_fd(inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (m_fd >= 0)
            inotify_add_watch(m_fd, folder.c_str(), IN_CLOSE_NOWRITE | IN_CLOSE_WRITE | IN_MOVED_TO);
    }
    ~FolderWatch()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    bool valid() const { return m_fd >= 0; }

    // Waits until the file has been read once, or until `deadline`.
    bool waitForRead(Clock::time_point deadline)
    {
        for (;;) {
            take();
            if (reads > 0)
                return true;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd ready{m_fd, POLLIN, 0};
            poll(&ready, 1, int(left.count()));
        }
    }

    // Takes in what the kernel has reported so far, without waiting.
    void take()
    {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t length = read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                return;
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0 && std::string(event->name) == iniFileName) {
                    if (event->mask & IN_CLOSE_NOWRITE)
                        ++reads;
                    if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                        ++saves;
                }
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

    int reads = 0;
    int saves = 0;

private:
    int m_fd;
};

struct Outcome {
    bool started = false;
    bool ready = false; // the three signals were caught before any was sent
    bool finished = false;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    int exitCode = -1;
    int readsBeforeSignal = 0;
    int saves = 0;
    std::string output;
};

// Copies the game into `folder`, starts it there headless, waits until it has set up its
// signal handlers (and read its file, if there is one), sends `toSend`, and waits for its end.
Outcome runAndSignal(const fs::path &folder, std::initializer_list<int> toSend, bool fileThere)
{
    Outcome out;
    const fs::path program = folder / "quorrax";
    fs::copy_file(gameProgram(), program);
    FolderWatch watch(folder);
    if (!watch.valid())
        return out;

    QProcess game;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    game.setProcessEnvironment(environment);
    game.setProcessChannelMode(QProcess::MergedChannels);
    // The game finds its file beside itself, not in the folder it is started from.
    game.setWorkingDirectory(QStringLiteral("/"));
    game.start(QString::fromStdString(program.string()), {});
    out.started = game.waitForStarted(exitLimitMs);
    if (!out.started)
        return out;

    // The game reads its file after its handlers are in place, and shows the title right
    // after; without a file, the handlers are all there is to wait for, and the signal
    // is taken at the title's first yield.
    const auto deadline = Clock::now() + startLimit;
    if (fileThere)
        watch.waitForRead(deadline);
    const std::uint64_t wanted = signalBit(SIGINT) | signalBit(SIGTERM) | signalBit(SIGHUP);
    for (;;) {
        const auto caught = signalMask(game.processId(), "SigCgt");
        if (!caught || (*caught & wanted) == wanted || Clock::now() > deadline) {
            out.ready = caught && (*caught & wanted) == wanted;
            break;
        }
        sched_yield();
    }
    watch.take();
    out.readsBeforeSignal = watch.reads;

    if (out.ready) {
        for (const int signal : toSend) {
            // A signal sent while the same one is still pending would merge with it: each
            // waits until the one before has been taken.
            for (;;) {
                const auto pending = signalMask(game.processId(), "ShdPnd");
                if (!pending || !(*pending & signalBit(signal)) || Clock::now() > deadline)
                    break;
                sched_yield();
            }
            kill(pid_t(game.processId()), signal);
        }
    } else {
        game.kill();
    }
    out.finished = game.waitForFinished(exitLimitMs);
    if (!out.finished) {
        game.kill();
        game.waitForFinished(exitLimitMs);
    }
    out.exitStatus = game.exitStatus();
    out.exitCode = game.exitCode();
    out.output = game.readAll().toStdString();
    watch.take();
    out.saves = watch.saves;
    return out;
}

void expectSavedOnceAndEndedNormally(const Outcome &out)
{
    ASSERT_TRUE(out.started) << "cannot start " << gameProgram();
    EXPECT_TRUE(out.ready) << "the game never caught SIGINT, SIGTERM and SIGHUP\n" << out.output;
    EXPECT_TRUE(out.finished) << out.output;
    EXPECT_EQ(out.exitStatus, QProcess::NormalExit) << "killed by the signal\n" << out.output;
    EXPECT_EQ(out.exitCode, 0) << out.output;
    EXPECT_EQ(out.saves, 1) << out.output;
}

TEST(SignalsTest, EachSignalSavesThenEndsNormally)
{
    ASSERT_TRUE(fs::exists(gameProgram())) << gameProgram();
    // Everything but the value is the player's own and stays byte for byte. The value is
    // written the way the game would never write it, so that the save shows in the file:
    // the game reads 4321 and writes it back as it writes every number.
    const std::string notes = "; my own notes\r\n"
                              "[Other]\r\n"
                              "Name = Someone  \r\n"
                              "\r\n"
                              "[Quorrax]\r\n";
    const std::string rest = "\r\n[Last]\r\nx=1";
    const std::string before = notes + "HighScore=04321" + rest;
    const std::string after = notes + "HighScore=4321" + rest;
    const struct {
        const char *name;
        int signal;
        bool fileThere;
    } rows[] = {
        {"SIGINT", SIGINT, true},   {"SIGTERM", SIGTERM, true},   {"SIGHUP", SIGHUP, true},
        {"SIGINT, first run", SIGINT, false}, {"SIGTERM, first run", SIGTERM, false},
        {"SIGHUP, first run", SIGHUP, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        const fs::path ini = fs::path(folder.path()) / iniFileName;
        if (row.fileThere)
            writeFile(ini, before);

        const Outcome out = runAndSignal(folder.path(), {row.signal}, row.fileThere);
        expectSavedOnceAndEndedNormally(out);
        if (row.fileThere) {
            EXPECT_EQ(out.readsBeforeSignal, 1);
            EXPECT_EQ(readFile(ini), after);
        } else {
            ASSERT_TRUE(fs::exists(ini));
            EXPECT_NE(readFile(ini).find("[Quorrax]"), std::string::npos) << readFile(ini);
            EXPECT_EQ(GetPrivateProfileString(iniSection, iniKey, "missing", 1024, ini.string()), "0");
        }
        // Nothing of the save is left lying about beside the file.
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{iniFileName, "quorrax"}));
    }
}

TEST(SignalsTest, TwoQuickTermsSaveOnceAndEndNormally)
{
    ASSERT_TRUE(fs::exists(gameProgram())) << gameProgram();
    ScratchFolder folder;
    const fs::path ini = fs::path(folder.path()) / iniFileName;
    writeFile(ini, "[Quorrax]\r\nHighScore=04321\r\n");

    const Outcome out = runAndSignal(folder.path(), {SIGTERM, SIGTERM}, true);
    expectSavedOnceAndEndedNormally(out);
    EXPECT_EQ(readFile(ini), "[Quorrax]\r\nHighScore=4321\r\n");
}

} // namespace
} // namespace quorrax::testing
