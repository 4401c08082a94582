// Every start-up failure, driven by fault injection or by the folder the game
// starts from: the exact message boxes in their order, all captioned with the
// window handle, and a clean exit 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/game_app.h"
#include "game_harness.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"

namespace {

struct StartupFault {
    const char* operation;
    std::int64_t result;
    std::vector<std::string> boxes; // UTF-8, in order
};

constexpr std::int64_t FAIL = static_cast<std::int32_t>(0x80004005);
constexpr std::int64_t DD_FAIL = static_cast<std::int32_t>(0x88760064); // DDERR_GENERIC-like

// The second message of each group of failures.
const char* const DRAW = "DirectDrawの初期化に失敗しました";
const char* const MUSIC = "DirectMusicの初期化に失敗しました";
const char* const PORT = "CreateAndAddPortが失敗";

const StartupFault FAULTS[] = {
    {"DirectDrawCreate", DD_FAIL, {"DirectDrawCreateに失敗", DRAW}},
    {"IDirectDraw::SetCooperativeLevel", DD_FAIL, {"SetCooperativeLevelに失敗", DRAW}},
    {"IDirectDraw::SetDisplayMode", DD_FAIL, {"SetDisplayModeに失敗", DRAW}},
    {"IDirectDraw::CreateSurface", DD_FAIL, {"CreateSurfaceに失敗", DRAW}},
    {"IDirectDrawSurface::GetAttachedSurface", DD_FAIL, {"GetAttachedSurfaceに失敗", DRAW}},
    {"LoadImageA", 0, {"Zeb_LoadBitmapに失敗", DRAW}},
    {"DirectSoundCreate", FAIL, {"DirectSoundの初期化に失敗しました"}},
    {"IDirectSoundBuffer::SetFormat", FAIL, {"DirectSoundの初期化に失敗しました"}},
    {"CoInitialize", FAIL, {"CoInitializeが失敗しました", MUSIC}},
    {"CoCreateInstance", FAIL, {"performance objectが作れません", MUSIC}},
    {"IDirectMusicPerformance::Init", FAIL, {"Performanceの初期化に失敗しました", MUSIC}},
    {"CreateEventA", 8, {"CreateEventが失敗しました", MUSIC}},
    {"CreateThread", 8, {"CreateThreadが失敗しました", MUSIC}},
    {"IDirectMusicPerformance::SetNotificationHandle",
     FAIL,
     {"performanceのset notification handleが失敗しました", MUSIC}},
    {"IDirectMusicPerformance::AddNotificationType",
     FAIL,
     {"performanceにnotificationsが追加できません", MUSIC}},
    {"GetCurrentDirectoryA", 5, {"カレントディレクトリを読み込み失敗", MUSIC}},
    {"IDirectMusicLoader::SetSearchDirectory", FAIL, {"検索パスの設定失敗", MUSIC}},
    // Port set-up failures do not fail the start: they show their messages
    // and close the window, so the program still ends through its teardown.
    // A failing enumeration that leaves its record unfilled ends the list
    // quietly; with no output port found, no port can be made.
    {"IDirectMusic::EnumPort", FAIL, {"DirectMusic portが作れません", PORT}},
    {"IDirectMusic::CreatePort", FAIL, {"DirectMusic portが作れません", PORT}},
    {"IDirectMusicPort::Activate", FAIL, {"portがアクティブです", PORT}},
    {"IDirectMusicPerformance::AddPort", FAIL, {"performanceにportを追加できません", PORT}},
    {"IDirectMusicPerformance::AssignPChannelBlock",
     FAIL,
     {"performanceにDirectMusic portを追加できません", PORT}},
    {"LocalAlloc", 8, {"port caps構造体を確保するメモリが足りません"}},
};

void PrintTo(const StartupFault& fault, std::ostream* out) {
    *out << fault.operation;
}

// The exact message boxes, captioned with the window handle, and whatever
// had been set up released again. Nothing of the game ran: no planet table
// was ever made.
void ExpectFailedStart(const GameRun& run, const std::vector<std::string>& expected) {
    const auto boxes = run.MessageBoxes();
    ASSERT_EQ(boxes.size(), expected.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].text, expected[i]) << "box " << i;
        EXPECT_EQ(boxes[i].caption, WindowCaption()) << "box " << i;
    }
    EXPECT_EQ(PlanetTable, nullptr);
    EXPECT_EQ(gameApp.device, nullptr);
    EXPECT_EQ(gameApp.performance, nullptr);
    EXPECT_EQ(gameApp.loader, nullptr);
    EXPECT_EQ(gameApp.notificationEvent, nullptr);
    EXPECT_EQ(platform::LiveObjects(), 0);
    const auto log = platform::ReleaseLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "ReleaseMutex") << "the guard is released last";
}

