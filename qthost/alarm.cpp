// SPDX-License-Identifier: MIT
#include "qthost/alarm.h"

#include "qthost/clock.h"

#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

namespace quorrax {

Alarm::Alarm() : m_fd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    if (m_fd < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [fd = m_fd] {
        // One read takes every ring so far.
        std::uint64_t rings = 0;
        [[maybe_unused]] const ssize_t taken = read(fd, &rings, sizeof rings);
    });
}

Alarm::~Alarm()
{
    m_notifier.reset();
    if (m_fd >= 0)
        close(m_fd);
}

void Alarm::ringAt(std::int64_t monotonicNs, std::int64_t now)
{
    if (m_fd < 0) {
        m_fallback.stop();
        if (monotonicNs != 0)
            m_fallback.start(int((monotonicNs - now + nsPerMs - 1) / nsPerMs)); // never early
        return;
    }
    itimerspec when{};
    when.it_value.tv_sec = time_t(monotonicNs / nsPerSecond);
    when.it_value.tv_nsec = long(monotonicNs % nsPerSecond);
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr);
}

} // namespace quorrax
