// SPDX-License-Identifier: MIT
#include "fuzz/profile_invariants.h"
#include "qt_game.h"
#include "qthost/bindings.h"
#include "qthost/pads.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/uinput.h>
#include <map>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Game pads: which devices are pads, their events as controls, who steers what, the README and
// the manual against the bindings. A pad is a socket pair, watched as a device of the kernel's.

namespace quorrax::test {
namespace {

// Events as words: an axis or a button and its value ("x=17000", "south=1"), "sync" and
// "dropped" for the kernel's reports, and "torn" for five bytes of no event.
std::vector<input_event> events(const std::string &words)
{
    // clang-format off
    static const std::map<std::string, std::pair<int, int>> codes = {
        {"x", {EV_ABS, ABS_X}}, {"y", {EV_ABS, ABS_Y}}, {"hx", {EV_ABS, ABS_HAT0X}}, {"hy", {EV_ABS, ABS_HAT0Y}},
        {"south", {EV_KEY, BTN_SOUTH}}, {"east", {EV_KEY, BTN_EAST}}, {"start", {EV_KEY, BTN_START}},
        {"trigger", {EV_KEY, BTN_TRIGGER}}, {"base4", {EV_KEY, BTN_BASE4}}, {"left", {EV_KEY, BTN_DPAD_LEFT}},
        {"down", {EV_KEY, BTN_DPAD_DOWN}}, {"sync", {EV_SYN, SYN_REPORT}}, {"dropped", {EV_SYN, SYN_DROPPED}},
        {"rel", {EV_REL, REL_X}}, {"key767", {EV_KEY, KEY_MAX}}, {"abs63", {EV_ABS, ABS_MAX}}};
    // clang-format on
    std::vector<input_event> out;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        const std::size_t eq = word.find('=');
        const auto [type, code] = codes.at(word.substr(0, eq));
        out.push_back(
            {{}, std::uint16_t(type), std::uint16_t(code), eq == word.npos ? 0 : std::stoi(word.substr(eq + 1))});
    }
    return out;
}

// A pad of one make: the travel of its stick (or of its d-pad as axes), and who it is.
PadInfo padInfo(int min, int max, const std::string &identity)
{
    PadInfo info;
    info.ranges[ABS_X] = info.ranges[ABS_Y] = {min, max};
    info.identity = identity;
    return info;
}

// A pad plugged into the watch: the test writes its events into one end of a socket pair.
struct FakePad {
    PadInfo info;
    int ours = -1;
    PadWatch *watch = nullptr;
    void plug(PadWatch &into)
    {
        watch = &into;
        int ends[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
        watch->add(ends[0], info, "/dev/input/test-" + info.identity);
        ours = ends[1];
    }
    void unplug() { ::close(std::exchange(ours, -1)); }
    // Sends the words as one report of the kernel's ("torn" on its own), or (un)plugs the pad.
    void send(const std::string &words)
    {
        if (words == "plug" || words == "unplug")
            return words == "plug" ? plug(*watch) : unplug();
        const std::size_t torn = words.find("torn");
        if (torn != std::string::npos)
            return send(words.substr(0, torn)), void(::send(ours, "torn!", 5, 0)), send(words.substr(torn + 4));
        const std::vector<input_event> report = events(words);
        const auto size = ssize_t(report.size() * sizeof(input_event));
        ASSERT_TRUE(report.empty() || ::write(ours, report.data(), std::size_t(size)) == size);
    }
    ~FakePad() { ours >= 0 ? unplug() : void(); }
};

// The rows of a recorded table in tests/data/pads: fields between " | ", comments left out.
std::vector<std::vector<std::string>> recorded(const char *name)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(fuzzcheck::slurp(std::filesystem::path(QUORRAX_TEST_DATA) / "pads" / name));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        for (std::size_t bar; (bar = line.find(" | ")) != line.npos;)
            line.replace(bar, 3, "\n");
        std::istringstream fields(line);
        rows.emplace_back();
        for (std::string field; std::getline(fields, field);)
            rows.back().push_back(field);
    }
    return rows;
}

TEST(PadsTest, OnlyPadsAndJoysticksAreTaken)
{
    for (const auto &row : recorded("capabilities.txt")) {
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(isPad({sysfsBits<KEY_CNT>(row[1]), sysfsBits<ABS_CNT>(row[2])}), row[3] == "pad") << row[0];
    }
}

