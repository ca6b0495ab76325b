// SPDX-License-Identifier: MIT
// Draws the game's pictures into a folder (the build target `art` runs it on assets/): the
// title, the arrow cursor, the explosion and the window icon pixel by pixel (pixelart.h),
// and the desktop's icons, which are smooth (desktopicon.h).
#include "desktopicon.h"
#include "pixelart.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char **argv)
{
    using namespace quorrax::art;
    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::vector<std::pair<std::string, Canvas>> pictures{
        {"title.png", drawTitle()},   {"arrow.png", drawArrow()},   {"explosion.png", drawExplosion()},
        {"icon32.png", drawIcon32()}, {"icon16.png", drawIcon16()},
    };
    for (const auto &[name, canvas] : pictures)
        if (!canvas.save(dir + "/" + name)) {
            std::fprintf(stderr, "drawart: cannot write %s/%s\n", dir.c_str(), name.c_str());
            return 1;
        }
    return quorrax::writeDesktopIcons(dir + "/icons") ? 0 : 1;
}
