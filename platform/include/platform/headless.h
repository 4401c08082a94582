// The headless backend: the machine as a test sees it. A virtual millisecond
// clock that only moves when the program waits (an empty PeekMessageA moves
// it by one millisecond, WaitMessage and Sleep to the next scripted event or
// deadline), a script of timed inputs, every presented frame kept as palette
// indices plus palette (and written as PNG on request), the sound the program
// plays captured as samples, and message boxes logged instead of shown.
// Faults are injected with platform::InjectFault (platform/faults.h).
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace platform {

struct CapturedFrame {
    std::uint64_t number = 0; // 1 for the first frame presented
    std::uint32_t timeMs = 0; // the virtual clock when it was presented
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices; // width x height, top row first
    std::array<PaletteColour, 256> palette{};

    std::uint8_t At(int x, int y) const {
        return indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    }
};

struct MessageBoxRecord {
    std::uint32_t timeMs = 0;
    std::string caption; // UTF-8
    std::string text;    // UTF-8
    unsigned type = 0;
    const void* owner = nullptr; // the window the box belongs to
};

// Writes the frame as an 8-bit palettised PNG (the indices unchanged).
bool WritePng(const std::string& path, const CapturedFrame& frame, std::string& error);
// Writes interleaved 16-bit samples as a PCM WAV file.
bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples,
              std::uint32_t sampleRate, std::uint32_t channels, std::string& error);

class HeadlessBackend final : public Backend {
public:
    explicit HeadlessBackend(std::uint32_t startMs = 0);
    ~HeadlessBackend() override;
    HeadlessBackend(const HeadlessBackend&) = delete;
    HeadlessBackend& operator=(const HeadlessBackend&) = delete;

    // ---- the script
    // The event happens when the virtual clock reaches `atMs`: from then on
    // the key and button state shows it, and the window layer receives it.
    void Schedule(std::uint32_t atMs, const BackendEvent& event);
    void ScheduleKey(std::uint32_t atMs, int virtualKey, bool down);
    // A close request right after the `frameNumber`-th presented frame.
    void CloseAfterFrame(std::uint64_t frameNumber);
    // Joystick `id` from now on (nullopt: unplugged, as at the start).
    void SetJoystick(unsigned id, std::optional<JoystickState> state);
    // The clock may not pass `limitMs`: a program still waiting then is
    // stuck, and `onExceeded` is called with a description (by default the
    // process ends with status 3 after printing it).
    void SetTimeLimit(std::uint32_t limitMs, std::function<void(const std::string&)> onExceeded);

    // ---- what the program showed
    // Hands every frame to `look` as it is presented, on the presenting
    // thread and with nothing of this backend locked: a test can read the
    // program's state beside each frame, or act on it.
    void OnPresent(std::function<void(const CapturedFrame&)> look);
    // The newest `count` frames are kept (at least 1; 2 by default).
    void KeepFrames(std::size_t count);
    void CaptureFrameTo(std::uint64_t frameNumber, const std::string& pngPath);
    // The screen at virtual time `timeMs`: the last frame presented while the
    // clock read `timeMs` or less, written once the clock moves past it.
    void CaptureTimeTo(std::uint32_t timeMs, const std::string& pngPath);
    // Writes the time captures that are due at the current time (at the end
    // of a run, when the clock will not move on).
    void FinishCaptures();
    std::vector<CapturedFrame> Frames() const;
    std::uint64_t FramesPresented() const;
    // Log lines of the captures written (or that could not be written).
    std::vector<std::string> CaptureLog() const;
    // Requested captures that were not written (never presented, or failed).
    std::vector<std::string> MissingCaptures() const;
    std::vector<MessageBoxRecord> MessageBoxes() const;
    bool CursorVisible() const;

    // ---- what the program played
    bool AudioOpen() const;
    std::uint32_t AudioSampleRate() const;
    std::uint32_t AudioChannels() const;
    std::vector<std::int16_t> CapturedAudio() const;

    // ---- Backend
    std::uint32_t NowMilliseconds() override;
    bool PollEvent(BackendEvent& out) override;
    void WaitUntil(std::uint32_t deadlineMs) override;
    void Wake() override;
    void Sleep(std::uint32_t ms) override;
    bool IsKeyDown(int virtualKey) override;
    bool ReadJoystick(unsigned id, JoystickState& out) override;
    void Present(const std::uint8_t* indices, int width, int height, int pitch,
                 const PaletteColour* palette) override;
    void SetCursorVisible(bool visible) override;
    bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) override;
    void CloseAudio() override;
    int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                       unsigned type) override;
    int ShowOwnedMessageBox(const void* owner, const std::string& captionUtf8,
                            const std::string& textUtf8, unsigned type) override;

private:
    struct Scheduled {
        std::uint32_t atMs;
        std::uint64_t order; // events at the same time keep their scheduling order
        BackendEvent event;
    };
    struct TimeCapture {
        std::uint32_t timeMs;
        std::string path;
        bool done = false;
    };

    // All under `lock`.
    void AdvanceLocked(std::uint32_t targetMs);
    void ReleaseDueEventsLocked();
    void ApplyStateLocked(const BackendEvent& event);
    void WriteTimeCapturesLocked(std::uint32_t upToMs);
    void WriteCaptureLocked(const CapturedFrame& frame, const std::string& path,
                            const std::string& what);
    std::optional<std::uint32_t> NextEventTimeLocked() const;
    void CheckLimitLocked(std::uint32_t targetMs, const char* waiting);
    // Without `lock`: pulls the sound that is due at the current time.
    void PullAudio();

    mutable std::mutex lock;
    std::condition_variable woken;
    std::uint32_t now;
    std::uint32_t start;
    bool wakePending = false;
    std::uint64_t scheduledCount = 0;
    std::vector<Scheduled> script; // sorted by (atMs, order)
    std::deque<BackendEvent> pending;
    std::array<bool, 256> keys{};
    std::map<unsigned, JoystickState> joysticks;
    std::optional<std::uint64_t> closeAfterFrame;
    std::optional<std::uint32_t> limit;
    std::function<void(const std::string&)> onLimitExceeded;
    std::function<void(const CapturedFrame&)> onPresent;

    std::size_t keptFrames = 2;
    std::deque<CapturedFrame> frames;
    std::uint64_t presented = 0;
    std::map<std::uint64_t, std::string> frameCaptures;
    std::vector<TimeCapture> timeCaptures;
    std::vector<std::string> captureLog;
    std::vector<std::string> missing;
    std::vector<MessageBoxRecord> messageBoxes;
    bool cursorVisible = true;

    mutable std::mutex audioLock; // taken without `lock`, never inside it
    AudioSource* audioSource = nullptr;
    std::uint32_t audioRate = 0;
    std::uint32_t audioChannels = 0;
    std::uint32_t audioOpenedAt = 0;
    std::uint64_t audioFramesPulled = 0;
    std::vector<std::int16_t> audio;
};

} // namespace platform
