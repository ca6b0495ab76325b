// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>

#include <vector>

namespace quorrax {

// How the view's finished frames reach the window system. The view picks one when its
// window is about to show and keeps it: straight into the X window (XcbField), Qt's painting
// paced by the compositor's frames on Wayland (WaylandFrames), or Qt's painting as it comes
// everywhere else (QtPainting). Each is given the view's image and the rectangles of it
// that changed, in field pixels.
class Presenter
{
public:
    virtual ~Presenter() = default;

    // Shows `changed` of `image`: at once where `now` asks for it and the window system
    // allows, else at the next frame it takes. True when the pixels went out here.
    virtual bool present(const QImage &image, const std::vector<QRect> &changed, bool now) = 0;
    // Qt asks for `exposed` (in the view's coordinates) to be drawn again, or a frame asked
    // for earlier is due. True when the pixels went out here.
    virtual bool paint(const QImage &image, const QRegion &exposed) = 0;
    // False where the presenter puts the pixels itself and Qt must not paint the view.
    virtual bool usesQtPainting() const { return true; }
    // How frames reach the screen, in a few words (the benchmark prints it).
    virtual const char *name() const = 0;
};

} // namespace quorrax
