// Every start-up failure, driven by fault injection or by the folder the game
// starts from: the exact message boxes in their order, all captioned with the
// window handle, and a clean exit 0.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "app/game_app.h"
#include "game_harness.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"

namespace {

struct StartupFault {
    const char* operation;
    std::int64_t result;
    std::vector<std::string> boxes; // UTF-8, in order
    const char* released;           // as ReleaseOrder gives it
};

constexpr std::int64_t FAIL = static_cast<std::int32_t>(0x80004005);
constexpr std::int64_t DD_FAIL = static_cast<std::int32_t>(0x88760064); // DDERR_GENERIC-like

// The second message of each group of failures.
const char* const DRAW = "DirectDrawの初期化に失敗しました";
const char* const SOUND = "DirectSoundの初期化に失敗しました";
const char* const MUSIC = "DirectMusicの初期化に失敗しました";
const char* const PORT = "CreateAndAddPortが失敗";

const StartupFault FAULTS[] = {
    {"RegisterClassExA", 0, {}, "X"},
    {"CreateWindowExA", 0, {}, "X"},
    {"DirectDrawCreate", DD_FAIL, {"DirectDrawCreateに失敗", DRAW}, "X"},
    {"IDirectDraw::SetCooperativeLevel", DD_FAIL, {"SetCooperativeLevelに失敗", DRAW}, "GX"},
    {"IDirectDraw::SetDisplayMode", DD_FAIL, {"SetDisplayModeに失敗", DRAW}, "GX"},
    {"IDirectDraw::CreateSurface", DD_FAIL, {"CreateSurfaceに失敗", DRAW}, "GX"},
    {"IDirectDrawSurface::GetAttachedSurface", DD_FAIL, {"GetAttachedSurfaceに失敗", DRAW}, "GX"},
    {"LoadImageA", 0, {"Zeb_LoadBitmapに失敗", DRAW}, "GX"},
    {"DirectSoundCreate", FAIL, {SOUND}, "GX"},
    {"IDirectSoundBuffer::SetFormat", FAIL, {SOUND}, "GSX"},
    {"CoInitialize", FAIL, {"CoInitializeが失敗しました", MUSIC}, "GSMX"},
    {"CoCreateInstance", FAIL, {"performance objectが作れません", MUSIC}, "GSMX"},
    {"IDirectMusicPerformance::Init", FAIL, {"Performanceの初期化に失敗しました", MUSIC}, "GSMX"},
    {"CreateEventA", 8, {"CreateEventが失敗しました", MUSIC}, "GSMX"},
    {"CreateThread", 8, {"CreateThreadが失敗しました", MUSIC}, "GSMX"},
    {"IDirectMusicPerformance::SetNotificationHandle",
     FAIL,
     {"performanceのset notification handleが失敗しました", MUSIC},
     "GSMX"},
    {"IDirectMusicPerformance::AddNotificationType",
     FAIL,
     {"performanceにnotificationsが追加できません", MUSIC},
     "GSMX"},
    {"GetCurrentDirectoryA", 5, {"カレントディレクトリを読み込み失敗", MUSIC}, "GSMX"},
    {"IDirectMusicLoader::SetSearchDirectory", FAIL, {"検索パスの設定失敗", MUSIC}, "GSMX"},
    // Port set-up failures do not fail the start: they show their messages
    // and close the window, so the program still ends through its teardown
    // (graphics, music, sound, port records, guard). A failing enumeration
    // that leaves its record unfilled frees it at once and ends the list
    // quietly; with no output port found, no port can be made.
    {"IDirectMusic::EnumPort", FAIL, {"DirectMusic portが作れません", PORT}, "PGMSX"},
    {"IDirectMusic::CreatePort", FAIL, {"DirectMusic portが作れません", PORT}, "GMSPX"},
    {"IDirectMusicPort::Activate", FAIL, {"portがアクティブです", PORT}, "GMSPX"},
    {"IDirectMusicPerformance::AddPort",
     FAIL,
     {"performanceにportを追加できません", PORT},
     "GMSPX"},
    {"IDirectMusicPerformance::AssignPChannelBlock",
     FAIL,
     {"performanceにDirectMusic portを追加できません", PORT},
     "GMSPX"},
    {"LocalAlloc", 8, {"port caps構造体を確保するメモリが足りません"}, "GMSX"},
};

void PrintTo(const StartupFault& fault, std::ostream* out) {
    *out << fault.operation;
}

// The kinds of things let go, in the order of each kind's last release:
// G graphics, S sound, M music (its objects, its event and thread, COM),
// P the port records, X the single-instance guard.
std::string ReleaseOrder(const std::vector<std::string>& log) {
    std::string order;
    for (auto entry = log.rbegin(); entry != log.rend(); ++entry) {
        const auto is = [&](const char* prefix) { return entry->rfind(prefix, 0) == 0; };
        const char kind = is("IDirectDraw")    ? 'G'
                          : is("IDirectSound") ? 'S'
                          : is("LocalFree")    ? 'P'
                          : is("ReleaseMutex") ? 'X'
                                               : 'M';
        if (order.find(kind) == std::string::npos) {
            order.insert(order.begin(), kind);
        }
    }
    return order;
}

// The exact message boxes, each an OK box owned by the window and captioned
// with its handle, and whatever had been set up released again, the guard
// last. Nothing of the game ran: no planet table was ever made.
void ExpectFailedStart(GameRun& run, const std::vector<std::string>& expected,
                       const char* released) {
    const auto boxes = run.backend.MessageBoxes();
    ASSERT_EQ(boxes.size(), expected.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].text, expected[i]) << "box " << i;
        EXPECT_EQ(boxes[i].caption, WindowCaption()) << "box " << i;
        EXPECT_EQ(boxes[i].type, static_cast<unsigned>(MB_OK)) << "box " << i;
        EXPECT_EQ(boxes[i].owner, gameApp.window) << "box " << i;
    }
    EXPECT_EQ(PlanetTable, nullptr);
    EXPECT_EQ(platform::LiveObjects(), 0);
    EXPECT_EQ(platform::GdiObjects(), run.gdiObjectsBefore);
    EXPECT_EQ(ReleaseOrder(platform::ReleaseLog()), released);
}

