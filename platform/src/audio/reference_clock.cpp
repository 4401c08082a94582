#include "audio/reference_clock.h"

#include <mutex>

#include "platform/backend.h"

namespace platform::audio {
namespace {

std::mutex clockLock;
bool started = false;
const Backend* lastClock = nullptr;
std::uint32_t lastMs = 0;
std::int64_t unwrappedMs = 0;

} // namespace

std::int64_t ReferenceNow() {
    Backend& clock = CurrentBackend();
    const std::uint32_t ms = clock.NowMilliseconds();
    std::lock_guard<std::mutex> hold(clockLock);
    if (!started) {
        started = true;
        unwrappedMs = ms;
    } else if (&clock != lastClock) {
        // Another backend, another clock: reference time goes on from where
        // it was instead of jumping to (or stalling below) the new reading.
    } else {
        // Only forward steps count: a reading older than the last one (another
        // thread raced us) must not move reference time backwards.
        const auto step = static_cast<std::int32_t>(ms - lastMs);
        if (step > 0) {
            unwrappedMs += step;
        } else if (step < 0) {
            return unwrappedMs * kReferenceUnitsPerMs;
        }
    }
    lastClock = &clock;
    lastMs = ms;
    return unwrappedMs * kReferenceUnitsPerMs;
}

} // namespace platform::audio
