// SPDX-License-Identifier: MIT
#pragma once

namespace quorrax::field {

// The field in pixels: the title picture's size, which the window's client area takes, and
// the size of every surface a frame is composed on.
constexpr int width = 420;
constexpr int height = 300;

} // namespace quorrax::field
