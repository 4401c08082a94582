// The real game, headless, driven by scripted input on the virtual clock.
// Each game frame ends with the copy of the back surface to the screen; all
// presents of one frame happen at one clock reading, so the last present at
// each reading is that frame as the player saw it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "app/game_app.h"
#include "assets/artwork_resource.h"
#include "game_harness.h"
#include "platform/sound.h"
#include "platform/video.h"

namespace {

using Palette = std::array<platform::PaletteColour, 256>;

bool SameColour(const platform::PaletteColour& a, const platform::PaletteColour& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

bool SamePalette(const Palette& a, const Palette& b) {
    return std::equal(a.begin(), a.end(), b.begin(), SameColour);
}

// The artwork as the game should see it: palette and top-down indices.
struct Artwork {
    Palette palette{};
    std::vector<std::uint8_t> pixels; // 640 x 1440, top row first

    Artwork() {
        const unsigned char* dib = ArtworkDibData();
        for (int i = 0; i < 256; ++i) {
            palette[i] = {dib[40 + 4 * i + 2], dib[40 + 4 * i + 1], dib[40 + 4 * i]};
        }
        pixels.resize(640 * 1440);
        for (int row = 0; row < 1440; ++row) {
            std::memcpy(&pixels[row * 640], dib + 1064 + (1439 - row) * 640, 640);
        }
    }
    std::uint8_t At(int x, int y) const { return pixels[y * 640 + x]; }
};

// One frame as the player saw it, with the game's state at that moment.
struct Shot {
    std::uint32_t ms = 0;
    std::vector<std::uint8_t> indices;
    Palette palette{};
    DWORD scene = 0;
    std::uint32_t planets = 0;
    std::uint32_t steered = 0;
    float newestSpeed = 0;
    float newestMass = 0;

    std::uint8_t At(int x, int y) const { return indices[y * 640 + x]; }
};

// Records the last present of every clock reading (a frame) from `fromMs`.
class Recorder {
public:
    explicit Recorder(GameRun& run, std::uint32_t fromMs = 0, std::uint32_t toMs = 1u << 31) {
        run.OnFrame([this, fromMs, toMs](const FrameView& view) {
            if (view.timeMs < fromMs || view.timeMs > toMs) {
                return;
            }
            Shot& shot = byTime[view.timeMs];
            shot.ms = view.timeMs;
            shot.indices.resize(640 * 480);
            for (int y = 0; y < 480; ++y) {
                std::memcpy(&shot.indices[y * 640], view.indices + y * view.pitch, 640);
            }
            std::copy(view.palette, view.palette + 256, shot.palette.begin());
            shot.scene = gameApp.scene;
            if (PlanetTable != nullptr) {
                shot.planets = PlanetTable[0].count;
                shot.steered = PlanetTable[0].steeredIndex;
                shot.newestSpeed = PlanetTable[shot.planets - 1].speed;
                shot.newestMass = PlanetTable[shot.planets - 1].mass;
            }
        });
    }
    std::vector<Shot> Frames() const {
        std::vector<Shot> out;
        for (const auto& [ms, shot] : byTime) {
            out.push_back(shot);
        }
        return out;
    }

private:
    std::map<std::uint32_t, Shot> byTime;
};

// Pixels of a frame that show the given colour, in a rectangle.
int CountColour(const Shot& shot, int left, int top, int right, int bottom,
                platform::PaletteColour colour) {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            n += SameColour(shot.palette[shot.At(x, y)], colour) ? 1 : 0;
        }
    }
    return n;
}

// Width of the opaque white box behind the frame-rate text at (50, 20).
int FrameRateBoxWidth(const Shot& shot) {
    int x = 50;
    while (x < 640 && SameColour(shot.palette[shot.At(x, 21)], {255, 255, 255})) {
        ++x;
    }
    return x - 50;
}

// The frame that saw the start input: the first one recorded in play.
std::vector<Shot>::const_iterator FirstPlayFrame(const std::vector<Shot>& frames) {
    return std::find_if(frames.begin(), frames.end(),
                        [](const Shot& s) { return s.scene == SCENE_PLAY; });
}

constexpr platform::PaletteColour PROMPT_BLUE{0, 80, 200};
constexpr platform::PaletteColour TITLE_BLUE{64, 160, 250};

bool PromptsShown(const Shot& shot) {
    return CountColour(shot, 200, 340, 440, 420, PROMPT_BLUE) > 50;
}

