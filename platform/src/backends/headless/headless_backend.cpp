#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless.h"
#include "platform/system_backend.h"

namespace platform {
namespace {

constexpr std::size_t kAudioChunkFrames = 4096;
constexpr std::chrono::milliseconds kRealGraceForOtherThreads{20};
// Ten minutes of 44.1 kHz stereo: a runaway scenario does not eat the memory.
constexpr std::size_t kAudioCaptureLimit = 44100u * 2u * 600u;

std::string TimeText(std::uint32_t ms) {
    return std::to_string(ms) + " ms";
}

} // namespace

HeadlessBackend::HeadlessBackend(std::uint32_t startMs) : now(startMs), start(startMs) {
    onLimitExceeded = [](const std::string& why) {
        std::fprintf(stderr, "headless: %s\n", why.c_str());
        std::fflush(stderr);
        std::_Exit(3);
    };
}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::Schedule(std::uint32_t atMs, const BackendEvent& event) {
    std::lock_guard<std::mutex> hold(lock);
    const Scheduled entry{atMs, scheduledCount++, event};
    const auto place = std::upper_bound(
        script.begin(), script.end(), entry, [](const Scheduled& a, const Scheduled& b) {
            return a.atMs != b.atMs ? a.atMs < b.atMs : a.order < b.order;
        });
    script.insert(place, entry);
}

void HeadlessBackend::ScheduleKey(std::uint32_t atMs, int virtualKey, bool down) {
    BackendEvent event;
    event.kind = down ? BackendEvent::Kind::KeyDown : BackendEvent::Kind::KeyUp;
    event.virtualKey = virtualKey;
    Schedule(atMs, event);
}

void HeadlessBackend::CloseAfterFrame(std::uint64_t frameNumber) {
    std::lock_guard<std::mutex> hold(lock);
    closeAfterFrame = frameNumber;
}

void HeadlessBackend::SetJoystick(unsigned id, std::optional<JoystickState> state) {
    std::lock_guard<std::mutex> hold(lock);
    if (state) {
        joysticks[id] = *state;
    } else {
        joysticks.erase(id);
    }
}

void HeadlessBackend::SetTimeLimit(std::uint32_t limitMs,
                                   std::function<void(const std::string&)> onExceeded) {
    std::lock_guard<std::mutex> hold(lock);
    limit = limitMs;
    if (onExceeded) {
        onLimitExceeded = std::move(onExceeded);
    }
}

void HeadlessBackend::KeepFrames(std::size_t count) {
    std::lock_guard<std::mutex> hold(lock);
    keptFrames = std::max<std::size_t>(count, 1);
    while (frames.size() > keptFrames) {
        frames.pop_front();
    }
}

void HeadlessBackend::CaptureFrameTo(std::uint64_t frameNumber, const std::string& pngPath) {
    std::lock_guard<std::mutex> hold(lock);
    frameCaptures[frameNumber] = pngPath;
}

void HeadlessBackend::CaptureTimeTo(std::uint32_t timeMs, const std::string& pngPath) {
    std::lock_guard<std::mutex> hold(lock);
    timeCaptures.push_back(TimeCapture{timeMs, pngPath});
    WriteTimeCapturesLocked(now - 1);
}

void HeadlessBackend::FinishCaptures() {
    std::lock_guard<std::mutex> hold(lock);
    WriteTimeCapturesLocked(now);
}

std::vector<CapturedFrame> HeadlessBackend::Frames() const {
    std::lock_guard<std::mutex> hold(lock);
    return {frames.begin(), frames.end()};
}

std::uint64_t HeadlessBackend::FramesPresented() const {
    std::lock_guard<std::mutex> hold(lock);
    return presented;
}

std::vector<std::string> HeadlessBackend::CaptureLog() const {
    std::lock_guard<std::mutex> hold(lock);
    return captureLog;
}

std::vector<std::string> HeadlessBackend::MissingCaptures() const {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> result = missing;
    for (const auto& [number, path] : frameCaptures) {
        result.push_back("frame " + std::to_string(number) + " (" + path + "): only " +
                         std::to_string(presented) + " frames were presented");
    }
    for (const TimeCapture& capture : timeCaptures) {
        if (!capture.done) {
            result.push_back("screen at " + TimeText(capture.timeMs) + " (" + capture.path +
                             "): the clock stopped at " + TimeText(now));
        }
    }
    return result;
}

std::vector<MessageBoxRecord> HeadlessBackend::MessageBoxes() const {
    std::lock_guard<std::mutex> hold(lock);
    return messageBoxes;
}

bool HeadlessBackend::CursorVisible() const {
    std::lock_guard<std::mutex> hold(lock);
    return cursorVisible;
}

bool HeadlessBackend::AudioOpen() const {
    std::lock_guard<std::mutex> hold(audioLock);
    return audioSource != nullptr;
}

std::uint32_t HeadlessBackend::AudioSampleRate() const {
    std::lock_guard<std::mutex> hold(audioLock);
    return audioRate;
}

std::uint32_t HeadlessBackend::AudioChannels() const {
    std::lock_guard<std::mutex> hold(audioLock);
    return audioChannels;
}

std::vector<std::int16_t> HeadlessBackend::CapturedAudio() const {
    std::lock_guard<std::mutex> hold(audioLock);
    return audio;
}

std::uint32_t HeadlessBackend::NowMilliseconds() {
    std::lock_guard<std::mutex> hold(lock);
    return now;
}

bool HeadlessBackend::PollEvent(BackendEvent& out) {
    std::lock_guard<std::mutex> hold(lock);
    ReleaseDueEventsLocked();
    if (pending.empty()) {
        return false;
    }
    out = pending.front();
    pending.pop_front();
    return true;
}

void HeadlessBackend::WaitUntil(std::uint32_t deadlineMs) {
    {
        std::unique_lock<std::mutex> hold(lock);
        if (wakePending || !pending.empty()) {
            wakePending = false; // something is waiting to be read: no time passes
            return;
        }
        const auto remaining = static_cast<std::int32_t>(deadlineMs - now);
        if (remaining <= 0) {
            return;
        }
        std::uint32_t target = deadlineMs;
        if (const auto next = NextEventTimeLocked()) {
            if (static_cast<std::int32_t>(*next - now) < remaining) {
                target = *next;
            }
        }
        // A long wait with nothing scripted in it (WaitMessage) first gives
        // the program's other threads a moment of real time to post.
        if (static_cast<std::int32_t>(target - now) > 1 &&
            woken.wait_for(hold, kRealGraceForOtherThreads, [&] { return wakePending; })) {
            wakePending = false;
            return;
        }
        CheckLimitLocked(target, "waiting for a message");
        AdvanceLocked(target);
    }
    PullAudio();
}

void HeadlessBackend::Wake() {
    std::lock_guard<std::mutex> hold(lock);
    wakePending = true;
    woken.notify_all();
}

void HeadlessBackend::Sleep(std::uint32_t ms) {
    {
        std::lock_guard<std::mutex> hold(lock);
        CheckLimitLocked(now + ms, "in Sleep");
        AdvanceLocked(now + ms);
    }
    PullAudio();
}

bool HeadlessBackend::IsKeyDown(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) {
        return false;
    }
    std::lock_guard<std::mutex> hold(lock);
    ReleaseDueEventsLocked();
    return keys[static_cast<std::size_t>(virtualKey)];
}

