#pragma once

#include <string>

namespace quorrax::window {

// Does what a window manager does when the player clicks the close box: sends the window
// the WM_DELETE_WINDOW message of the WM_PROTOCOLS it asked for. xdotool's windowclose and
// windowkill destroy the window or its connection instead, which no program can answer.
// Returns an empty string on success, else what went wrong.
std::string requestClose(const std::string &display, unsigned long window);

} // namespace quorrax::window
