// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

void Module1::WaitUntil(Host &host, const Long &deadline)
{
    const auto target = std::uint32_t(deadline);
    for (;;) {
        host.DoEvents();
        // Compared in the counter's own wrap-around arithmetic, so a deadline on either
        // side of 2^31 or 2^32 ends the wait at its first reading past the deadline.
        if (std::int32_t(host.timeGetTime() - target) > 0)
            return;
        // Sleep until the first reading past the deadline, or until an event comes in;
        // either way the next round yields before looking at the counter again.
        host.idleUntil(target + 1);
    }
}

} // namespace quorrax
