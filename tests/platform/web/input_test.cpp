// The web page's input on its way to the game: events in the order the page
// saw them, a tap shorter than a frame still seen held for one frame, the
// pointer mapped into the frame wherever the page places it, and DOM key
// codes as Windows virtual keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/web/input_queue.h"
#include "backends/web/page_layout.h"
#include "winapi.h"

using platform::BackendEvent;
using platform::web::InputQueue;
using Kind = BackendEvent::Kind;

namespace {

BackendEvent Key(Kind kind, int virtualKey) {
    BackendEvent event;
    event.kind = kind;
    event.virtualKey = virtualKey;
    return event;
}

// What the game takes now, as "kind:key" strings.
std::vector<std::string> TakeAll(InputQueue& queue, std::uint32_t nowMs) {
    std::vector<std::string> taken;
    BackendEvent event;
    while (queue.Take(event, nowMs)) {
        taken.push_back(std::to_string(static_cast<int>(event.kind)) + ":" +
                        std::to_string(event.virtualKey));
    }
    return taken;
}

std::string Of(Kind kind, int virtualKey) {
    return std::to_string(static_cast<int>(kind)) + ":" + std::to_string(virtualKey);
}

} // namespace

TEST(WebInput, EventsArriveInTheOrderThePageSawThem) {
    InputQueue queue;
    queue.Push(Key(Kind::KeyDown, VK_LEFT));
    queue.Push(Key(Kind::Deactivate, 0));
    queue.Push(Key(Kind::ButtonDown, VK_LBUTTON));
    queue.Push(Key(Kind::Activate, 0));
    EXPECT_EQ(TakeAll(queue, 0),
              (std::vector<std::string>{Of(Kind::KeyDown, VK_LEFT), Of(Kind::Deactivate, 0),
                                        Of(Kind::ButtonDown, VK_LBUTTON), Of(Kind::Activate, 0)}));
    EXPECT_TRUE(queue.IsDown(VK_LEFT));
    EXPECT_TRUE(queue.IsDown(VK_LBUTTON));
}

TEST(WebInput, ATapBetweenTwoFramesIsHeldForOneFrame) {
    InputQueue queue;
    queue.Push(Key(Kind::KeyDown, 'Z'));
    queue.Push(Key(Kind::KeyUp, 'Z'));
    queue.Push(Key(Kind::KeyDown, VK_ESCAPE)); // behind the release: waits with it
    EXPECT_EQ(TakeAll(queue, 10), std::vector<std::string>{Of(Kind::KeyDown, 'Z')});
    EXPECT_TRUE(queue.IsDown('Z')) << "the frame samples Z held";
    queue.FramePresented();
    EXPECT_EQ(TakeAll(queue, 11),
              (std::vector<std::string>{Of(Kind::KeyUp, 'Z'), Of(Kind::KeyDown, VK_ESCAPE)}));
    EXPECT_FALSE(queue.IsDown('Z'));

    // A key held across a frame is let go at once.
    queue.Push(Key(Kind::KeyUp, VK_ESCAPE));
    queue.FramePresented();
    EXPECT_EQ(TakeAll(queue, 12), std::vector<std::string>{Of(Kind::KeyUp, VK_ESCAPE)});
    // A button tap waits for a frame as a key's does.
    queue.Push(Key(Kind::ButtonDown, VK_RBUTTON));
    queue.Push(Key(Kind::ButtonUp, VK_RBUTTON));
    EXPECT_EQ(TakeAll(queue, 13).size(), 1u);
    EXPECT_TRUE(queue.IsDown(VK_RBUTTON));
}

TEST(WebInput, AReleaseWaitsOnlyAShortWhileWhenNoFrameComes) {
    // A paused game presents nothing; its queue must still move on, or the
    // activation behind the release would never arrive.
    InputQueue queue;
    queue.Push(Key(Kind::KeyDown, 'X'));
    queue.Push(Key(Kind::KeyUp, 'X'));
    queue.Push(Key(Kind::Activate, 0));
    EXPECT_EQ(TakeAll(queue, 1000).size(), 1u);
    EXPECT_TRUE(TakeAll(queue, 1000 + InputQueue::kHoldLimitMs - 1).empty());
    EXPECT_EQ(TakeAll(queue, 1000 + InputQueue::kHoldLimitMs).size(), 2u);
    EXPECT_FALSE(queue.IsDown('X'));
}

