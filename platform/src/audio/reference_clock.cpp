#include "audio/reference_clock.h"

#include <mutex>

#include "platform/backend.h"

namespace platform::audio {
namespace {

std::mutex clockLock;
bool started = false;
std::uint32_t lastMs = 0;
std::int64_t unwrappedMs = 0;

} // namespace

std::int64_t ReferenceNow() {
    const std::uint32_t ms = CurrentBackend().NowMilliseconds();
    std::lock_guard<std::mutex> hold(clockLock);
    if (!started) {
        started = true;
        unwrappedMs = ms;
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
    lastMs = ms;
    return unwrappedMs * kReferenceUnitsPerMs;
}

} // namespace platform::audio
