// What the audio room's tests share besides the sound kit (the pulling
// backend, a working folder, tones and MIDI files): builders for the RIFF
// WAVE files the game reads, platform calls that fail on demand, and a window
// for the audio classes to report to.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "app/window_base.h"
#include "tests/platform/audio/audio_kit.h"

// One chunk: id, declared size (the data's own size unless given), data, and
// a pad byte after odd-sized data if asked for (as careful RIFF writers do).
inline Bytes Chunk(const char* id, const Bytes& data, bool pad = false,
                   std::int64_t declared = -1) {
    Bytes out(id, id + 4);
    PutLittle(out, static_cast<std::uint32_t>(declared < 0 ? data.size() : declared), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (pad && data.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

// The common 16-byte "fmt " chunk data.
inline Bytes FormatData(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
    Bytes out;
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    PutLittle(out, tag, 2);
    PutLittle(out, channels, 2);
    PutLittle(out, rate, 4);
    PutLittle(out, rate * align, 4);
    PutLittle(out, align, 2);
    PutLittle(out, bits, 2);
    return out;
}

// "RIFF", size, "WAVE" (or `form`), then the chunks; the RIFF size is the
// true one unless given.
inline Bytes Riff(const std::vector<Bytes>& chunks, std::int64_t riffSize = -1,
                  const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Bytes& chunk : chunks) {
        body.insert(body.end(), chunk.begin(), chunk.end());
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    PutLittle(out, static_cast<std::uint32_t>(riffSize < 0 ? body.size() : riffSize), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes WaveFile(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                      const Bytes& samples) {
    return Riff({Chunk("fmt ", FormatData(1, channels, rate, bits)), Chunk("data", samples)});
}

// Platform calls made to fail where fault injection cannot pick them out:
// ReadFile for reads of exactly `bytes` bytes (0: none), so that one read in
// the middle of the WAV reader breaks; CoCreateInstance for one class only
// (null: none). The test program is linked with --wrap for both, which sends
// the game's calls through platform_faults.cpp first.
void FailReadsOfSize(std::uint32_t bytes);
void FailCreationOf(const CLSID* classId);

// A window for the audio classes to report to and send their messages to:
// its procedure counts the application messages and hands the music ones to
// whatever the test installs, as the game's window procedure does.
class TestWindow {
public:
    TestWindow() {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Audio Test Class";
        RegisterClassExA(&windowClass);
        current = this;
        handle = CreateWindowExA(0, "Audio Test Class", "Audio Test", WS_POPUP, 0, 0, 640, 480,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() {
        DestroyWindow(handle);
        current = nullptr;
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    HWND handle = nullptr;
    int soundReady = 0;
    int musicReady = 0;
    int musicNotifies = 0;
    int closeRequests = 0;
    std::function<void()> onMusicReady = [] {};
    std::function<void()> onMusicNotify = [] {};

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        TestWindow* self = current;
        if (self == nullptr || window != self->handle) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        switch (message) {
        case UM_SOUND_READY:
            ++self->soundReady;
            return 0;
        case UM_MUSIC_READY:
            ++self->musicReady;
            self->onMusicReady();
            return 0;
        case UM_MUSIC_NOTIFY:
            ++self->musicNotifies;
            self->onMusicNotify();
            return 0;
        case WM_CLOSE:
            ++self->closeRequests; // the test decides when the window goes
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
        }
    }
    static inline TestWindow* current = nullptr;
};
