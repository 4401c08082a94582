// The web backend: the game's thread is a worker of a browser tab. Waits
// really sleep (a posted message or the page's input ends them); the page's
// keys, buttons and pointer arrive as queued events; frames go through their
// palette into RGBA that the page puts on its canvas; sound goes through a
// ring in shared memory to the page's AudioWorklet, kept filled by a pump
// thread pulling the mixer; a message box is a dialog on the page, which the
// game's thread waits for.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backends/web/frame_slots.h"
#include "backends/web/input_queue.h"
#include "backends/web/page_layout.h"
#include "backends/web/sample_ring.h"
#include "platform/backend.h"

namespace platform::web {

class WebBackend final : public Backend {
public:
    WebBackend();
    ~WebBackend() override;
    WebBackend(const WebBackend&) = delete;
    WebBackend& operator=(const WebBackend&) = delete;

    std::uint32_t NowMilliseconds() override;
    bool PollEvent(BackendEvent& out) override;
    void WaitUntil(std::uint32_t deadlineMs) override;
    void Wake() override;
    void Sleep(std::uint32_t ms) override;
    bool IsKeyDown(int virtualKey) override;
    void Present(const std::uint8_t* indices, int width, int height, int pitch,
                 const PaletteColour* palette) override;
    void SetCursorVisible(bool visible) override;
    void SetWindowTitle(const std::string& titleUtf8) override;
    bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) override;
    void CloseAudio() override;
    int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                       unsigned type) override;

    // ---- from the page (the browser's main thread)
    void PushEvent(const BackendEvent& event);
    void LayOut(double viewWidth, double viewHeight);
    const FramePlacement& Placement() const { return placement; }
    void PointerAt(BackendEvent::Kind kind, int virtualKey, double x, double y);
    const std::uint8_t* TakeFrame();
    void Answer(int buttonId);

    static WebBackend* Active() { return active.load(); }

    // For the page's measurements: frames presented so far, and how late,
    // on average, the waits that ran to their deadline ended since the last
    // call (in milliseconds past the start of the deadline's millisecond).
    std::uint32_t FramesPresented() const { return presented.load(); }
    double TakeWakeLateness();

private:
    void Pump();

    static std::atomic<WebBackend*> active;

    InputQueue input;
    FramePlacement placement;

    std::atomic<std::uint32_t> presented{0};
    std::atomic<std::uint64_t> latenessMicroseconds{0};
    std::atomic<std::uint32_t> timedWakes{0};

    // Set by Wake, taken by WaitUntil; the word a waiting game thread
    // sleeps on.
    std::atomic<std::uint32_t> wakePending{0};

    FrameSlots frames;
    std::vector<std::uint8_t> lastIndices;
    std::vector<PaletteColour> lastPalette;
    std::atomic<bool> drawRequested{false};

    std::unique_ptr<SampleRing> ring;
    AudioSource* audioSource = nullptr;
    std::thread pump;
    std::atomic<bool> pumping{false};

    std::mutex answerLock;
    std::condition_variable answered;
    int answer = 0;
};

} // namespace platform::web
