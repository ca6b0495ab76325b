#include "closebox.h"

#include <X11/Xlib.h>

#include <memory>

namespace quorrax::window {

std::string requestClose(const std::string &display, unsigned long window)
{
    const std::unique_ptr<Display, int (*)(Display *)> connection(XOpenDisplay(display.c_str()), XCloseDisplay);
    if (!connection)
        return "cannot open display " + display;
    Display *x = connection.get();

    const Atom protocols = XInternAtom(x, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
    Atom *offered = nullptr;
    int count = 0;
    bool asked = false;
    if (XGetWMProtocols(x, window, &offered, &count) != 0) {
        for (int i = 0; i < count; ++i)
            asked = asked || offered[i] == deleteWindow;
        XFree(offered);
    }
    if (!asked)
        return "the window does not take WM_DELETE_WINDOW";

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(x, window, False, NoEventMask, &event) == 0)
        return "XSendEvent failed";
    XSync(x, False);
    return {};
}

} // namespace quorrax::window
