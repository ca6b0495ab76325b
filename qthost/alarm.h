// SPDX-License-Identifier: MIT
#pragma once

#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace quorrax {

// The alarm clock of the host's waits: a timer of the kernel that the event loop watches
// like any other source of events, so that a wait sleeps until the first event or until
// the nanosecond it is due, and wakes once. Where the kernel gives no such timer, Qt's
// own precise timer stands in, a fraction of a millisecond less exact.
class Alarm
{
public:
    Alarm();
    ~Alarm();
    Alarm(const Alarm &) = delete;
    Alarm &operator=(const Alarm &) = delete;

    // Rings once at a monotonic instant (`now` being the clock's reading); 0 switches it off
    // and forgets a ring that nobody heard.
    void ringAt(std::int64_t monotonicNs, std::int64_t now);

private:
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_fallback;
};

} // namespace quorrax
