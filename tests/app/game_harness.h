// Runs the real game (its WinMain) on the headless backend with scripted
// input, and lets a test look at every frame as it is presented; and the
// pictures a test composes to hold a frame against: the artwork's pieces
// copied as the game's keyed blits copy them, and GDI text as the stand-in
// draws it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/planet.h"
#include "platform/headless.h"
#include "winapi.h"

class GameRun {
public:
    // A new process as far as the game can tell: the game's process-wide
    // state and the stand-in's (windows, handles, the guard, faults, the
    // release log) start afresh, with the virtual clock at `startMs`.
    explicit GameRun(std::uint32_t startMs = 0);
    ~GameRun();

    // Holds the key (or mouse button: the game polls both alike) down from
    // `atMs` for `holdMs`.
    void Press(std::uint32_t atMs, int virtualKey, std::uint32_t holdMs = 100);
    // Runs WinMain to its end and returns its exit code.
    int Run();

    // The script, every frame as it is presented, what the game showed and
    // played. A run that never ends stops the test program.
    platform::HeadlessBackend backend;
    // GDI objects alive before the game started: what it makes, it deletes.
    const int gdiObjectsBefore;
};

// The caption every message box of the game carries: its window handle in
// lower-case hexadecimal.
std::string WindowCaption();

using Palette = std::array<platform::PaletteColour, 256>;

// The artwork's pixels as the game should see them, top row first.
struct Artwork {
    std::vector<std::uint8_t> pixels; // 640 x 1440

    Artwork();
    std::uint8_t At(int x, int y) const { return pixels[y * 640 + x]; }
};

// A 640 x 480 screen of palette indices.
struct Picture {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(640 * 480);

    Picture() = default;
    explicit Picture(const platform::CapturedFrame& frame) : pixels(frame.indices) {}
    explicit Picture(IDirectDrawSurface* surface);

    std::uint8_t& At(int x, int y) { return pixels[y * 640 + x]; }
    std::uint8_t At(int x, int y) const { return pixels[y * 640 + x]; }
    // The background rows of the artwork over the clear colour 246, as
    // every frame starts.
    static Picture Background(const Artwork& art);
    // Copies `from` of the artwork into `to`, as a keyed blit does: each
    // pixel takes the source pixel its position falls on, index 255 is
    // transparent, and what lies off the screen is left out.
    void Blit(const Artwork& art, RECT from, RECT to);
    // Lays `text` over this picture wherever it drew.
    void Overlay(const Picture& text);
    void CopyTo(IDirectDrawSurface* surface) const;
};

// The first pixel of `region` where `got` is not the expected picture, or ""
// when there is none.
std::string FirstDifference(std::uint32_t ms, const Picture& got, const Picture& expected,
                            RECT region);
inline constexpr RECT SCREEN{0, 0, 640, 480};

// An offscreen surface of this size.
IDirectDrawSurface* MakeSurface(IDirectDraw* directDraw, int width, int height);

// Text drawn by the stand-in's GDI on a fresh screen: `draw` gets the device
// context of a surface; what it leaves undrawn stays UNDRAWN.
inline constexpr std::uint8_t UNDRAWN = 7;
Picture GdiPicture(const std::function<void(HDC)>& draw);

// HUD text in the bitmap font of `art`, as the game lays it out: digits 10
// wide, capitals 13 wide stretched one row taller from one row higher,
// spaces 10 wide.
void DrawHudText(Picture& screen, const Artwork& art, int x, int y, const std::string& text);

// A body as the play scene works from it.
struct Body {
    Vec2 position, velocity, acceleration;
    float mass;
    int kind;
};

// The planet table and the animation counter as they stand.
struct PlayState {
    std::vector<Body> bodies;
    std::uint32_t steered = 0;
    std::uint32_t animCounter = 0;

    static PlayState Now();
};

// What a play step draws over the frame, from the table as it stood before
// the step and the pulls the step computed: the step moves every body, the
// HUD shows the last one, then the sprites are drawn, each steered one with
// its marker, while the counter picks their pictures.
void DrawPlayScene(Picture& screen, const Artwork& art, const PlayState& before,
                   const PlayState& after);