TEST(PadsTest, RecordedReportsGiveTheControlsPressed)
{
    const std::map<std::string, PadInfo> makes = {{"xbox", padInfo(-32768, 32767, "xbox")},
                                                  {"switch", padInfo(-32767, 32767, "switch")},
                                                  {"playstation", padInfo(0, 255, "ps")},
                                                  {"usb", padInfo(0, 255, "usb")}};
    for (const auto &row : recorded("reports.txt")) {
        ASSERT_EQ(row.size(), 4u);
        PadWatch watch;
        std::string pressed;
        watch.onPress = [&pressed](int, PadControl control) { pressed += "?UDLRC"[int(control)]; };
        FakePad pad{makes.at(row[0])};
        pad.plug(watch);
        pad.send(row[2]);
        for (int wake = 0; wake < 3; ++wake)
            QCoreApplication::processEvents();
        EXPECT_EQ(pressed.empty() ? "none" : pressed, row[3]) << row[1] << ": " << row[2];
    }
}

// A pad that floods the game holds it for a bounded number of events at each wake, and
// loses none of them.
TEST(PadsTest, AFloodIsReadAFewHundredEventsAtAWake)
{
    PadWatch watch;
    int presses = 0;
    watch.onPress = [&presses](int, PadControl) { ++presses; };
    FakePad pad{padInfo(0, 255, "flood")};
    pad.plug(watch);
    std::string presses32;
    for (int i = 0; i < 32; ++i)
        presses32 += "south=1 south=0 ";
    for (int report = 0; report < 40; ++report)
        pad.send(presses32);
    QCoreApplication::processEvents();
    EXPECT_LE(presses, PadWatch::eventsPerWake / 2) << "at the first wake";
    for (int wake = 0; wake < 20 && presses < 40 * 32; ++wake)
        QCoreApplication::processEvents();
    EXPECT_EQ(presses, 40 * 32);
}

// A whole Battle played twice on the real host: once by keys, once by two pads (and keys
// where the players mix them), with drift, a reverse, a third pad, and the red pad lost and
// found again. Every frame that reaches the window must be the same.
TEST(PadsTest, TwoPadsPlayABattleExactlyAsTheirKeys)
{
    // Steps at the n-th frame a screen drew, by a pad (or the keyboard alone), with the key
    // that the keys' run presses instead. The mode screen reads keys as it waits, after its
    // yield, so both of its keys come in one report.
    constexpr int keysOnly = -1, sentInTheReportBefore = -2;
    // clang-format off
    const struct { Integer screen; int frame, pad; const char *words; int qtKey; } steps[] = {
        {screen::Title, 1, 0, "south=1 sync south=0 sync", Qt::Key_Return},
        {screen::ModeSelect, 1, 1, "hy=1 sync hy=0 sync start=1 sync start=0 sync", Qt::Key_Down},
        {screen::ModeSelect, 1, sentInTheReportBefore, "", Qt::Key_Return},
        {screen::Match, 5, 0, "x=20000 sync", Qt::Key_S},
        {screen::Match, 8, 1, "hx=-1 sync", Qt::Key_J},
        {screen::Match, 10, 0, "y=3000 sync y=-4000 x=14000 sync x=16800 y=2500 sync", 0}, // drift
        {screen::Match, 12, 0, "hx=-1 sync hx=0 sync", 0},                              // the reverse
        {screen::Match, 15, keysOnly, "", Qt::Key_W},
        {screen::Match, 18, 2, "left=1 sync left=0 sync", 0}, // the third pad
        {screen::Match, 20, 0, "unplug", 0},
        {screen::Match, 22, 0, "plug", 0},
        {screen::Match, 25, 0, "left=1 sync", Qt::Key_A},
        {screen::Match, 28, 1, "hy=1 sync", Qt::Key_M},
        {screen::Match, 32, 1, "help hx=1 sync", 0}, // while the Help dialog holds the keys
        {screen::MatchOver, 1, 1, "south=1 sync", Qt::Key_Return},
    };
    // clang-format on
    const auto play = [&steps](bool withPads) {
        QtGame game;
        std::vector<FakePad> pads{{padInfo(-32768, 32767, "red")}, {padInfo(-1, 1, "blue")}, {padInfo(0, 255, "3rd")}};
        for (FakePad &pad : pads)
            if (withPads)
                pad.plug(game.host.pads());
        std::vector<std::pair<Integer, std::size_t>> frames;
        // A screen's frames: its refreshes, or its yields on the title and the result.
        int drawn[5] = {};
        bool resultSeen = false, refreshed = false;
        game.host.presented = [&](bool refresh) {
            const QImage &image = game.view()->image();
            frames.emplace_back(game.form.Working, qHash(QByteArrayView(image.constBits(), image.sizeInBytes())));
            refreshed = refreshed || refresh;
        };
        game.host.onYield = [&] {
            const Integer screen = game.form.Working;
            resultSeen = resultSeen || screen == screen::MatchOver;
            if (screen == screen::Title && resultSeen)
                return game.host.requestClose();
            if (!std::exchange(refreshed, false) && screen != screen::Title && screen != screen::MatchOver)
                return; // a second yield of the same frame
            ++drawn[screen];
            for (const auto &step : steps) {
                if (step.screen != screen || step.frame != drawn[screen])
                    continue;
                const bool help = std::strncmp(step.words, "help ", 5) == 0;
                if (withPads && step.pad >= 0)
                    pads[std::size_t(step.pad)].send(step.words + (help ? 5 : 0));
                else if (step.qtKey && (!withPads || step.pad == keysOnly))
                    QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, step.qtKey, {}));
                if (help)
                    QTimer::singleShot(200, [] { QApplication::activeModalWidget()->close(); }), game.host.showHelp();
            }
        };
        QTimer::singleShot(20'000, [&game] { game.host.requestClose(); }); // should a step be lost
        EXPECT_THROW(game.form.Form_Load(), ProgramEnd);
        EXPECT_TRUE(resultSeen);
        return frames;
    };
    const auto byKeys = play(false), byPads = play(true);
    EXPECT_TRUE(byPads == byKeys) << byPads.size() << " frames by pads, " << byKeys.size() << " by keys";
}

