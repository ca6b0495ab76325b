// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>

// A seam for the tests of the high-score file, not for the game: makes the saves fail at a
// chosen step, the way a full disk or a failing device would.

namespace quorrax::savefault {

// DuringWrite fails once `bytes` bytes of the new file have been written, as a full disk
// does (ENOSPC); OneWrite fails only the one write that reaches byte `bytes`, as a passing
// fault of the device does, and the writes after it succeed; the other steps fail as a
// failing device does (EIO).
enum class Step { None, AfterTempCreated, DuringWrite, OneWrite, BeforeFsync, BeforeRename, BeforeDirSync };

// Makes every following save fail at `step` until it is called again with Step::None.
void set(Step step, std::size_t bytes = 0);

// The clock that a save's wait for a folder's lock goes by: a test's own lets that wait pass
// without taking any time. nullptr puts the real one back.
class LockClock
{
public:
    virtual ~LockClock() = default;
    virtual std::chrono::steady_clock::time_point now() = 0;
    virtual void sleepFor(std::chrono::steady_clock::duration span) = 0;
};
void setLockClock(LockClock *clock);

} // namespace quorrax::savefault
