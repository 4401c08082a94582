#include "game_harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "app/game_app.h"
#include "assets/artwork_resource.h"
#include "game/random.h"
#include "platform/lifetimes.h"
#include "platform/video.h"

namespace {

// The game's single-instance guard is a name shared by every process of the
// machine: test processes running side by side would each see the others'
// guard and exit at once. Each test process keeps its names in a folder of
// its own.
const bool privateGuardFolder = [] {
    static char folder[] = "/tmp/quorvane-test-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
        setenv("XDG_RUNTIME_DIR", folder, 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
    }
    return true;
}();

// Everything the game keeps for the life of its process, as it stands when
// the process starts.
void StartGameAfresh() {
    platform::ResetProcessState();
    DestroyPlanetTable();
    gameApp.~GameApp();
    new (&gameApp) GameApp();
    firstFrame = 1;
    framePacing = FramePacing{};
    blinkCounter = 0;
    toggleLatch = 0;
    shotLoopArmed = 1;
    joystickSampler = JoystickSampler{};
    launchLatch = 0;
    animCounter = 0;
    randomState = 1;
    randomReplay = 0;
    replayIndex = 0;
}

} // namespace

GameRun::GameRun(std::uint32_t startMs)
    : backend(startMs), gdiObjectsBefore(platform::GdiObjects()) {
    StartGameAfresh();
    backend.SetTimeLimit(startMs + 600000, nullptr);
}

GameRun::~GameRun() {
    platform::InstallBackend(nullptr);
}

void GameRun::Press(std::uint32_t atMs, int virtualKey, std::uint32_t holdMs) {
    backend.ScheduleKey(atMs, virtualKey, true);
    backend.ScheduleKey(atMs + holdMs, virtualKey, false);
}

int GameRun::Run() {
    platform::InstallBackend(&backend);
    char commandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}

std::string WindowCaption() {
    char caption[32];
    std::snprintf(caption, sizeof caption, "%x",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(gameApp.window)));
    return caption;
}

Artwork::Artwork() {
    const unsigned char* dib = ArtworkDibData(); // bottom-up, after the colour table
    pixels.resize(640 * 1440);
    for (int row = 0; row < 1440; ++row) {
        std::memcpy(&pixels[row * 640], dib + 1064 + (1439 - row) * 640, 640);
    }
}

Picture Picture::Background(const Artwork& art) {
    Picture picture;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint8_t index = art.At(x, 480 + y);
            picture.At(x, y) = index == 255 ? 246 : index;
        }
    }
    return picture;
}

void Picture::Blit(const Artwork& art, RECT from, RECT to) {
    const int w = to.right - to.left;
    const int h = to.bottom - to.top;
    for (int y = std::max<int>(to.top, 0); y < std::min<int>(to.bottom, 480); ++y) {
        for (int x = std::max<int>(to.left, 0); x < std::min<int>(to.right, 640); ++x) {
            const std::uint8_t index =
                art.At(from.left + (x - to.left) * (from.right - from.left) / w,
                       from.top + (y - to.top) * (from.bottom - from.top) / h);
            if (index != 255) {
                At(x, y) = index;
            }
        }
    }
}

void Picture::Overlay(const Picture& text) {
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = text.pixels[i] == UNDRAWN ? pixels[i] : text.pixels[i];
    }
}

Picture::Picture(IDirectDrawSurface* surface) {
    const platform::SurfacePixels from = platform::PixelsOf(surface);
    for (int y = 0; y < 480; ++y) {
        std::memcpy(&At(0, y), &from.At(0, y), 640);
    }
}

void Picture::CopyTo(IDirectDrawSurface* surface) const {
    const platform::SurfacePixels to = platform::PixelsOf(surface);
    for (int y = 0; y < 480; ++y) {
        std::memcpy(&to.At(0, y), &pixels[y * 640], 640);
    }
}

std::string FirstDifference(std::uint32_t ms, const Picture& got, const Picture& expected,
                            RECT region) {
    for (int y = region.top; y < region.bottom; ++y) {
        for (int x = region.left; x < region.right; ++x) {
            if (got.At(x, y) != expected.At(x, y)) {
                return "at " + std::to_string(ms) + " ms, (" + std::to_string(x) + ", " +
                       std::to_string(y) + ") shows " + std::to_string(got.At(x, y)) +
                       " instead of " + std::to_string(expected.At(x, y));
            }
        }
    }
    return "";
}

