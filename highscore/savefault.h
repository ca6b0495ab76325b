// SPDX-License-Identifier: MIT
#pragma once

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

} // namespace quorrax::savefault
