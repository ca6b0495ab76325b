// SPDX-License-Identifier: MIT
#include "fuzz/profile_invariants.h"
#include "qt_game.h"
#include "qthost/alarm.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include <filesystem>

#include <sys/resource.h>

// When the real Qt host sleeps and wakes, on its clock.

namespace quorrax::test {
namespace {

// The real host's waits on a clock of the test's own: the title sleeps to the first tick
// of each 11 ms pass, a match to that of each 9 ms tick, the countdown to each whole
// second of the time of day; the mode screen and the result sleep until a key, with no
// alarm at all. A host that slept twice as long, or half, shows other instants.
TEST(QtHostTest, EachScreenSleepsToItsOwnInstants)
{
    QtGame game;
    int titleReturn = 0, modeReturn = 0;
    game.host.onYield = [&] {
        const auto ringsIn = [&](Integer screen) {
            return std::count_if(game.host.clock->rings.begin(), game.host.clock->rings.end(),
                                 [screen](const auto &r) { return r.working == screen; });
        };
        if (game.form.Working == screen::Title && ringsIn(screen::Title) == 8 && titleReturn++ == 0)
            QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        if (game.form.Working == screen::ModeSelect && modeReturn++ == 0)
            QCoreApplication::postEvent(game.view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        if (game.form.Working == screen::MatchOver)
            game.host.requestClose();
    };
    EXPECT_THROW(game.form.Form_Load(), ProgramEnd);

    const std::int64_t ms = nsPerMs, second = nsPerSecond;
    const struct {
        Integer screen;
        std::int64_t step; // between two instants; 0 for a screen that sets no alarm
        std::int64_t on;   // every instant is a whole one of these, on the clock it counts
        bool ofDay;        // counted on the time of day, not the tick counter
        std::size_t least, most;
    } rows[] = {
        {screen::Title, 11 * ms, ms, false, 8, 9},       {screen::ModeSelect, 0, 0, false, 0, 0},
        {screen::Countdown, second, second, true, 4, 4}, {screen::Match, 9 * ms, ms, false, 200, 420},
        {screen::MatchOver, 0, 0, false, 0, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "screen " << row.screen);
        std::vector<std::int64_t> at;
        for (const auto &ring : game.host.clock->rings)
            if (ring.working == row.screen)
                at.push_back(ring.at + (row.ofDay ? game.host.clock->day : 0));
        EXPECT_GE(at.size(), row.least);
        EXPECT_LE(at.size(), row.most);
        for (std::size_t i = 0; i < at.size(); ++i) {
            EXPECT_EQ(at[i] % row.on, 0) << "instant " << i;
            EXPECT_EQ(i == 0 ? row.step : at[i] - at[i - 1], row.step) << "instant " << i;
        }
    }
}

// The clock's alarm as the kernel holds it: switched off, it forgets a ring that nobody
// heard. Where the kernel gives no timer (here, no descriptor is left), Qt's timer stands
// in, and it never rings before the instant, which falls between two milliseconds.
TEST(QtHostTest, TheAlarmRingsAtItsInstantAndNotWhenSwitchedOff)
{
    SystemClock clock;
    std::string timer;
    for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd"))
        if (std::error_code e; std::filesystem::read_symlink(fd, e) == "anon_inode:[timerfd]")
            timer = "/proc/self/fdinfo/" + fd.path().filename().string();
    clock.ringAt(clock.monotonicNs() - 1);
    clock.ringAt(0);
    const std::string kernelSees = timer.empty() ? "no timer" : fuzzcheck::slurp(timer);
    EXPECT_NE(kernelSees.find("ticks: 0\nsettime flags: 01\nit_value: (0, 0)\n"), std::string::npos) << kernelSees;

    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit none{0, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    Alarm fallback;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    QCoreApplication::processEvents(); // so that the next wait ends with the ring
    const std::int64_t instant = clock.monotonicNs() + nsPerMs - 1;
    fallback.ringAt(instant, clock.monotonicNs());
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_GE(clock.monotonicNs(), instant) << "Qt's timer rang before the instant";
}

} // namespace
} // namespace quorrax::test
