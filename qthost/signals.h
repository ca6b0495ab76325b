// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace quorrax {

// Ctrl+C in the terminal, kill, and the end of the session (SIGINT, SIGTERM, SIGHUP) end
// the game the way the close box does. The handler itself only writes a byte into a
// pipe; `onSignal` runs later, in the normal flow of the event loop.
void watchTerminationSignals(std::function<void()> onSignal);

// Runs `save` should the program be ended by a call to exit() from anywhere (Qt makes it
// when the connection to the X server breaks, and the program when the one to the Wayland
// compositor does) before the game could end itself. A later
// call replaces it; an empty one leaves nothing to run.
void saveAtAnyExit(std::function<void()> save);

} // namespace quorrax
