// The SDL backend in a real X server with no window manager, where nothing
// grants the full screen the window asks for and SDL's own record of the
// window's size is wrong. The end-to-end test runs this inside its Xvfb
// (with QUORVANE_TEST_X11 set); elsewhere it is skipped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "backends/sdl/sdl_backend.h"
#include "backends/sdl/x11_window.h"

// Xlib's macros (None, Bool, ...) come last, after every header they clash with.
#include <SDL_syswm.h>
#include <X11/Xutil.h>

using platform::BackendEvent;
using platform::sdl::SdlBackend;

namespace {

void PresentGrey(SdlBackend& backend) {
    const std::vector<std::uint8_t> indices(640 * 480, 1);
    platform::PaletteColour palette[256] = {};
    palette[1] = platform::PaletteColour{90, 90, 90};
    backend.Present(indices.data(), 640, 480, 640, palette);
}

// Reads events for a moment, as the main loop would while the window
// settles after a change of size.
void Settle(SdlBackend& backend) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
        BackendEvent event;
        while (backend.PollEvent(event)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// The colour the X server shows at pixel (x, y) of the window, as 0xRRGGBB.
unsigned long ShownInWindow(SDL_Window* window, int x, int y) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return ~0ul;
    }
    XImage* image =
        XGetImage(info.info.x11.display, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return ~0ul;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFFul;
    XDestroyImage(image);
    return pixel;
}

} // namespace

TEST(SdlBackendOnX11, WithoutAWindowManagerTheFrameFollowsTheWindowsRealSize) {
    if (std::getenv("QUORVANE_TEST_X11") == nullptr) {
        GTEST_SKIP() << "needs an X server without a window manager (the end-to-end test)";
    }
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    auto backend = SdlBackend::Open(error);
    ASSERT_TRUE(backend) << error;
    PresentGrey(*backend);
    // Full screen, windowed (Alt+Enter), and full screen again: each time
    // the window keeps a whole multiple of 640 x 480, and the frame fills it.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        if (round > 0) {
            backend->ToggleFullscreen();
        }
        Settle(*backend);
        const std::optional<SDL_Point> real = platform::sdl::X11WindowSize(backend->Window());
        ASSERT_TRUE(real);
        const SDL_Rect placed = backend->FramePlacement();
        EXPECT_EQ(std::vector<int>({placed.x, placed.y, placed.w, placed.h}),
                  std::vector<int>({0, 0, real->x, real->y}));
        // Drawn to the window's very edges, without another frame presented.
        EXPECT_EQ(ShownInWindow(backend->Window(), 0, 0), 0x5A5A5Aul);
        EXPECT_EQ(ShownInWindow(backend->Window(), real->x - 1, real->y - 1), 0x5A5A5Aul);
    }
}
