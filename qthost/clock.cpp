// SPDX-License-Identifier: MIT
#include "qthost/clock.h"

#include "qthost/alarm.h"

#include <ctime>

namespace quorrax {

namespace {

std::int64_t nowNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * nsPerSecond + ts.tv_nsec;
}

} // namespace

SystemClock::SystemClock() : m_alarm(std::make_unique<Alarm>()) {}

SystemClock::~SystemClock() = default;

std::int64_t SystemClock::monotonicNs()
{
    return nowNs(CLOCK_MONOTONIC);
}

std::int64_t SystemClock::realtimeNs()
{
    return nowNs(CLOCK_REALTIME);
}

void SystemClock::ringAt(std::int64_t monotonicNs)
{
    m_alarm->ringAt(monotonicNs, this->monotonicNs());
}

std::optional<std::int64_t> tickDue(std::int64_t monotonicNs, std::uint32_t tick)
{
    const std::int64_t nowMs = monotonicNs / nsPerMs;
    const std::int32_t aheadMs = std::int32_t(tick - std::uint32_t(nowMs));
    if (aheadMs <= 0)
        return std::nullopt;
    return (nowMs + aheadMs) * nsPerMs;
}

std::int64_t nextSecondDue(std::int64_t monotonicNs, std::int64_t realtimeNs)
{
    return monotonicNs + nsPerSecond - realtimeNs % nsPerSecond;
}

} // namespace quorrax
