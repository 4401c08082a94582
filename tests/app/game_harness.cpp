#include "game_harness.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/game_app.h"

namespace {

// The game's single-instance guard is a name shared by every process of the
// machine: test processes running side by side would each see the others'
// guard and exit at once. Each test process keeps its names in a folder of
// its own.
const bool privateGuardFolder = [] {
    static char folder[] = "/tmp/quorvane-test-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
        setenv("XDG_RUNTIME_DIR", folder, 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
    }
    return true;
}();

} // namespace

// Forwards everything to a HeadlessBackend and shows each presented frame to
// the test first.
class GameRun::Probe final : public platform::Backend {
public:
    platform::HeadlessBackend inner;
    std::function<void(const FrameView&)> look;
    std::uint64_t presented = 0;

    std::uint32_t NowMilliseconds() override { return inner.NowMilliseconds(); }
    bool PollEvent(platform::BackendEvent& out) override { return inner.PollEvent(out); }
    void WaitUntil(std::uint32_t deadlineMs) override { inner.WaitUntil(deadlineMs); }
    void Wake() override { inner.Wake(); }
    void Sleep(std::uint32_t ms) override { inner.Sleep(ms); }
    bool IsKeyDown(int virtualKey) override { return inner.IsKeyDown(virtualKey); }
    bool ReadJoystick(unsigned id, platform::JoystickState& out) override {
        return inner.ReadJoystick(id, out);
    }
    void Present(const std::uint8_t* indices, int width, int height, int pitch,
                 const platform::PaletteColour* palette) override {
        ++presented;
        if (look && width == 640 && height == 480) {
            look(FrameView{presented, inner.NowMilliseconds(), indices, pitch, palette});
        }
        inner.Present(indices, width, height, pitch, palette);
    }
    void SetCursorVisible(bool visible) override { inner.SetCursorVisible(visible); }
    bool OpenAudio(std::uint32_t rate, std::uint32_t channels,
                   platform::AudioSource* source) override {
        return inner.OpenAudio(rate, channels, source);
    }
    void CloseAudio() override { inner.CloseAudio(); }
    int ShowMessageBox(const std::string& caption, const std::string& text,
                       unsigned type) override {
        return inner.ShowMessageBox(caption, text, type);
    }
};

GameRun::GameRun() : probe(new Probe) {
    // A run that never ends fails the test instead of hanging it.
    probe->inner.SetTimeLimit(600000, [](const std::string& why) {
        std::fprintf(stderr, "game run stuck: %s\n", why.c_str());
        std::abort();
    });
}

GameRun::~GameRun() {
    platform::InstallBackend(nullptr);
    delete probe;
}

void GameRun::Press(std::uint32_t atMs, int virtualKey, std::uint32_t holdMs) {
    if (virtualKey == VK_LBUTTON || virtualKey == VK_RBUTTON) {
        Event(atMs, platform::BackendEvent::Kind::ButtonDown, virtualKey);
        Event(atMs + holdMs, platform::BackendEvent::Kind::ButtonUp, virtualKey);
        return;
    }
    probe->inner.ScheduleKey(atMs, virtualKey, true);
    probe->inner.ScheduleKey(atMs + holdMs, virtualKey, false);
}

void GameRun::Event(std::uint32_t atMs, platform::BackendEvent::Kind kind, int virtualKey) {
    platform::BackendEvent event;
    event.kind = kind;
    event.virtualKey = virtualKey;
    probe->inner.Schedule(atMs, event);
}

void GameRun::CloseAfterFrame(std::uint64_t n) {
    probe->inner.CloseAfterFrame(n);
}

void GameRun::OnFrame(std::function<void(const FrameView&)> look) {
    probe->look = std::move(look);
}

int GameRun::Run() {
    platform::InstallBackend(probe);
    char commandLine[] = "";
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    probe->inner.FinishCaptures();
    return code;
}

platform::HeadlessBackend& GameRun::Backend() {
    return probe->inner;
}

std::vector<platform::MessageBoxRecord> GameRun::MessageBoxes() const {
    return probe->inner.MessageBoxes();
}

std::string WindowCaption() {
    char caption[32];
    std::snprintf(caption, sizeof caption, "%x",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(gameApp.window)));
    return caption;
}
