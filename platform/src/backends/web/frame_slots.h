// Converted frames handed from the game's thread to the browser's thread
// that draws them, in three slots so neither side ever waits: the game fills
// one, the page draws from another, and the third holds the newest frame
// not yet drawn (a newer one replaces it).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::web {

class FrameSlots {
public:
    explicit FrameSlots(std::size_t bytes);

    // Game side: the slot to fill, then hand it over as the newest frame.
    std::uint8_t* Back() { return slots[back].data(); }
    void Publish();

    // Page side: the newest frame handed over since the last call, or null
    // when there is none (the page has drawn it already).
    const std::uint8_t* TakeNewest();

private:
    static constexpr int kFresh = 4; // set in `middle` while it holds an undrawn frame

    std::array<std::vector<std::uint8_t>, 3> slots;
    int back = 0;
    int front = 2;
    std::atomic<int> middle{1};
};

} // namespace platform::web
