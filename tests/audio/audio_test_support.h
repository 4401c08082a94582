// What the audio room's tests share besides the platform audio tests' kit
// (the pulling backend, a working folder, tone samples): builders for the
// RIFF WAVE files the game reads, reads that fail on demand, and a window for
// the audio classes to report to.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "app/window_base.h"
#include "tests/platform/audio/audio_kit.h"

// One chunk: id, declared size (the data's own size unless given), data, and
// a pad byte after odd-sized data if asked for (as careful RIFF writers do).
inline Bytes Chunk(const char* id, const Bytes& data, bool pad = false,
                   std::int64_t declared = -1) {
    Bytes out(id, id + 4);
    PutLittle(out,
              declared < 0 ? static_cast<std::uint32_t>(data.size())
                           : static_cast<std::uint32_t>(declared),
              4);
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
    PutLittle(out,
              riffSize < 0 ? static_cast<std::uint32_t>(body.size())
                           : static_cast<std::uint32_t>(riffSize),
              4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A complete PCM WAV file as most programs write it.
inline Bytes WaveFile(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits,
                      const Bytes& samples) {
    return Riff({Chunk("fmt ", FormatData(1, channels, rate, bits)), Chunk("data", samples)});
}

// Makes ReadFile fail for reads of one particular byte count, so that a test
// can break one read in the middle of the WAV reader (the 18-byte format
// record, or a locked region of known size) while the others succeed. The
// test program is linked with --wrap for ReadFile, which sends the game's
// calls through here first.
// Reads of exactly `bytes` bytes fail from now on (0: none fail).
void FailReadsOfSize(std::uint32_t bytes);

// A window for the audio classes to report to and to send their messages
// to: its procedure counts the application messages and hands the music ones
// to whatever the test installs, as the game's window procedure does.
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

    // Dispatches every message waiting now.
    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    // Dispatches messages until `musicNotifies` reaches `count` (the
    // notification thread posts them a moment after the event is set), or
    // gives up after two seconds of real time.
    bool PumpUntilNotified(int count) {
        for (int i = 0; i < 2000 && musicNotifies < count; ++i) {
            Pump();
            if (musicNotifies < count) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return musicNotifies >= count;
    }

    HWND handle = nullptr;
    int soundReady = 0;
    int musicReady = 0;
    int musicNotifies = 0;
    int closeRequests = 0;
    std::function<void()> onMusicReady;
    std::function<void()> onMusicNotify;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        TestWindow* self = current;
        if (self == nullptr) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        switch (message) {
        case UM_SOUND_READY:
            ++self->soundReady;
            return 0;
        case UM_MUSIC_READY:
            ++self->musicReady;
            if (self->onMusicReady) {
                self->onMusicReady();
            }
            return 0;
        case UM_MUSIC_NOTIFY:
            ++self->musicNotifies;
            if (self->onMusicNotify) {
                self->onMusicNotify();
            }
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