TEST(WebInput, AFullQueueDropsNewEventsAndKeepsTheOldOnes) {
    InputQueue queue;
    for (std::size_t i = 0; i < InputQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue.Push(Key(Kind::MouseMove, 0)));
    }
    EXPECT_FALSE(queue.Push(Key(Kind::KeyDown, 'Z')));
    BackendEvent event;
    ASSERT_TRUE(queue.Take(event, 0));
    EXPECT_TRUE(queue.Push(Key(Kind::KeyDown, 'Z')));
    EXPECT_EQ(TakeAll(queue, 0).back(), Of(Kind::KeyDown, 'Z'));
}

TEST(WebLayout, TheFrameIsScaledByWholeNumbersAndCentred) {
    struct Case {
        double width, height, scale, left, top;
    };
    const Case cases[] = {
        {1280, 1024, 2, 0, 32}, {1920, 1080, 2, 320, 60}, {640, 480, 1, 0, 0},
        {800, 600, 1, 80, 60},  {2000, 1500, 3, 40, 30},  {320, 300, 0.5, 0, 30},
    };
    for (const Case& c : cases) {
        const auto placed = platform::web::PlaceFrame(c.width, c.height, 640, 480);
        EXPECT_EQ(placed.scale, c.scale) << c.width << "x" << c.height;
        EXPECT_EQ(placed.left, c.left) << c.width << "x" << c.height;
        EXPECT_EQ(placed.top, c.top) << c.width << "x" << c.height;
    }
}

TEST(WebLayout, ThePointerLandsOnTheFramePixelUnderIt) {
    const auto placed = platform::web::PlaceFrame(1920, 1080, 640, 480); // 2x at (320, 60)
    struct Case {
        double x, y;
        int frameX, frameY;
    };
    const Case cases[] = {
        {320, 60, 0, 0},      {321.9, 61.9, 0, 0}, {322, 62, 1, 1},        {1599, 1019, 639, 479},
        {960, 540, 320, 240}, {100, 10, 0, 0},     {1900, 1070, 639, 479}, // in the border
    };
    for (const Case& c : cases) {
        int x = -1, y = -1;
        platform::web::FramePointOf(placed, c.x, c.y, 640, 480, x, y);
        EXPECT_EQ(x, c.frameX) << c.x << "," << c.y;
        EXPECT_EQ(y, c.frameY) << c.x << "," << c.y;
    }
}

TEST(WebKeys, DomCodesBecomeWindowsVirtualKeys) {
    const std::pair<const char*, int> cases[] = {
        {"KeyZ", 'Z'},
        {"KeyA", 'A'},
        {"KeyX", 'X'},
        {"Digit0", '0'},
        {"Digit9", '9'},
        {"Numpad7", 0x67},
        {"ArrowLeft", VK_LEFT},
        {"ArrowRight", VK_RIGHT},
        {"ArrowUp", VK_UP},
        {"ArrowDown", VK_DOWN},
        {"Space", VK_SPACE},
        {"Enter", VK_RETURN},
        {"NumpadEnter", VK_RETURN},
        {"Escape", VK_ESCAPE},
        {"F1", VK_F1},
        {"F12", VK_F12},
        {"AltLeft", VK_MENU},
        {"ShiftRight", VK_SHIFT},
        {"F25", 0},
        {"F0", 0},
        {"KeyZZ", 0},
        {"Keyz", 0},
        {"MetaLeft", 0},
        {"", 0},
    };
    for (const auto& [code, key] : cases) {
        EXPECT_EQ(platform::web::VirtualKeyOfCode(code), key) << code;
    }
}