IDirectDrawSurface* MakeSurface(IDirectDraw* directDraw, int width, int height) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    IDirectDrawSurface* surface = nullptr;
    directDraw->CreateSurface(&desc, &surface, nullptr);
    return surface;
}

Picture GdiPicture(const std::function<void(HDC)>& draw) {
    IDirectDraw* directDraw = nullptr;
    DirectDrawCreate(nullptr, &directDraw, nullptr);
    IDirectDrawSurface* surface = MakeSurface(directDraw, 640, 480);
    Picture blank;
    std::fill(blank.pixels.begin(), blank.pixels.end(), UNDRAWN);
    blank.CopyTo(surface);
    HDC dc = nullptr;
    surface->GetDC(&dc);
    draw(dc);
    surface->ReleaseDC(dc);
    Picture picture(surface);
    surface->Release();
    directDraw->Release();
    return picture;
}

PlayState PlayState::Now() {
    PlayState state{{}, PlanetTable[0].steeredIndex, ::animCounter};
    for (std::uint32_t i = 0; i < PlanetTable[0].count; ++i) {
        const Planet& p = PlanetTable[i];
        state.bodies.push_back({p.position, p.velocity, p.acceleration, p.mass, p.kind});
    }
    return state;
}

namespace {

// The four pictures of a sprite row lie one below the other in the artwork
// from (x, 960); the marker's two alternate.
RECT SpriteCell(int row, std::uint32_t frame) {
    constexpr int X[] = {0, 32, 8, 19, 42, 75}, W[] = {8, 10, 11, 13, 33, 23};
    constexpr int H[] = {8, 10, 10, 11, 30, 23};
    const int y =
        row == 5 ? 975 + 23 * static_cast<int>(frame % 2) : 960 + H[row] * static_cast<int>(frame);
    return {X[row], y, X[row] + W[row], y + H[row]};
}

// Centred on the position truncated towards zero, in the sprite's size
// rounded down to even.
void DrawSprite(Picture& screen, const Artwork& art, int row, std::uint32_t frame, Vec2 at) {
    const RECT cell = SpriteCell(row, frame);
    const int cx = static_cast<int>(at.x), cy = static_cast<int>(at.y);
    const int w = (cell.right - cell.left) / 2, h = (cell.bottom - cell.top) / 2;
    screen.Blit(art, cell, {cx - w, cy - h, cx + w, cy + h});
}

} // namespace

// The HUD font: digits 10 x 14 from (76, 960); letters 13 x 15 from
// (176, 960), drawn one row taller from one row higher; spaces 10 wide.
void DrawHudText(Picture& screen, const Artwork& art, int x, int y, const std::string& text) {
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            const int d = c - '0';
            screen.Blit(art, {76 + 10 * d, 960, 86 + 10 * d, 974}, {x, y, x + 10, y + 14});
        } else if (c != ' ') {
            const int k = c - 'A';
            screen.Blit(art, {176 + 13 * k, 960, 189 + 13 * k, 975}, {x, y - 1, x + 13, y + 15});
        }
        x += c >= 'A' ? 13 : 10;
    }
}

void DrawPlayScene(Picture& screen, const Artwork& art, const PlayState& before,
                   const PlayState& after) {
    const std::size_t n = before.bodies.size();
    std::vector<Vec2> at(n);
    float speed = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        Vec2 velocity = before.bodies[i].velocity;
        velocity += after.bodies[i].acceleration;
        at[i] = before.bodies[i].position;
        at[i] += velocity * 0.25f;
        speed = Length(velocity);
    }
    const std::pair<int, std::string> lines[] = {
        {5, "SCORE"},
        {85, "PLANETS"},
        {105, std::to_string(n)},
        {125, "NEW PLANET"},
        {145, "VELOCITY"},
        {165, std::to_string(static_cast<int>(speed))},
        {185, "MASS"},
        {205, std::to_string(static_cast<int>(before.bodies[n - 1].mass))},
        {245, std::to_string(before.steered)}};
    for (const auto& [y, text] : lines) {
        DrawHudText(screen, art, 500, y, text);
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t frame = (before.animCounter + i) % 40 / 10;
        DrawSprite(screen, art, before.bodies[i].kind, frame, at[i]);
        if (before.steered == i) {
            DrawSprite(screen, art, 5, frame, at[i]);
        }
    }
}
