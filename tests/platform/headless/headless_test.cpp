// The headless backend and the scenario runner, driving a game-shaped
// program on the virtual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "../png_readback.h"
#include "paced_program.h"
#include "platform/faults.h"
#include "platform/headless.h"
#include "platform/headless_runner.h"
#include "platform/lifetimes.h"
#include "winapi.h"

namespace {

platform::Scenario Parse(const std::string& text) {
    platform::Scenario scenario;
    std::string error;
    EXPECT_TRUE(platform::ParseScenario(text, scenario, error)) << error;
    return scenario;
}

std::string TempFolder() {
    char pattern[] = "/tmp/quorvane-headless-XXXXXX";
    return mkdtemp(pattern) ? pattern : "/tmp";
}

std::string FirstProblem(const platform::RunReport& report) {
    return report.problems.empty() ? "" : report.problems[0];
}

// Each run starts the paced program as a fresh process would.
class HeadlessRunner : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetProcessState();
        paced::Reset();
    }
};

TEST_F(HeadlessRunner, InactiveProgramsSleepUntilTheNextEventAndKeysArriveAtTheirTime) {
    std::vector<platform::CapturedFrame> frames;
    const auto report = platform::RunScenario(
        Parse("keep frames 500\nat 500 deactivate\nat 4500 activate\nat 4700 press ESCAPE\n"
              "stop ms 9000\nexpect exit 0\n"),
        paced::Program, "", [&](platform::HeadlessBackend& backend) { frames = backend.Frames(); });
    EXPECT_TRUE(report.Passed()) << FirstProblem(report);
    EXPECT_EQ(report.endMs, 4700u) << "Escape ended the program";
    EXPECT_EQ(paced::counters.keyDowns, 1u);
    std::uint32_t firstAfter = 0;
    for (const auto& frame : frames) {
        EXPECT_FALSE(frame.timeMs > 500 && frame.timeMs < 4500) << frame.timeMs;
        if (frame.timeMs >= 4500 && firstAfter == 0) {
            firstAfter = frame.timeMs;
        }
    }
    // The empty PeekMessageA after the wake-up yields one millisecond; then a
    // new one-second window starts with a frame at once.
    EXPECT_EQ(firstAfter, 4501u);
    EXPECT_EQ(paced::counters.activateApps, 2u);
    EXPECT_EQ(paced::counters.deactivateApps, 2u) << "once by the script, once on the way out";
}

TEST_F(HeadlessRunner, FramesAreCapturedAsPalettisedPngs) {
    const std::string folder = TempFolder();
    const auto report = platform::RunScenario(
        Parse("capture frame 3 third.png\ncapture ms 1001 second.png\nstop frame 90\n"),
        paced::Program, folder);
    ASSERT_TRUE(report.Passed()) << FirstProblem(report);
    EXPECT_EQ(report.frames, 90u);
    ASSERT_EQ(report.captures.size(), 2u);

    const PngPicture third = ReadPng(folder + "/third.png");
    EXPECT_EQ(third.width, 640u);
    EXPECT_EQ(third.height, 480u);
    EXPECT_TRUE(third.colourMapped);
    // Pixel (0, 0) holds index 3: colour (3, 252, 7); the bottom right 200.
    EXPECT_EQ(third.Colour(0, 0), (std::array<int, 3>{3, 252, 7}));
    EXPECT_EQ(third.Colour(639, 479), (std::array<int, 3>{200, 55, 7}));
    // Frames come at 1, 18, 35, 51 ms and so on, three every 50 ms: the
    // screen at 1001 ms shows the 61st, presented exactly then.
    EXPECT_EQ(ReadPng(folder + "/second.png").Colour(0, 0)[0], 61);
    std::filesystem::remove_all(folder);
}

TEST_F(HeadlessRunner, FaultsDriveFailurePathsAndUnmetExpectationsAreReported) {
    const auto failing = platform::RunScenario(
        Parse(
            "fault CreateWindowExA 0x5 1\nexpect exit 4\nexpect messagebox \"0\" \"ウィンドウ\"\n"),
        paced::Program, "");
    EXPECT_TRUE(failing.Passed()) << FirstProblem(failing);
    EXPECT_EQ(failing.frames, 0u);
    EXPECT_FALSE(platform::TakeFault("CreateWindowExA")) << "faults end with the run";

    platform::ResetProcessState();
    paced::Reset();
    const auto report =
        platform::RunScenario(Parse("capture frame 500 late.png\nstop frame 10\nexpect exit 1\n"
                                    "expect messagebox \"x\" \"y\"\n"),
                              paced::Program, TempFolder());
    EXPECT_FALSE(report.Passed());
    EXPECT_EQ(report.problems.size(), 3u);
}

