// The real game, headless, driven by scripted input on the virtual clock, and
// held against the pictures and the sound a player should get. Each game
// frame ends with one copy of the back surface to the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "app/game_app.h"
#include "game_harness.h"
#include "platform/sound.h"
#include "platform/video.h"

namespace {

bool SameColour(const platform::PaletteColour& a, const platform::PaletteColour& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SamePalette(const Palette& a, const Palette& b) {
    return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

int CountColour(const Picture& screen, const Palette& palette, RECT r,
                platform::PaletteColour colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            n += SameColour(palette[screen.At(x, y)], colour) ? 1 : 0;
        }
    }
    return n;
}

constexpr platform::PaletteColour TITLE_BLUE{64, 160, 250};
constexpr platform::PaletteColour PROMPT_BLUE{0, 80, 200};

// The frame rate as every frame shows it: black on an opaque white box.
Picture FrameRateText(DWORD fps) {
    const std::string text = std::to_string(fps) + "FPS";
    return GdiPicture([&](HDC dc) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, OPAQUE);
        TextOutA(dc, 50, 20, text.c_str(), static_cast<int>(text.size()));
    });
}

// The shot sound as its file holds it: mono 16-bit samples after the header.
std::vector<std::int16_t> ShotSound() {
    std::ifstream file("Wave/shooting.wav", std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(file), {});
    std::vector<std::int16_t> samples(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

// "Now Loading..." while the devices start, then the title with its prompts
// blinking; X or the right button toggles the looping shot sound, and Z with
// X in one sample starts play, the tune from its beginning and the shot loop.
TEST(TitleScreen, BlinksItsPromptsTogglesTheShotLoopAndStartsPlayWithTheTuneAgain) {
    Picture loading; // on the black screen of the new display mode
    loading.Overlay(GdiPicture([](HDC dc) {
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        TextOutA(dc, 320, 240, "Now Loading...", 14);
    }));
    GameRun run;
    std::string loadingScreen = "never shown";
    std::vector<bool> prompts;             // by title frame
    std::map<std::uint32_t, bool> looping; // the shot loop, by frame time
    std::uint32_t planets = 0;
    run.backend.OnPresent([&](const platform::CapturedFrame& frame) {
        const Picture screen(frame);
        if (firstFrame == 1) {
            loadingScreen = FirstDifference(frame.timeMs, screen, loading, SCREEN);
            return;
        }
        looping[frame.timeMs] = platform::StateOf(gameApp.slots[SHOT_SLOT]).looping;
        planets = PlanetTable != nullptr ? PlanetTable[0].count : 0;
        if (PlanetTable == nullptr) {
            prompts.push_back(
                CountColour(screen, frame.palette, {200, 340, 440, 420}, PROMPT_BLUE) > 50);
            ASSERT_GT(CountColour(screen, frame.palette, {120, 100, 520, 200}, TITLE_BLUE), 500);
        }
    });
    run.Press(1000, 'X', 500);        // on, held for a while: one toggle
    run.Press(1200, VK_RBUTTON, 100); // while X is held: nothing
    run.Press(2000, VK_RBUTTON, 50);  // off
    run.Press(3500, 'Z', 50);         // in one sample with X: play starts, the loop too
    run.Press(3500, 'X', 50);
    run.Press(4500, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(loadingScreen, "");
    // Hidden in title frames 0 to 30 and 150 to 180, shown otherwise.
    ASSERT_GT(prompts.size(), 200u);
    for (std::size_t n = 0; n < 200; ++n) {
        ASSERT_EQ(prompts[n], n % 150 > 30) << "title frame " << n;
    }
    const std::pair<std::uint32_t, bool> expected[] = {
        {900, false}, {1400, true}, {1900, true}, {2500, false}, {4000, true}};
    for (const auto& [ms, on] : expected) {
        EXPECT_EQ(std::prev(looping.upper_bound(ms))->second, on) << ms << " ms";
    }
    EXPECT_EQ(planets, 2u) << "Z, still held in the first play frame, launched a planet";

    // The tune starts with the first frame. From the start of play on, the
    // sound is the tune from its beginning again with the shot sound from its
    // beginning over it (the two together clip at full scale).
    const auto audio = run.backend.CapturedAudio(); // 44.1 kHz stereo
    const auto shot = ShotSound();
    ASSERT_GT(shot.size(), 4410u);
    ASSERT_GT(audio.size(), 2u * 163170);
    const auto begin = static_cast<std::size_t>(
        std::find_if(audio.begin(), audio.end(), [](std::int16_t s) { return s != 0; }) -
        audio.begin());
    ASSERT_LT(begin, 2u * 441) << "silent at the first frame";
    auto tuneAndShotStartAt = [&](std::size_t at) {
        for (std::size_t i = 0; i < 2 * 4410; ++i) {
            const int sum = std::clamp(audio[begin + i] + shot[i / 2], -32768, 32767);
            if (std::abs(audio[at + i] - sum) > 2) {
                return false;
            }
        }
        return true;
    };
    bool heard = false;
    for (std::size_t at = 2 * 154350; at < 2 * 158760 && !heard; at += 2) {
        heard = tuneAndShotStartAt(at);
    }
    EXPECT_TRUE(heard) << "both beginnings within 0.1 s after 3.5 s";
}

// Also: the palette fades in as play begins, and surfaces lost on the way
// come back with the artwork and its palette.
TEST(Play, EveryFrameStepsThenShowsHudAndSpritesThenLaunchesAndSteers) {
    const Artwork art;
    const Picture frameRate = FrameRateText(60);
    GameRun run;
    run.Press(1000, VK_SPACE, 50);  // play, without a launch
    run.Press(1400, VK_LEFT, 2600); // the sun, pushed down the screen, passes a speed of 1
    for (std::uint32_t i = 0; i < 11; ++i) {
        run.Press(4200 + 100 * i, 'Z', 50); // eleven planets: two-digit values
    }
    run.Press(6000, VK_F12);
    // A palette change shows at once, mid-frame: a frame is the last present
    // at its clock reading, known once the clock has moved on.
    struct Seen {
        std::uint32_t ms;
        Picture screen;
        Palette palette;
        PlayState state;
    };
    std::optional<Seen> pending;
    std::optional<PlayState> before;
    bool lost = false;
    std::vector<Palette> palettes; // from the frame that saw the start
    int checked = 0;
    std::string difference;
    auto check = [&](Seen& seen) {
        palettes.push_back(seen.palette);
        if (!before) {
            EXPECT_GT(CountColour(seen.screen, seen.palette, {120, 100, 520, 200}, TITLE_BLUE), 500)
                << "the frame that saw the start still shows the title";
        } else if (difference.empty()) {
            Picture expected = Picture::Background(art);
            expected.Overlay(frameRate);
            DrawPlayScene(expected, art, *before, seen.state);
            difference = FirstDifference(seen.ms, seen.screen, expected, SCREEN);
            ++checked;
        }
        before = std::move(seen.state);
    };
    run.backend.OnPresent([&](const platform::CapturedFrame& frame) {
        if (PlanetTable == nullptr) {
            return;
        }
        if (pending && pending->ms != frame.timeMs) {
            check(*pending);
        }
        ASSERT_EQ(gameApp.fps, 60u);
        pending = Seen{frame.timeMs, Picture(frame), frame.palette, PlayState::Now()};
        if (!lost && frame.timeMs >= 2500) { // faded in: each present ends a frame
            lost = true;
            platform::LoseAllSurfaces();
        }
    });
    ASSERT_EQ(run.Run(), 0);
    ASSERT_TRUE(pending);
    check(*pending);
    EXPECT_EQ(difference, "");
    EXPECT_GT(checked, 290);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->bodies.size(), 12u);
    EXPECT_EQ(before->steered, 11u);
    EXPECT_GT(before->bodies[0].position.y, 300.0f) << "the sun was steered";

    // The palette fades from the next frame on: 32 steps to black, a frame
    // that finds nothing left, 32 steps from white and one more.
    ASSERT_GT(palettes.size(), 70u);
    EXPECT_TRUE(SamePalette(palettes[0], palettes[65]));
    EXPECT_FALSE(SamePalette(palettes[0], palettes[64]));
    EXPECT_TRUE(SamePalette(palettes[0], palettes.back()));
    EXPECT_TRUE(run.backend.MessageBoxes().empty()) << "restored";
    for (int entry = 10; entry < 246; ++entry) {
        const auto was = palettes[0][entry];
        ASSERT_EQ(palettes[1][entry].red, std::max(0, was.red - 8)) << entry;
        ASSERT_EQ(palettes[33][entry].blue, 0) << entry;
        ASSERT_EQ(palettes[34][entry].red, std::max<int>(was.red, 247)) << entry;
    }
    EXPECT_TRUE(SameColour(palettes[33][246], {255, 251, 240})) << "the clear colour stays";
}

// Sixty frames a second on the millisecond clock, right across its wrap at
// 2^32: each second's frames 17, 16, 17, 17, 16, ... ms apart from the first,
// which runs as the second begins; none while the game is switched away, and
// the figure of the second before is published.
TEST(Pacing, SixtyFramesEverySecondAcrossTheClockWrapAndAfterAPause) {
    const std::uint32_t start = 0u - 1500u;
    GameRun run(start);
    std::vector<std::uint32_t> times;
    std::map<std::uint32_t, DWORD> published;
    run.backend.OnPresent([&](const platform::CapturedFrame& frame) {
        if (firstFrame == 0 && (times.empty() || times.back() != frame.timeMs)) {
            times.push_back(frame.timeMs); // a frame, not the loading notice
            published[frame.timeMs] = gameApp.fps;
        }
    });
    run.Press(200, VK_RETURN, 50);
    run.backend.Schedule(700, {platform::BackendEvent::Kind::Deactivate});
    run.backend.Schedule(1010, {platform::BackendEvent::Kind::Activate});
    run.Press(2700, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    ASSERT_FALSE(times.empty());
    const std::uint32_t first = times[0];
    EXPECT_EQ(first - start, 1u);
    auto expectSecond = [&](std::uint32_t n, int frames) {
        const std::uint32_t second = first + 1000 * n;
        auto it = std::find(times.begin(), times.end(), second);
        ASSERT_NE(it, times.end()) << "no frame as second " << n << " began";
        std::uint32_t t = second;
        for (int i = 0; i < frames; ++i, ++it) {
            ASSERT_NE(it, times.end());
            ASSERT_EQ(*it, t) << "frame " << i << " of second " << n;
            t += i % 3 == 1 ? 16 : 17;
        }
        if (frames == 60) {
            ASSERT_EQ(*it, t) << "the next second begins with the 61st frame";
        }
    };
    expectSecond(0, 60);
    expectSecond(1, 60); // the clock wraps in this one
    expectSecond(2, 12); // up to the switch away at 700
    expectSecond(3, 60);
    EXPECT_EQ(std::count_if(times.begin(), times.end(),
                            [](std::uint32_t t) { return t > 700 && t < 1010; }),
              0);
    const auto inSecond2 = std::count_if(
        times.begin(), times.end(), [&](std::uint32_t t) { return t - (first + 2000) < 1000; });
    EXPECT_EQ(published[first + 1000], 60u);
    EXPECT_EQ(published[first + 3000], static_cast<DWORD>(inSecond2));
}

} // namespace