// The README's table and the manual give the controls by the table of bindings, a line a deed.
TEST(PadsTest, TheReadmeAndTheManualGiveTheTableOfBindings)
{
    const std::filesystem::path source = std::filesystem::path(QUORRAX_TEST_DATA).parent_path().parent_path();
    const std::string readme = fuzzcheck::slurp(source / "README.md"),
                      manual = fuzzcheck::slurp(source / "desktop/quorrax.6.in");
    const char *ways[] = {"", "up", "down", "left", "right", "the south button (A, cross) or Start"};
    const std::span<const Binding> table = bindings();
    for (auto row = table.begin(); row != table.end();) {
        std::string keys, pad;
        const auto next = std::find_if(row, table.end(), [row](const Binding &b) { return b.does != row->does; });
        for (auto b = row; b != next; ++b) {
            keys += (b == row ? "" : " / ") + std::string(b->keyName);
            pad += (b == row ? "" : " / ") + std::string(ways[int(b->pad)]);
        }
        pad += row->seat == Seat::Any ? " on any pad" : row->seat == Seat::Red ? " on red's pad" : " on blue's pad";
        std::string does = row->does;
        EXPECT_NE(readme.find("| **" + keys + "** | " + pad + " | " + does + " |\n"), std::string::npos) << keys;
        does[0] = char(does[0] - 'a' + 'A');
        EXPECT_NE(manual.find(".TP\n.B " + keys + "\n" + does + "; " + pad + ".\n"), std::string::npos) << keys;
        row = next;
    }
}

// A virtual pad of the kernel's (uinput), plugged in under /dev/input, starts the game.
TEST(PadsTest, AVirtualPadOfTheKernelsStartsTheGame)
{
    const int ui = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (ui < 0)
        GTEST_SKIP() << "no virtual devices here: /dev/uinput: " << std::strerror(errno);
    uinput_setup setup{{BUS_USB, 0x1234, 0x5678, 1}, "Quorrax virtual pad", 0};
    ASSERT_EQ(ioctl(ui, UI_SET_EVBIT, EV_KEY) | ioctl(ui, UI_SET_KEYBIT, BTN_SOUTH) | ioctl(ui, UI_DEV_SETUP, &setup) |
                  ioctl(ui, UI_DEV_CREATE),
              0);
    QtGame game;
    game.host.pads().watchFolder("/dev/input");
    game.host.onYield = [&game, ui] {
        const std::vector<input_event> press = events("south=1 sync south=0 sync");
        if (game.form.Working == screen::Title)
            EXPECT_GT(::write(ui, press.data(), press.size() * sizeof(input_event)), 0);
        else
            game.host.requestClose();
    };
    QTimer::singleShot(20'000, [&game] { game.host.requestClose(); });
    EXPECT_THROW(game.form.Form_Load(), ProgramEnd);
    EXPECT_EQ(game.form.Working, screen::ModeSelect);
    ioctl(ui, UI_DEV_DESTROY), ::close(ui);
}

} // namespace
} // namespace quorrax::test
