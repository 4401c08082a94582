#include "backends/web/web_backend.h"

#include <emscripten.h>
#include <emscripten/threading.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "platform/backend.h"

// The page's side, in library_quorvane.js: each runs on the browser's main
// thread, the game's thread going on at once unless it says otherwise.
extern "C" {
void quorvane_js_request_draw(int width, int height);
// Returns once the page has its audio graph made (suspended until the
// player's first key or click, as browsers require).
void quorvane_js_open_audio(int rate, int channels, const void* header, const void* samples);
void quorvane_js_close_audio();
void quorvane_js_message_box(const char* caption, const char* text, unsigned type);
void quorvane_js_set_title(const char* title);
void quorvane_js_set_cursor(int visible);
}

namespace platform::web {
namespace {

constexpr int kFrameWidth = kScreenWidth;
constexpr int kFrameHeight = kScreenHeight;

// The ring holds about 93 ms of sound; the pump keeps it about half full, so
// a player hears a sound 20 to 50 ms after the game starts it.
constexpr std::uint32_t kRingFrames = 4096;
constexpr std::uint32_t kRingTargetFrames = 2048;
constexpr std::uint32_t kPumpChunkFrames = 512;
constexpr auto kPumpPeriod = std::chrono::milliseconds(5);

} // namespace

std::atomic<WebBackend*> WebBackend::active{nullptr};

WebBackend::WebBackend() : frames(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4) {
    active.store(this);
}

WebBackend::~WebBackend() {
    CloseAudio();
    active.store(nullptr);
}

std::uint32_t WebBackend::NowMilliseconds() {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

bool WebBackend::PollEvent(BackendEvent& out) {
    return input.Take(out, NowMilliseconds());
}

void WebBackend::WaitUntil(std::uint32_t deadlineMs) {
    const double now = emscripten_get_now();
    const auto remaining = static_cast<std::int32_t>(deadlineMs - static_cast<std::uint32_t>(now));
    if (remaining <= 0) {
        wakePending.store(0);
        return;
    }
    // To the start of the deadline's millisecond, as the desktop's clock wait.
    const double until = std::floor(now) + remaining;
    for (double left = until - now; left > 0; left = until - emscripten_get_now()) {
        if (wakePending.exchange(0) != 0) {
            return;
        }
        // The worker really sleeps here (Atomics.wait) until Wake changes
        // the word or the time is up.
        emscripten_futex_wait(&wakePending, 0, left);
    }
    if (wakePending.exchange(0) != 0) {
        return;
    }
    const double late = emscripten_get_now() - until;
    latenessMicroseconds.fetch_add(static_cast<std::uint64_t>(std::max(0.0, late) * 1000));
    timedWakes.fetch_add(1);
}

double WebBackend::TakeWakeLateness() {
    const std::uint32_t wakes = timedWakes.exchange(0);
    const std::uint64_t total = latenessMicroseconds.exchange(0);
    return wakes ? static_cast<double>(total) / wakes / 1000 : 0;
}

void WebBackend::Wake() {
    wakePending.store(1);
    emscripten_futex_wake(&wakePending, 1);
}

void WebBackend::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool WebBackend::IsKeyDown(int virtualKey) {
    return input.IsDown(virtualKey);
}

void WebBackend::Present(const std::uint8_t* indices, int width, int height, int pitch,
                         const PaletteColour* palette) {
    input.FramePresented();
    presented.fetch_add(1);
    if (!indices || !palette || width != kFrameWidth || height != kFrameHeight || pitch < width) {
        return;
    }
    // Most title frames repeat the last one: those cost a comparison only.
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    bool same = lastIndices.size() == pixels &&
                std::equal(palette, palette + 256, lastPalette.begin(),
                           [](const PaletteColour& a, const PaletteColour& b) {
                               return a.red == b.red && a.green == b.green && a.blue == b.blue;
                           });
    for (int y = 0; same && y < height; ++y) {
        same = std::memcmp(indices + static_cast<std::size_t>(y) * pitch,
                           lastIndices.data() + static_cast<std::size_t>(y) * width, width) == 0;
    }
    if (same) {
        return;
    }
    lastIndices.resize(pixels);
    lastPalette.assign(palette, palette + 256);
    std::uint32_t rgba[256];
    for (int i = 0; i < 256; ++i) {
        rgba[i] = palette[i].red | (palette[i].green << 8) | (palette[i].blue << 16) | 0xFF000000u;
    }
    auto* out = reinterpret_cast<std::uint32_t*>(frames.Back());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = indices + static_cast<std::size_t>(y) * pitch;
        std::memcpy(lastIndices.data() + static_cast<std::size_t>(y) * width, row, width);
        for (int x = 0; x < width; ++x) {
            *out++ = rgba[row[x]];
        }
    }
    frames.Publish();
    if (!drawRequested.exchange(true)) {
        quorvane_js_request_draw(width, height);
    }
}

const std::uint8_t* WebBackend::TakeFrame() {
    drawRequested.store(false);
    return frames.TakeNewest();
}

void WebBackend::SetCursorVisible(bool visible) {
    quorvane_js_set_cursor(visible ? 1 : 0);
}

void WebBackend::SetWindowTitle(const std::string& titleUtf8) {
    quorvane_js_set_title(titleUtf8.c_str());
}

bool WebBackend::OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) {
    CloseAudio();
    if (!source || channels < 1 || channels > 2) {
        return false;
    }
    ring = std::make_unique<SampleRing>(kRingFrames, channels);
    audioSource = source;
    quorvane_js_open_audio(static_cast<int>(sampleRate), static_cast<int>(channels), ring->Header(),
                           ring->Samples());
    pumping.store(true);
    pump = std::thread([this] { Pump(); });
    return true;
}

void WebBackend::Pump() {
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(kPumpChunkFrames) * ring->Channels());
    while (pumping.load()) {
        while (kRingFrames - ring->FreeFrames() < kRingTargetFrames) {
            audioSource->Mix(chunk.data(), kPumpChunkFrames);
            ring->Write(chunk.data(), kPumpChunkFrames);
        }
        std::this_thread::sleep_for(kPumpPeriod);
    }
}

void WebBackend::CloseAudio() {
    if (!ring) {
        return;
    }
    pumping.store(false);
    if (pump.joinable()) {
        pump.join();
    }
    quorvane_js_close_audio();
    ring.reset();
    audioSource = nullptr;
}

int WebBackend::ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                               unsigned type) {
    std::unique_lock<std::mutex> lock(answerLock);
    answer = 0;
    quorvane_js_message_box(captionUtf8.c_str(), textUtf8.c_str(), type);
    answered.wait(lock, [this] { return answer != 0; });
    return answer;
}

void WebBackend::Answer(int buttonId) {
    {
        std::lock_guard<std::mutex> hold(answerLock);
        answer = buttonId;
    }
    answered.notify_all();
}

void WebBackend::PushEvent(const BackendEvent& event) {
    if (input.Push(event)) {
        Wake();
    }
}

void WebBackend::LayOut(double viewWidth, double viewHeight) {
    placement = PlaceFrame(viewWidth, viewHeight, kFrameWidth, kFrameHeight);
}

void WebBackend::PointerAt(BackendEvent::Kind kind, int virtualKey, double x, double y) {
    BackendEvent event;
    event.kind = kind;
    event.virtualKey = virtualKey;
    FramePointOf(placement, x, y, kFrameWidth, kFrameHeight, event.x, event.y);
    PushEvent(event);
}

} // namespace platform::web
