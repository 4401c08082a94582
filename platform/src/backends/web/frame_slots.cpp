#include "backends/web/frame_slots.h"

namespace platform::web {

FrameSlots::FrameSlots(std::size_t bytes) {
    for (auto& slot : slots) {
        slot.assign(bytes, 0);
    }
}

void FrameSlots::Publish() {
    back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & ~kFresh;
}

const std::uint8_t* FrameSlots::TakeNewest() {
    if ((middle.load(std::memory_order_relaxed) & kFresh) == 0) {
        return nullptr;
    }
    front = middle.exchange(front, std::memory_order_acq_rel) & ~kFresh;
    return slots[front].data();
}

} // namespace platform::web
