#pragma once

#include <functional>

namespace quorrax {

// Ctrl+C in the terminal, kill, and the end of the session (SIGINT, SIGTERM, SIGHUP) end
// the game the way the close box does. The handler itself only writes a byte into a
// pipe; `onSignal` runs later, in the normal flow of the event loop.
void watchTerminationSignals(std::function<void()> onSignal);

} // namespace quorrax
