// SPDX-License-Identifier: MIT
#pragma once

#include "game/host.h"
#include "game/surface.h"

class QImage;
class QIcon;

namespace quorrax {

// The artwork built into the program, as surfaces.
Surface loadPicture(Picture which);
QIcon programIcon();

} // namespace quorrax