bool HeadlessBackend::ReadJoystick(unsigned id, JoystickState& out) {
    std::lock_guard<std::mutex> hold(lock);
    const auto it = joysticks.find(id);
    if (it == joysticks.end()) {
        return false;
    }
    out = it->second;
    return true;
}

void HeadlessBackend::Present(const std::uint8_t* indices, int width, int height, int pitch,
                              const PaletteColour* palette) {
    if (!indices || !palette || width <= 0 || height <= 0 || pitch < width) {
        return;
    }
    std::unique_lock<std::mutex> hold(lock);
    CapturedFrame frame;
    frame.number = ++presented;
    frame.timeMs = now;
    frame.width = width;
    frame.height = height;
    frame.indices.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::memcpy(frame.indices.data() +
                        static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                    indices + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch),
                    static_cast<std::size_t>(width));
    }
    std::copy(palette, palette + 256, frame.palette.begin());
    const auto wanted = frameCaptures.find(frame.number);
    if (wanted != frameCaptures.end()) {
        WriteCaptureLocked(frame, wanted->second, "frame " + std::to_string(frame.number));
        frameCaptures.erase(wanted);
    }
    if (closeAfterFrame && *closeAfterFrame == frame.number) {
        BackendEvent close;
        close.kind = BackendEvent::Kind::Close;
        pending.push_back(close);
    }
    const auto look = onPresent;
    if (look) {
        frames.push_back(frame);
    } else {
        frames.push_back(std::move(frame));
    }
    while (frames.size() > keptFrames) {
        frames.pop_front();
    }
    hold.unlock();
    if (look) {
        look(frame);
    }
}

void HeadlessBackend::OnPresent(std::function<void(const CapturedFrame&)> look) {
    std::lock_guard<std::mutex> hold(lock);
    onPresent = std::move(look);
}

void HeadlessBackend::SetCursorVisible(bool visible) {
    std::lock_guard<std::mutex> hold(lock);
    cursorVisible = visible;
}

bool HeadlessBackend::OpenAudio(std::uint32_t sampleRate, std::uint32_t channels,
                                AudioSource* source) {
    if (!source || sampleRate == 0 || channels == 0 || channels > 8) {
        return false;
    }
    const std::uint32_t openedAt = NowMilliseconds();
    std::lock_guard<std::mutex> hold(audioLock);
    audioSource = source;
    audioRate = sampleRate;
    audioChannels = channels;
    audioOpenedAt = openedAt;
    audioFramesPulled = 0;
    audio.clear();
    return true;
}

