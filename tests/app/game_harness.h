// Runs the real game (its WinMain) on the headless backend with scripted
// input, and lets a test look at every frame as it is presented.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "winapi.h"

struct FrameView {
    std::uint64_t number; // 1 for the first frame presented
    std::uint32_t timeMs;
    const std::uint8_t* indices; // 640 x 480, pitch `pitch`
    int pitch;
    const platform::PaletteColour* palette;

    std::uint8_t At(int x, int y) const { return indices[y * pitch + x]; }
    platform::PaletteColour Colour(int x, int y) const { return palette[At(x, y)]; }
};

class GameRun {
public:
    GameRun();
    ~GameRun();

    // Holds the key (or mouse button) down from `atMs` for `holdMs`.
    void Press(std::uint32_t atMs, int virtualKey, std::uint32_t holdMs = 100);
    void Event(std::uint32_t atMs, platform::BackendEvent::Kind kind, int virtualKey = 0);
    // A close request (the window's close button) right after frame `n`.
    void CloseAfterFrame(std::uint64_t n);
    // Called for every presented frame, on the game's thread.
    void OnFrame(std::function<void(const FrameView&)> look);

    // Runs WinMain to its end and returns its exit code.
    int Run();

    platform::HeadlessBackend& Backend();
    std::vector<platform::MessageBoxRecord> MessageBoxes() const;

private:
    class Probe;
    Probe* probe;
};

// The caption every message box of the game carries: its window handle in
// lower-case hexadecimal.
std::string WindowCaption();