TEST(TitleScreen, DrawsFrameRateTitleAndBlinkingPromptsToTheTune) {
    GameRun run;
    Recorder recorder(run);
    run.Press(4000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    const auto frames = recorder.Frames();
    // Start-up shows "Now Loading..." before the first frame; from the first
    // frame on every frame carries the frame-rate box.
    std::size_t first = 0;
    while (first < frames.size() && FrameRateBoxWidth(frames[first]) == 0) {
        ++first;
    }
    ASSERT_LT(first + 200, frames.size());
    const Artwork art;
    const Shot& opening = frames[first];
    EXPECT_TRUE(SamePalette(opening.palette, art.palette));
    // The background of the artwork everywhere the title leaves it alone.
    EXPECT_EQ(opening.At(600, 470), art.At(600, 480 + 470));
    EXPECT_EQ(opening.At(10, 300), art.At(10, 480 + 300));
    EXPECT_GT(CountColour(opening, 120, 100, 520, 200, TITLE_BLUE), 500) << "the title";

    // "0FPS" during the first second, "60FPS" after it: a wider box.
    const int zeroWidth = FrameRateBoxWidth(opening);
    const Shot& later = frames[first + 100];
    EXPECT_GT(FrameRateBoxWidth(later), zeroWidth);
    EXPECT_LT(later.ms - opening.ms, 2000u);

    // Prompts hidden in title frames 0 to 30 and 150 to 180, shown otherwise.
    for (std::size_t n = 0; n < 200; ++n) {
        const bool hidden = n % 150 <= 30;
        ASSERT_EQ(PromptsShown(frames[first + n]), !hidden) << "title frame " << n;
    }

    // A second into the run the tune is playing.
    const auto audio = run.Backend().CapturedAudio();
    ASSERT_GT(audio.size(), 44100u * 4);
    long long energy = 0;
    for (std::size_t i = 44100 * 2; i < 44100 * 4; ++i) {
        energy += std::abs(static_cast<int>(audio[i]));
    }
    EXPECT_GT(energy / (44100 * 2), 100);
}

class StartKey : public ::testing::TestWithParam<int> {};

TEST_P(StartKey, StartsPlayWithTheFadeAndTheTuneRestarted) {
    GameRun run;
    Recorder recorder(run);
    run.Press(2000, GetParam(), 150);
    run.Press(6000, VK_F12);
    ASSERT_EQ(run.Run(), 0);
    const auto frames = recorder.Frames();
    auto firstPlay = FirstPlayFrame(frames);
    ASSERT_NE(firstPlay, frames.end());
    // The frame that saw the input still shows the title.
    const Shot& seen = *firstPlay;
    EXPECT_GE(seen.ms, 2000u);
    EXPECT_GT(CountColour(seen, 120, 100, 520, 200, TITLE_BLUE), 500);
    const Shot& next = *(firstPlay + 1);
    EXPECT_EQ(CountColour(next, 120, 100, 520, 200, TITLE_BLUE), 0) << "no title in play";
    // Z and the left button, still held, launch the first planet at once.
    const bool launches = GetParam() == 'Z' || GetParam() == VK_LBUTTON;
    EXPECT_EQ(next.planets, launches ? 2u : 1u);

    // Sun frame 0 from (42, 960, 33 x 30) drawn into (304, 225)-(336, 255);
    // its centre row is copied unscaled vertically. The marker (75, 975)
    // 23 x 23 goes over it into (309, 229)-(331, 251).
    const Artwork art;
    int sunPixels = 0;
    for (int y = 225; y < 255; ++y) {
        for (int x = 304; x < 336; ++x) {
            sunPixels += next.At(x, y) != art.At(x, 480 + y) ? 1 : 0;
        }
    }
    EXPECT_GT(sunPixels, 500);
    for (int x = 290; x < 350; ++x) {
        ASSERT_EQ(next.At(x, 222), art.At(x, 480 + 222)) << "nothing above the sun " << x;
        ASSERT_EQ(next.At(x, 257), art.At(x, 480 + 257)) << "nothing below the sun " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(ZEnterSpaceLeftButton, StartKey,
                         ::testing::Values('Z', VK_RETURN, VK_SPACE, VK_LBUTTON));

// The start-of-play transition: 32 steps to black, one frame that finds
// nothing left, 32 steps from white to the artwork's colours and one more.
// Both phases take exactly that long only because the artwork's fading
// entries hold a channel of 249 or more and one of 6 or less: this checks the
// artwork too.
TEST(StartOfPlay, PaletteFadesToBlackThenFromWhiteOverSixtySixFrames) {
    GameRun run;
    Recorder recorder(run, 1900);
    run.Press(2000, VK_SPACE, 50);
    run.Press(4500, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    const auto frames = recorder.Frames();
    auto start = FirstPlayFrame(frames);
    ASSERT_NE(start, frames.end());
    const std::size_t s = static_cast<std::size_t>(start - frames.begin());
    ASSERT_LT(s + 70, frames.size());
    const Artwork art;
    auto channelOf = [&](std::size_t f, int entry) { return frames[f].palette[entry]; };

    // Fade frames are s + 1 .. s + 66. A channel of 255 needs 32 steps of 8.
    for (int k = 1; k <= 32; ++k) {
        for (int entry = 10; entry < 246; ++entry) {
            const auto want = art.palette[entry];
            const auto got = channelOf(s + k, entry);
            ASSERT_EQ(got.red, std::max(0, want.red - 8 * k)) << k << " " << entry;
            ASSERT_EQ(got.blue, std::max(0, want.blue - 8 * k)) << k << " " << entry;
        }
    }
    EXPECT_TRUE(SamePalette(frames[s + 32].palette, frames[s + 33].palette)) << "black holds";
    EXPECT_EQ(channelOf(s + 34, 100).red, std::max<int>(art.palette[100].red, 247));
    EXPECT_TRUE(SamePalette(frames[s + 65].palette, art.palette)) << "back to the artwork";
    EXPECT_FALSE(SamePalette(frames[s + 64].palette, art.palette));
    // The static colours never fade.
    for (std::size_t f = s; f < s + 66; ++f) {
        ASSERT_TRUE(SameColour(frames[f].palette[246], {255, 251, 240}));
        ASSERT_TRUE(SameColour(frames[f].palette[0], {0, 0, 0}));
    }
}

TEST(StartOfPlay, LostSurfacesMidFadeComeBackWithArtworkAndPalette) {
    GameRun run;
    bool lost = false;
    run.Press(2000, 'Z', 50);
    run.Press(5000, VK_ESCAPE);
    std::uint32_t lostAt = 0;
    run.OnFrame([&](const FrameView& view) {
        if (!lost && gameApp.scene == SCENE_PLAY && gameApp.fadePhase != 0) {
            lost = true;
            lostAt = view.timeMs;
            platform::LoseAllSurfaces();
        }
    });
    ASSERT_EQ(run.Run(), 0);
    ASSERT_TRUE(lost);
    EXPECT_EQ(gameApp.fadePending, 0u);
    // The run went on and the fade ended on the artwork's colours.
    const Artwork art;
    EXPECT_TRUE(run.MessageBoxes().empty()) << "no restore failure";
    const auto frames = run.Backend().Frames();
    ASSERT_FALSE(frames.empty());
    const auto& last = frames.back();
    EXPECT_GT(last.timeMs, lostAt);
    for (int i = 0; i < 256; ++i) {
        ASSERT_TRUE(SameColour(last.palette[i], art.palette[i])) << i;
    }
    EXPECT_EQ(last.At(600, 470), art.At(600, 950)) << "the background is back";
}

TEST(Play, HudShowsTheTableValues) {
    GameRun run;
    Recorder recorder(run, 1900);
    run.Press(2000, 'Z', 50);
    run.Press(2600, 'Z', 50);
    run.Press(3200, 'Z', 50);
    run.Press(4000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    const auto frames = recorder.Frames();
    const Shot& last = frames.back();
    ASSERT_EQ(last.planets, 4u);
    ASSERT_EQ(last.steered, 3u);
    const Artwork art;
    // A digit d drawn at (x, y) shows the glyph at (76 + 10 d, 960), 10 x 14,
    // wherever the glyph is not transparent.
    auto showsDigit = [&](int d, int x, int y) {
        for (int gy = 0; gy < 14; ++gy) {
            for (int gx = 0; gx < 10; ++gx) {
                const std::uint8_t glyph = art.At(76 + 10 * d + gx, 960 + gy);
                if (glyph != 255 && last.At(x + gx, y + gy) != glyph) {
                    return false;
                }
            }
        }
        return true;
    };
    EXPECT_TRUE(showsDigit(4, 500, 105)) << "PLANETS 4";
    EXPECT_TRUE(showsDigit(3, 500, 245)) << "steered record 3";
    EXPECT_TRUE(showsDigit(static_cast<int>(last.newestSpeed), 500, 165)) << "VELOCITY";
    EXPECT_TRUE(showsDigit(static_cast<int>(last.newestMass), 500, 205)) << "MASS";
    EXPECT_FALSE(showsDigit(7, 500, 105));
}

TEST(Pacing, EverySecondOfTitleAndPlayHoldsExactlySixtyFrames) {
    GameRun run;
    std::vector<std::uint32_t> frameTimes;
    run.OnFrame([&](const FrameView& view) {
        if (frameTimes.empty() || frameTimes.back() != view.timeMs) {
            frameTimes.push_back(view.timeMs);
        }
    });
    run.Press(2500, 'Z', 50);     // into play, through the palette fade
    run.Press(4000, 'Z', 1500);   // a launch
    run.Press(4200, VK_UP, 1000); // steering
    run.Press(8000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    std::size_t checked = 0;
    for (std::size_t i = 0; i + 60 < frameTimes.size(); ++i) {
        if (frameTimes[i] < 1000 || frameTimes[i + 60] > 7900) {
            continue; // the loading notice, and the teardown
        }
        ASSERT_EQ(frameTimes[i + 60] - frameTimes[i], 1000u)
            << "from the frame at " << frameTimes[i] << " ms";
        const std::uint32_t interval = frameTimes[i + 1] - frameTimes[i];
        ASSERT_TRUE(interval == 16 || interval == 17) << interval << " ms at " << frameTimes[i];
        ++checked;
    }
    EXPECT_GT(checked, 300u);
}

TEST(Activation, DeactivationFreezesFramesAndReactivationResumes) {
    GameRun run;
    Recorder recorder(run);
    run.Event(3000, platform::BackendEvent::Kind::Deactivate);
    run.Event(8000, platform::BackendEvent::Kind::Activate);
    run.Press(9000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    const auto frames = recorder.Frames();
    const auto during = std::count_if(frames.begin(), frames.end(),
                                      [](const Shot& s) { return s.ms > 3001 && s.ms < 8000; });
    const auto after =
        std::count_if(frames.begin(), frames.end(), [](const Shot& s) { return s.ms > 8000; });
    EXPECT_EQ(during, 0);
    EXPECT_GT(after, 50);
}

class QuitKey : public ::testing::TestWithParam<int> {};

TEST_P(QuitKey, ClosesWithExitZeroAfterTheTeardown) {
    GameRun run;
    run.Press(1500, 'Z', 50);
    run.Press(2500, GetParam());
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(PlanetTable, nullptr);
    EXPECT_EQ(gameApp.device, nullptr);
    EXPECT_EQ(gameApp.performance, nullptr);
    EXPECT_EQ(gameApp.notificationEvent, nullptr);
    EXPECT_TRUE(run.MessageBoxes().empty());
    EXPECT_FALSE(run.Backend().CursorVisible()) << "hidden since the loading notice";
}

INSTANTIATE_TEST_SUITE_P(EscapeAndF12, QuitKey, ::testing::Values(VK_ESCAPE, VK_F12));

TEST(ShotSound, XTogglesTheLoopOncePerPressAndTheRightButtonSharesTheLatch) {
    GameRun run;
    std::vector<std::pair<std::uint32_t, bool>> looping;
    run.OnFrame([&](const FrameView& view) {
        looping.emplace_back(view.timeMs, platform::StateOf(gameApp.slots[SHOT_SLOT]).looping);
    });
    run.Press(1000, 'X', 500);        // on, held for a while: one toggle
    run.Press(1200, VK_RBUTTON, 100); // while X is held: nothing
    run.Press(2000, VK_RBUTTON, 50);  // off
    run.Press(3000, 'X', 50);         // on again
    run.Press(4000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    auto loopsAt = [&](std::uint32_t ms) {
        bool on = false;
        for (const auto& [t, value] : looping) {
            if (t <= ms) {
                on = value;
            }
        }
        return on;
    };
    EXPECT_FALSE(loopsAt(900));
    EXPECT_TRUE(loopsAt(1400));
    EXPECT_TRUE(loopsAt(1900));
    EXPECT_FALSE(loopsAt(2500));
    EXPECT_TRUE(loopsAt(3500));
}

} // namespace