class StartupFailure : public ::testing::TestWithParam<StartupFault> {};

TEST_P(StartupFailure, ShowsItsMessagesInOrderAndExitsWithZero) {
    const StartupFault& fault = GetParam();
    GameRun run;
    platform::InjectFault(fault.operation, fault.result);
    run.CloseAfterFrame(50); // in case the program did start after all
    EXPECT_EQ(run.Run(), 0);
    platform::ClearFaults();
    ExpectFailedStart(run, fault.boxes);
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, StartupFailure, ::testing::ValuesIn(FAULTS),
                         [](const auto& info) {
                             // IDirectDraw::SetDisplayMode as IDirectDraw_SetDisplayMode
                             std::string name = info.param.operation;
                             if (const auto colons = name.find("::"); colons != name.npos) {
                                 name.replace(colons, 2, "_");
                             }
                             return name;
                         });

// The game started from a folder whose path is longer than the 260 bytes
// the music loader reads it into; Linux allows such paths. The folder is
// left again, and removed, whatever the test finds.
class DeepFolder {
public:
    DeepFolder() : home(std::filesystem::current_path()) {
        root =
            std::filesystem::temp_directory_path() / ("quorvane-deep-" + std::to_string(getpid()));
        std::filesystem::path deep = root;
        for (int level = 0; level < 3; ++level) {
            deep /= std::string(100, 'd');
        }
        std::filesystem::create_directories(deep);
        std::filesystem::current_path(deep);
    }
    ~DeepFolder() {
        std::filesystem::current_path(home);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

private:
    std::filesystem::path home;
    std::filesystem::path root;
};

TEST(LongCurrentFolder, StopsTheMusicStartWithoutReadingThePath) {
    GameRun run;
    run.CloseAfterFrame(50);
    {
        DeepFolder deep;
        EXPECT_EQ(run.Run(), 0);
    }
    ExpectFailedStart(run, {"カレントディレクトリを読み込み失敗", MUSIC});
}

// Where the last release of a family of entries stands in the log, and where
// the first does; -1 when there is none.
struct Span {
    int first = -1;
    int last = -1;
};

Span SpanOf(const std::vector<std::string>& log, const std::string& prefix) {
    Span span;
    for (int i = 0; i < static_cast<int>(log.size()); ++i) {
        if (log[i].rfind(prefix, 0) == 0) {
            span.first = span.first < 0 ? i : span.first;
            span.last = i;
        }
    }
    return span;
}

TEST(Shutdown, ReleasesGraphicsMusicSoundPortsThenTheGuard) {
    GameRun run;
    std::size_t beforeClose = 0;
    run.OnFrame([&](const FrameView&) { beforeClose = platform::ReleaseLog().size(); });
    run.Press(1000, 'Z');
    run.Press(2000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(PlanetTable, nullptr);
    EXPECT_EQ(platform::LiveObjects(), 0);
    const auto all = platform::ReleaseLog();
    const std::vector<std::string> log(all.begin() + static_cast<long>(beforeClose), all.end());
    const Span draw = SpanOf(log, "IDirectDraw");
    const Span music = SpanOf(log, "IDirectMusic");
    const Span sound = SpanOf(log, "IDirectSound");
    const Span ports = SpanOf(log, "LocalFree");
    ASSERT_GE(draw.first, 0);
    ASSERT_GE(music.first, 0);
    ASSERT_GE(sound.first, 0);
    ASSERT_GE(ports.first, 0);
    EXPECT_LT(draw.last, music.first);
    EXPECT_LT(music.last, sound.first);
    EXPECT_LT(sound.last, ports.first);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "ReleaseMutex");
}

TEST(SingleInstance, ASecondStartExitsAtOnceShowingNothing) {
    // Another instance holds the guard.
    HANDLE other = CreateMutexA(nullptr, FALSE, "DirectX Skeleton Class");
    ASSERT_NE(other, nullptr);
    GameRun run;
    EXPECT_EQ(run.Run(), 0);
    EXPECT_TRUE(run.MessageBoxes().empty());
    EXPECT_EQ(run.Backend().FramesPresented(), 0u);
    EXPECT_EQ(gameApp.window, nullptr);
    CloseHandle(other);
}

} // namespace