TEST(HeadlessBackend, AProgramThatNeverEndsHitsTheTimeLimitOnce) {
    platform::HeadlessBackend backend;
    platform::InstallBackend(&backend);
    const auto stop = [](const std::string& why) { throw std::runtime_error(why); };
    backend.SetTimeLimit(250, stop);
    MSG msg;
    EXPECT_THROW(
        {
            for (;;) {
                PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            }
        },
        std::runtime_error);
    EXPECT_EQ(timeGetTime(), 250u);
    Sleep(100); // the limit is used up once reported: the program may go on
    EXPECT_EQ(timeGetTime(), 350u);
    // Waiting for a message that never comes ends at the limit too.
    backend.SetTimeLimit(5000, stop);
    EXPECT_THROW(WaitMessage(), std::runtime_error);
    EXPECT_EQ(timeGetTime(), 5000u);
    platform::InstallBackend(nullptr);
}

class Ramp final : public platform::AudioSource {
public:
    void Mix(std::int16_t* out, std::uint32_t frames) override {
        for (std::uint32_t i = 0; i < frames; ++i) {
            out[2 * i] = static_cast<std::int16_t>(next);
            out[2 * i + 1] = static_cast<std::int16_t>(-next);
            ++next;
        }
    }
    int next = 0;
};

TEST(HeadlessBackend, SoundIsPulledAsTheVirtualClockMoves) {
    platform::HeadlessBackend backend;
    platform::InstallBackend(&backend);
    Ramp ramp;
    Sleep(100); // before the output opens nothing is pulled
    ASSERT_TRUE(backend.OpenAudio(44100, 2, &ramp));
    Sleep(250);
    EXPECT_EQ(backend.CapturedAudio().size(), 44100u / 4 * 2);
    Sleep(750);
    const auto audio = backend.CapturedAudio();
    ASSERT_EQ(audio.size(), 44100u * 2);
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(audio[2 * i], static_cast<std::int16_t>(i)) << "no gaps, no repeats";
    }
    backend.CloseAudio();
    Sleep(100);
    EXPECT_EQ(backend.CapturedAudio().size(), 44100u * 2) << "nothing after closing";
    platform::InstallBackend(nullptr);
}

TEST(HeadlessBackend, StateChangesAtTheScriptedTimeEvenWithoutPumping) {
    platform::HeadlessBackend backend;
    platform::InstallBackend(&backend);
    backend.ScheduleKey(30, VK_LEFT, true);
    backend.ScheduleKey(40, VK_LEFT, false);
    Sleep(29);
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
    Sleep(1);
    EXPECT_LT(GetAsyncKeyState(VK_LEFT), 0) << "held: bit 15 makes the SHORT negative";
    Sleep(100); // down and up both passed while nobody looked
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT), 0);
    platform::BackendEvent event;
    ASSERT_TRUE(backend.PollEvent(event));
    EXPECT_EQ(event.kind, platform::BackendEvent::Kind::KeyDown);
    ASSERT_TRUE(backend.PollEvent(event));
    EXPECT_EQ(event.kind, platform::BackendEvent::Kind::KeyUp);
    platform::InstallBackend(nullptr);
}

TEST(ScenarioFiles, ResultsReadAsHresultsAndPressesAsDownAndUp) {
    const auto scenario = Parse("# start-up failure\n"
                                "fault IDirectDraw::SetDisplayMode 0x887601C2\n"
                                "fault IDirectMusic::EnumPort -2147467259 2\n"
                                "at 100 press z 30   # down, and up 30 ms later\r\n");
    ASSERT_EQ(scenario.faults.size(), 2u);
    EXPECT_EQ(scenario.faults[0].result, static_cast<std::int32_t>(0x887601C2));
    EXPECT_EQ(scenario.faults[0].times, -1);
    EXPECT_EQ(scenario.faults[1].result, E_FAIL);
    EXPECT_EQ(scenario.faults[1].times, 2);
    ASSERT_EQ(scenario.inputs.size(), 2u);
    EXPECT_EQ(scenario.inputs[0].event.virtualKey, 'Z');
    EXPECT_EQ(scenario.inputs[1].atMs, 130u);
    EXPECT_EQ(scenario.inputs[1].event.kind, platform::BackendEvent::Kind::KeyUp);
}

TEST(ScenarioFiles, MistakesAreReportedWithTheirLine) {
    const char* bad[] = {"at 10 keydown NOSUCHKEY", "at x keydown Z", "capture frame 0 a.png",
                         "fault X", "expect messagebox \"open"};
    for (const char* text : bad) {
        platform::Scenario scenario;
        std::string error;
        EXPECT_FALSE(platform::ParseScenario(std::string("# ok\n") + text, scenario, error))
            << text;
        EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    }
}

} // namespace
