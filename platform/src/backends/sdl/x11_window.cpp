#include "backends/sdl/x11_window.h"

#include <SDL_syswm.h>

namespace platform::sdl {
namespace {

bool X11Handles(SDL_Window* window, Display*& display, Window& xWindow) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    display = info.info.x11.display;
    xWindow = info.info.x11.window;
    return display != nullptr && xWindow != 0;
#else
    (void)window;
    (void)display;
    (void)xWindow;
    return false;
#endif
}

} // namespace

std::optional<SDL_Point> X11WindowSize(SDL_Window* window) {
    Display* display = nullptr;
    Window xWindow = 0;
    if (!X11Handles(window, display, xWindow)) {
        return std::nullopt;
    }
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(display, xWindow, &root, &x, &y, &width, &height, &border, &depth) ||
        width == 0 || height == 0) {
        return std::nullopt;
    }
    return SDL_Point{static_cast<int>(width), static_cast<int>(height)};
}

void TellSdlX11WindowSize(SDL_Window* window, SDL_Point size) {
    Display* display = nullptr;
    Window xWindow = 0;
    if (!X11Handles(window, display, xWindow)) {
        return;
    }
    // A synthetic ConfigureNotify carries the window's place on the root
    // window, whatever frame a window manager has put around it.
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, xWindow, DefaultRootWindow(display), 0, 0, &rootX, &rootY,
                          &child);
    XEvent event{};
    event.xconfigure.type = ConfigureNotify;
    event.xconfigure.display = display;
    event.xconfigure.event = xWindow;
    event.xconfigure.window = xWindow;
    event.xconfigure.x = rootX;
    event.xconfigure.y = rootY;
    // SDL passes on only a size unlike the last one the X server reported,
    // which may be this very size (back to full screen after a window, with
    // nothing granting it): the size SDL believes in goes first, then the
    // real one.
    int believedWidth = 0;
    int believedHeight = 0;
    SDL_GetWindowSize(window, &believedWidth, &believedHeight);
    for (const SDL_Point each : {SDL_Point{believedWidth, believedHeight}, size}) {
        event.xconfigure.width = each.x;
        event.xconfigure.height = each.y;
        XSendEvent(display, xWindow, False, StructureNotifyMask, &event);
    }
    XFlush(display);
}

} // namespace platform::sdl