void HeadlessBackend::CloseAudio() {
    std::lock_guard<std::mutex> hold(audioLock);
    audioSource = nullptr;
}

int HeadlessBackend::ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                                    unsigned type) {
    return ShowOwnedMessageBox(nullptr, captionUtf8, textUtf8, type);
}

int HeadlessBackend::ShowOwnedMessageBox(const void* owner, const std::string& captionUtf8,
                                         const std::string& textUtf8, unsigned type) {
    std::lock_guard<std::mutex> hold(lock);
    messageBoxes.push_back(MessageBoxRecord{now, captionUtf8, textUtf8, type, owner});
    return DefaultMessageBoxAnswer(type);
}

void HeadlessBackend::AdvanceLocked(std::uint32_t targetMs) {
    // Step through the scripted events on the way, so that each takes effect
    // at its own time.
    while (const auto next = NextEventTimeLocked()) {
        if (static_cast<std::int32_t>(*next - targetMs) > 0) {
            break;
        }
        if (static_cast<std::int32_t>(*next - now) > 0) {
            WriteTimeCapturesLocked(*next - 1);
            now = *next;
        }
        ReleaseDueEventsLocked();
    }
    if (static_cast<std::int32_t>(targetMs - now) > 0) {
        WriteTimeCapturesLocked(targetMs - 1);
        now = targetMs;
    }
}

void HeadlessBackend::ReleaseDueEventsLocked() {
    auto it = script.begin();
    while (it != script.end() && static_cast<std::int32_t>(it->atMs - now) <= 0) {
        ApplyStateLocked(it->event);
        pending.push_back(it->event);
        ++it;
    }
    script.erase(script.begin(), it);
}

void HeadlessBackend::ApplyStateLocked(const BackendEvent& event) {
    using Kind = BackendEvent::Kind;
    if (event.virtualKey < 0 || event.virtualKey > 255) {
        return;
    }
    const auto key = static_cast<std::size_t>(event.virtualKey);
    if (event.kind == Kind::KeyDown || event.kind == Kind::ButtonDown) {
        keys[key] = true;
    } else if (event.kind == Kind::KeyUp || event.kind == Kind::ButtonUp) {
        keys[key] = false;
    }
}

// Writes the captures whose time has come (time <= upToMs) from the newest
// frame presented before it.
void HeadlessBackend::WriteTimeCapturesLocked(std::uint32_t upToMs) {
    for (TimeCapture& capture : timeCaptures) {
        if (capture.done || static_cast<std::int32_t>(capture.timeMs - upToMs) > 0 ||
            static_cast<std::int32_t>(capture.timeMs - start) < 0) {
            continue;
        }
        capture.done = true;
        if (frames.empty()) {
            missing.push_back("screen at " + TimeText(capture.timeMs) + " (" + capture.path +
                              "): nothing was presented by then");
            continue;
        }
        WriteCaptureLocked(frames.back(), capture.path, "screen at " + TimeText(capture.timeMs));
    }
}

void HeadlessBackend::WriteCaptureLocked(const CapturedFrame& frame, const std::string& path,
                                         const std::string& what) {
    std::string error;
    if (WritePng(path, frame, error)) {
        captureLog.push_back(what + " (frame " + std::to_string(frame.number) + " at " +
                             TimeText(frame.timeMs) + ") -> " + path);
    } else {
        missing.push_back(what + " (" + path + "): " + error);
    }
}

std::optional<std::uint32_t> HeadlessBackend::NextEventTimeLocked() const {
    if (script.empty()) {
        return std::nullopt;
    }
    return script.front().atMs;
}

void HeadlessBackend::CheckLimitLocked(std::uint32_t targetMs, const char* waiting) {
    if (!limit || static_cast<std::int32_t>(targetMs - *limit) <= 0) {
        return;
    }
    const std::string why = std::string("the program is still ") + waiting + " at " +
                            TimeText(*limit) + ", the end of its scenario's time";
    AdvanceLocked(*limit);
    const auto handler = onLimitExceeded;
    limit.reset(); // a handler that returns lets the program go on
    handler(why);
}

void HeadlessBackend::PullAudio() {
    const std::uint32_t at = NowMilliseconds();
    std::lock_guard<std::mutex> hold(audioLock);
    if (!audioSource) {
        return;
    }
    const std::uint64_t elapsed = static_cast<std::uint32_t>(at - audioOpenedAt);
    const std::uint64_t due = elapsed * audioRate / 1000u;
    std::vector<std::int16_t> chunk;
    while (audioFramesPulled < due) {
        const auto frames = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(due - audioFramesPulled, kAudioChunkFrames));
        chunk.assign(static_cast<std::size_t>(frames) * audioChannels, 0);
        audioSource->Mix(chunk.data(), frames);
        audioFramesPulled += frames;
        if (audio.size() + chunk.size() <= kAudioCaptureLimit) {
            audio.insert(audio.end(), chunk.begin(), chunk.end());
        }
    }
}

} // namespace platform
