// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

// The time as the real host reads it, and when its waits must wake. The host reads time
// only through a HostClock, so that a test can run it on a clock of its own and see
// exactly which instants the host sleeps to.

namespace quorrax {

class Alarm;

constexpr std::int64_t nsPerMs = 1'000'000;
constexpr std::int64_t nsPerSecond = 1'000'000'000;

class HostClock
{
public:
    virtual ~HostClock() = default;
    // The steady clock that the tick counter counts whole milliseconds of.
    virtual std::int64_t monotonicNs() = 0;
    // The time of day, in nanoseconds since 1970 (UTC).
    virtual std::int64_t realtimeNs() = 0;
    // Wakes the event loop at a monotonic instant, once; 0 switches it off and forgets a
    // ring that nobody heard.
    virtual void ringAt(std::int64_t monotonicNs) = 0;
};

// The machine's clocks, and an alarm on the kernel's timer.
class SystemClock : public HostClock
{
public:
    SystemClock();
    ~SystemClock() override;
    std::int64_t monotonicNs() override;
    std::int64_t realtimeNs() override;
    void ringAt(std::int64_t monotonicNs) override;

private:
    std::unique_ptr<Alarm> m_alarm;
};

// The monotonic instant from which the tick counter shows `tick`, or none where it shows
// `tick` or a later reading already. Readings compare in the counter's own wrap-around
// arithmetic.
std::optional<std::int64_t> tickDue(std::int64_t monotonicNs, std::uint32_t tick);

// The monotonic instant at which the time of day reaches its next whole second.
std::int64_t nextSecondDue(std::int64_t monotonicNs, std::int64_t realtimeNs);

} // namespace quorrax