class StartupFailure : public ::testing::TestWithParam<StartupFault> {};

TEST_P(StartupFailure, ShowsItsMessagesInOrderAndExitsWithZero) {
    const StartupFault& fault = GetParam();
    GameRun run;
    platform::InjectFault(fault.operation, fault.result);
    run.backend.CloseAfterFrame(50); // in case the program did start after all
    EXPECT_EQ(run.Run(), 0);
    ExpectFailedStart(run, fault.boxes, fault.released);
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, StartupFailure, ::testing::ValuesIn(FAULTS));

// The game started from a folder whose path is longer than the 260 bytes
// the music loader reads it into; Linux allows such paths.
TEST(LongCurrentFolder, StopsTheMusicStartWithoutReadingThePath) {
    const auto home = std::filesystem::current_path();
    const auto root =
        std::filesystem::temp_directory_path() / ("quorvane-deep-" + std::to_string(getpid()));
    const std::string level(100, 'd');
    std::filesystem::create_directories(root / level / level / level);
    GameRun run;
    run.backend.CloseAfterFrame(50);
    std::filesystem::current_path(root / level / level / level);
    const int code = run.Run();
    std::filesystem::current_path(home);
    std::filesystem::remove_all(root);
    EXPECT_EQ(code, 0);
    ExpectFailedStart(run, {"カレントディレクトリを読み込み失敗", MUSIC}, "GSMX");
}

TEST(Shutdown, ReleasesGraphicsMusicSoundPortsThenTheGuard) {
    GameRun run;
    std::size_t beforeClose = 0;
    run.backend.OnPresent(
        [&](const platform::CapturedFrame&) { beforeClose = platform::ReleaseLog().size(); });
    run.Press(1000, 'Z');
    run.Press(2000, VK_ESCAPE);
    ASSERT_EQ(run.Run(), 0);
    EXPECT_EQ(PlanetTable, nullptr);
    EXPECT_EQ(platform::LiveObjects(), 0);
    EXPECT_EQ(platform::OpenHandles(), 1) << "the guard stays until the process ends";
    EXPECT_EQ(platform::GdiObjects(), run.gdiObjectsBefore) << "fonts, bitmaps, contexts";
    const auto log = platform::ReleaseLog();
    EXPECT_EQ(ReleaseOrder({log.begin() + static_cast<long>(beforeClose), log.end()}), "GMSPX");
    EXPECT_TRUE(run.backend.MessageBoxes().empty());
    EXPECT_FALSE(run.backend.CursorVisible()) << "hidden since the loading notice";
}

TEST(SingleInstance, ASecondStartExitsAtOnceShowingNothing) {
    GameRun run;
    // Another instance holds the guard.
    HANDLE other = CreateMutexA(nullptr, FALSE, "DirectX Skeleton Class");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(run.Run(), 0);
    EXPECT_TRUE(run.backend.MessageBoxes().empty());
    EXPECT_EQ(run.backend.FramesPresented(), 0u);
    EXPECT_EQ(gameApp.window, nullptr);
}

} // namespace
