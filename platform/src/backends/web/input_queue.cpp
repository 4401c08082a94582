#include "backends/web/input_queue.h"

namespace platform::web {
namespace {

bool InRange(int virtualKey) {
    return virtualKey >= 0 && virtualKey < 256;
}

} // namespace

bool InputQueue::Push(const BackendEvent& event) {
    const std::uint32_t at = pushed.load(std::memory_order_relaxed);
    if (at - taken.load(std::memory_order_acquire) >= kCapacity) {
        return false;
    }
    ring[at % kCapacity] = event;
    pushed.store(at + 1, std::memory_order_release);
    return true;
}

bool InputQueue::Take(BackendEvent& out, std::uint32_t nowMs) {
    const std::uint32_t at = taken.load(std::memory_order_relaxed);
    if (at == pushed.load(std::memory_order_acquire)) {
        return false;
    }
    const BackendEvent& next = ring[at % kCapacity];
    const bool key = InRange(next.virtualKey);
    if (key && IsRelease(next) && pressedSinceFrame[static_cast<std::size_t>(next.virtualKey)]) {
        if (!holding) {
            holding = true;
            holdingSince = nowMs;
        }
        if (nowMs - holdingSince < kHoldLimitMs) {
            return false;
        }
    }
    holding = false;
    out = next;
    taken.store(at + 1, std::memory_order_release);
    if (key && (IsPress(out) || IsRelease(out))) {
        const auto index = static_cast<std::size_t>(out.virtualKey);
        down[index].store(IsPress(out), std::memory_order_relaxed);
        pressedSinceFrame[index] = IsPress(out);
    }
    return true;
}

void InputQueue::FramePresented() {
    pressedSinceFrame.fill(false);
    holding = false;
}

bool InputQueue::IsDown(int virtualKey) const {
    return InRange(virtualKey) &&
           down[static_cast<std::size_t>(virtualKey)].load(std::memory_order_relaxed);
}

} // namespace platform::web
