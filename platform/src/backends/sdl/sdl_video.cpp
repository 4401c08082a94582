// The window and the frames in it: the renderer made with the first frame,
// the frame converted, uploaded and placed, full screen and windowed.
#include "backends/sdl/sdl_backend.h"

#include <algorithm>
#include <cstdio>

#include "backends/sdl/x11_window.h"
#include "platform/video.h"

namespace platform::sdl {

namespace {

// A frame presented this soon after the last one drawn waits for the main
// loop to look at its events (right after the game's frame) instead of
// being drawn at once: a frame that changes the palette and then copies the
// back surface is drawn once, not twice. A frame after a longer quiet
// (start-up's loading notice, the first frame) is drawn at once.
constexpr std::uint32_t kDrawAtOnceAfterMs = 40;

} // namespace

bool SdlBackend::CreateTexture(int width, int height) {
    if (texture) {
        SDL_DestroyTexture(texture);
    }
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    textureWidth = texture ? width : 0;
    textureHeight = texture ? height : 0;
    return texture != nullptr;
}

bool SdlBackend::EnsureRenderer() {
    if (renderer) {
        return true;
    }
    if (rendererFailed) {
        return false;
    }
    // Made with the first frame rather than at start-up: a second instance,
    // which closes at once, never waits for a graphics driver.
    renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!renderer || !CreateTexture(kScreenWidth, kScreenHeight)) {
        std::fprintf(stderr, "quorvane: cannot draw in the window: %s\n", SDL_GetError());
        rendererFailed = true;
        return false;
    }
    return true;
}

SDL_Point SdlBackend::OutputSize() const {
    int width = 0;
    int height = 0;
    if (renderer) {
        SDL_GetRendererOutputSize(renderer, &width, &height);
    } else {
        SDL_GetWindowSizeInPixels(window, &width, &height);
    }
    return SDL_Point{width, height};
}

SDL_Rect SdlBackend::FramePlacement() const {
    const SDL_Point output = OutputSize();
    return FitFrame(textureWidth ? textureWidth : kScreenWidth,
                    textureHeight ? textureHeight : kScreenHeight, output.x, output.y);
}

void SdlBackend::Present(const std::uint8_t* indices, int width, int height, int pitch,
                         const PaletteColour* palette) {
    if (!indices || !palette || width <= 0 || height <= 0 || pitch < width) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (!stager.Stage(indices, width, height, pitch, palette)) {
            return; // the screen shows this already
        }
        stagedNew = true;
    }
    if (!OnMainThread()) {
        Wake();
    } else if (!shown ||
               static_cast<std::uint32_t>(NowMilliseconds() - lastDrawnAt) >= kDrawAtOnceAfterMs) {
        ShowStagedFrame();
    }
}

void SdlBackend::ShowStagedFrame() {
    {
        std::lock_guard<std::mutex> hold(frameLock);
        if (!stagedNew) {
            return;
        }
        stagedNew = false;
        if (!EnsureRenderer()) {
            return;
        }
        if (stager.Width() != textureWidth || stager.Height() != textureHeight) {
            if (!CreateTexture(stager.Width(), stager.Height())) {
                std::fprintf(stderr, "quorvane: cannot make a %d x %d texture: %s\n",
                             stager.Width(), stager.Height(), SDL_GetError());
                return;
            }
            stager.MarkAllChanged();
        }
        const RowBand rows = stager.TakeChangedRows();
        if (rows.count > 0) {
            const SDL_Rect band{0, rows.first, stager.Width(), rows.count};
            const std::uint8_t* firstRow =
                stager.Pixels() + static_cast<std::ptrdiff_t>(rows.first) * stager.Pitch();
            SDL_UpdateTexture(texture, &band, firstRow, stager.Pitch());
        }
    }
    if (!shown) {
        // The window appears with the program's first picture; the window
        // layer has already activated the program when it showed its window.
        shown = true;
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
    }
    Render();
}

bool SdlBackend::SdlKnowsTheWindowsSize() {
    const std::optional<SDL_Point> real = X11WindowSize(window);
    if (!real) {
        return true;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    if (width == real->x && height == real->y) {
        toldSize = SDL_Point{0, 0};
        return true;
    }
    if (toldSize.x == real->x && toldSize.y == real->y) {
        return true; // told already and not taken: draw to SDL's size after all
    }
    toldSize = *real;
    TellSdlX11WindowSize(window, *real);
    return false;
}

// Draws the newest frame placed for the window's size at this moment. A
// window whose size SDL has wrong is not drawn (the picture would land
// offset and cut): SDL is told, and its size-change event draws again.
void SdlBackend::Render() {
    if (!shown || !renderer || !texture || !SdlKnowsTheWindowsSize()) {
        return;
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect placed = FramePlacement();
    SDL_RenderCopy(renderer, texture, nullptr, &placed);
    SDL_RenderPresent(renderer);
    lastDrawnAt = NowMilliseconds();
}

void SdlBackend::RecoverFromDeviceReset() {
    if (!renderer) {
        return;
    }
    // Every texture went with the device; the program's surfaces count as
    // lost too, and it restores and redraws them itself.
    const int width = std::max(textureWidth, kScreenWidth);
    const int height = std::max(textureHeight, kScreenHeight);
    textureWidth = textureHeight = 0;
    if (!CreateTexture(width, height)) {
        std::fprintf(stderr, "quorvane: the display was reset and cannot be drawn on: %s\n",
                     SDL_GetError());
    }
    {
        std::lock_guard<std::mutex> hold(frameLock);
        stagedNew = !stager.Empty();
        stager.MarkAllChanged();
    }
    LoseAllSurfaces();
    ShowStagedFrame();
}

void SdlBackend::ToggleFullscreen() {
    fullscreen = !fullscreen;
    if (fullscreen) {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window, 0);
        SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
        SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window), &usable);
        const SDL_Point size = WindowedSize(kScreenWidth, kScreenHeight, usable.w, usable.h);
        SDL_SetWindowSize(window, size.x, size.y);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    Render();
}

void SdlBackend::SetWindowTitle(const std::string& titleUtf8) {
    if (window != nullptr) {
        SDL_SetWindowTitle(window, titleUtf8.c_str());
    }
}

void SdlBackend::SetCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace platform::sdl
