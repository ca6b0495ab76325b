// SPDX-License-Identifier: MIT
#pragma once

#include "bench/pacing_host.h"

#include <cstdint>

namespace quorrax::bench {

// Prints what the run measured and which goals it met; `mainNs` is the monotonic instant
// main() began, and `xServerPid` the X server counted beside the game (0: none). Returns
// the program's exit status.
int report(PacingHost &host, std::int64_t mainNs, int xServerPid);

} // namespace quorrax::bench
