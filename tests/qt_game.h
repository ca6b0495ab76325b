// SPDX-License-Identifier: MIT
#pragma once

#include "game/frmmain.h"
#include "qthost/qthost.h"
#include "scratch_folder.h"

#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// The game on the real Qt host, headless, on a clock of the test's own.

namespace quorrax::test {

// A clock of the test's own: time stands still while the game works, and when the host
// sleeps it jumps to the instant the host asked to wake at, and the host wakes at once.
// Every such instant is noted with the screen it was asked on.
struct FakeClock : HostClock {
    struct Ring {
        Integer working;
        std::int64_t at;
    };
    std::int64_t now = 5'000'000'123'456;               // 1 h 23 min of uptime, off the millisecond
    std::int64_t day = 1'765'000'000'250'000'000 - now; // a quarter second into a second of the day
    const Integer *working = nullptr;
    std::vector<Ring> rings;

    std::int64_t monotonicNs() override { return now; }
    std::int64_t realtimeNs() override { return now + day; }
    void ringAt(std::int64_t at) override
    {
        if (at == 0)
            return;
        rings.push_back({working ? *working : Integer(-1), at});
        now = std::max(now, at);
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
    }
};

// The real host on the test's clock, with the game's folder in a scratch folder, and hooks
// for the script: one before each yield, one after each time the host presents, on a yield
// or a refresh.
struct TestHost : QtHost {
    TestHost() : TestHost(new FakeClock) {}
    explicit TestHost(FakeClock *fake) : QtHost(std::unique_ptr<HostClock>(fake)), clock(fake) {}
    ScratchFolder folder;
    FakeClock *clock;
    std::function<void()> onYield = [] {};
    std::function<void(bool refresh)> presented = [](bool) {};
    std::string appPath() override { return folder.path(); }
    void DoEvents() override { onYield(), QtHost::DoEvents(), presented(false); }
    void Refresh() override { QtHost::Refresh(), presented(true); }
};

struct QtGame {
    TestHost host;
    frmMain form{host};
    QtGame()
    {
        host.bind(form);
        host.clock->working = &form.Working;
    }
    GameView *view() { return host.gameWindow().view(); }
    QImage shown() { return view()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

} // namespace quorrax::test
