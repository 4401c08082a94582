// The SDL backend on SDL's own stand-in devices (the dummy video driver, the
// dummy and disk audio drivers): frames reach the window
// through the palette and scaled into place, SDL's events become what the
// program sees, waits end on wake-ups and termination signals, sound is
// pulled in the format asked for, and a lost render target loses the
// program's surfaces.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "../video/display_fixture.h"
#include "backends/sdl/sdl_backend.h"
#include "platform/lifetimes.h"
#include "platform/sdl_backend.h"
#include "platform/system_backend.h"
#include "support/popup_window.h"

// SDL talks to D-Bus while it starts; libdbus keeps a read buffer of its own
// for the life of the process, which the leak checker of the sanitizer build
// would otherwise count against these tests.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

using platform::BackendEvent;
using platform::sdl::SdlBackend;

namespace {

// A backend on the dummy video driver and the given audio driver.
std::unique_ptr<SdlBackend> OpenOnDummyVideo(const char* audioDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", audioDriver, 1);
    std::string error;
    auto backend = SdlBackend::Open(error);
    EXPECT_TRUE(backend) << error;
    return backend;
}

using Kind = BackendEvent::Kind;
using KindAndKey = std::pair<Kind, int>;

class SdlBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = OpenOnDummyVideo("dummy");
        ASSERT_TRUE(backend);
        platform::InstallBackend(backend.get());
    }
    void TearDown() override {
        platform::InstallBackend(nullptr);
        backend.reset();
    }

    // Every event the program would see now, as kind and key.
    std::vector<KindAndKey> Drain() {
        std::vector<KindAndKey> events;
        BackendEvent event;
        while (backend->PollEvent(event)) {
            events.emplace_back(event.kind, event.virtualKey);
        }
        return events;
    }

    static void Push(SDL_Event event) { SDL_PushEvent(&event); }

    static void PushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 mod = 0) {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym = SDL_Keysym{scancode, key, mod, 0};
        Push(event);
    }

    static void PushWindowEvent(Uint8 what) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = what;
        Push(event);
    }

    // How long a wait of 20 s lasts when `act` runs on another thread 50 ms
    // into it.
    std::int32_t WaitLastsWhile(const std::function<void()>& act) {
        std::thread other([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            act();
        });
        const std::uint32_t before = backend->NowMilliseconds();
        backend->WaitUntil(before + 20000);
        const auto waited = static_cast<std::int32_t>(backend->NowMilliseconds() - before);
        other.join();
        return waited;
    }

    // The colour the window shows at frame pixel (x, y), as 0xRRGGBB.
    Uint32 ShownAt(int x, int y) const {
        const SDL_Rect placed = backend->FramePlacement();
        const int factor = placed.w / 640;
        const SDL_Rect one{placed.x + x * factor, placed.y + y * factor, 1, 1};
        Uint32 pixel = 0;
        EXPECT_EQ(
            SDL_RenderReadPixels(backend->Renderer(), &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0)
            << SDL_GetError();
        return pixel & 0xFFFFFFu;
    }

    std::unique_ptr<SdlBackend> backend;
};

// What a test changes in the stripes: rows `top` to `bottom` - 1 and the
// last pixel of row `lastPixelRow` take colour `index`, and every colour's
// blue goes up by `blueShift`.
struct Change {
    int top = 0, bottom = 0, lastPixelRow = -1;
    std::uint8_t index = 0;
    int blueShift = 0;
};

// Index = x / 64 + 10 * (y / 120): ten columns and four rows of colours,
// each colour distinct in every channel, in rows padded to 700 bytes.
void PresentStripes(platform::Backend& backend, const Change& change = {}) {
    std::vector<std::uint8_t> indices(700 * 480, 0);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool changed =
                (y >= change.top && y < change.bottom) || (y == change.lastPixelRow && x == 639);
            indices[static_cast<std::size_t>(y) * 700 + static_cast<std::size_t>(x)] =
                changed ? change.index : static_cast<std::uint8_t>(x / 64 + 10 * (y / 120));
        }
    }
    platform::PaletteColour palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = platform::PaletteColour{static_cast<std::uint8_t>(i * 6),
                                             static_cast<std::uint8_t>(200 - i),
                                             static_cast<std::uint8_t>(i + 1 + change.blueShift)};
    }
    backend.Present(indices.data(), 640, 480, 700, palette);
}

Uint32 StripeColour(int index, int blueShift = 0) {
    return (static_cast<Uint32>(index * 6) << 16) | (static_cast<Uint32>(200 - index) << 8) |
           static_cast<Uint32>(index + 1 + blueShift);
}

// Fills each pull with a ramp that runs on across pulls, and remembers how
// it was called.
class RampSource final : public platform::AudioSource {
public:
    void Mix(std::int16_t* out, std::uint32_t frames) override {
        for (std::uint32_t i = 0; i < frames * 2; ++i) {
            out[i] = static_cast<std::int16_t>(1 + next++ % 20000);
        }
        framesPulled += frames;
        offThread = offThread || std::this_thread::get_id() != creator;
    }
    std::thread::id creator = std::this_thread::get_id();
    std::atomic<std::uint64_t> framesPulled{0};
    std::atomic<bool> offThread{false};
    std::uint32_t next = 0;
};

bool WaitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

} // namespace

TEST_F(SdlBackendTest, TheWindowAppearsWithTheFirstFrameScaledAndLetterboxed) {
    EXPECT_TRUE(SDL_GetWindowFlags(backend->Window()) & SDL_WINDOW_HIDDEN);
    PresentStripes(*backend);
    EXPECT_FALSE(SDL_GetWindowFlags(backend->Window()) & SDL_WINDOW_HIDDEN);

    int width = 0;
    int height = 0;
    SDL_GetRendererOutputSize(backend->Renderer(), &width, &height);
    const SDL_Rect placed = backend->FramePlacement();
    const int factor = placed.w / 640;
    EXPECT_EQ(std::vector<int>({placed.x, placed.y, placed.h}),
              std::vector<int>({(width - placed.w) / 2, (height - placed.h) / 2, 480 * factor}));
    // Each stripe in its palette colour, edge to edge, nothing blurred.
    for (int index = 0; index < 40; ++index) {
        const int left = index % 10 * 64;
        const int top = index / 10 * 120;
        EXPECT_EQ(ShownAt(left, top), StripeColour(index)) << index;
        EXPECT_EQ(ShownAt(left + 63, top + 119), StripeColour(index)) << index;
    }
    EXPECT_EQ(ShownAt(-1, 10), 0u) << "black bar on the left";
    EXPECT_EQ(ShownAt(640, 10), 0u) << "and on the right";
}

TEST_F(SdlBackendTest, AltEnterIsTheBackendsWhileKeysFocusAndClosingBecomeTheProgramsEvents) {
    PresentStripes(*backend);
    Drain();
    // Alt+Enter switches to a window the program never hears of, a whole
    // multiple of 640 x 480, and back.
    PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT);
    PushKey(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT);
    PushKey(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT);
    EXPECT_EQ(Drain(), (std::vector<KindAndKey>{{Kind::KeyDown, VK_MENU}, {Kind::KeyUp, VK_MENU}}));
    EXPECT_FALSE(SDL_GetWindowFlags(backend->Window()) & SDL_WINDOW_FULLSCREEN);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(backend->Window(), &width, &height);
    EXPECT_EQ(width % 640, 0);
    EXPECT_EQ(width * 3, height * 4);
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_KP_ENTER, KMOD_RALT);
    PushKey(SDL_KEYUP, SDLK_RETURN, SDL_SCANCODE_KP_ENTER);
    EXPECT_TRUE(Drain().empty());
    EXPECT_TRUE(backend->Fullscreen());
    PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN); // a plain Enter is the program's
    EXPECT_EQ(Drain(), (std::vector<KindAndKey>{{Kind::KeyDown, VK_RETURN}}));
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    PushKey(SDL_KEYUP, SDLK_F12, SDL_SCANCODE_F12);
    PushKey(SDL_KEYDOWN, SDLK_MUTE, SDL_SCANCODE_MUTE); // no Windows code: unseen
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    Push(SDL_Event{SDL_QUIT});
    EXPECT_EQ(Drain(), (std::vector<KindAndKey>{{Kind::KeyDown, VK_ESCAPE},
                                                {Kind::KeyUp, VK_F12},
                                                {Kind::Deactivate, 0},
                                                {Kind::Activate, 0},
                                                {Kind::Deactivate, 0},
                                                {Kind::Close, 0},
                                                {Kind::Close, 0}}));
}

TEST_F(SdlBackendTest, WaitsLastUntilTheirTickOrAWakeFromAnyThreadOrASignal) {
    Drain();
    EXPECT_LT(WaitLastsWhile([this] { backend->Wake(); }), 5000) << "the wake ended the wait";
    EXPECT_TRUE(Drain().empty()) << "a wake-up is no event of the program's";
    // A wake that came while nobody waited ends the next wait at once, and
    // only that one: a polling loop's one-millisecond waits each last a tick.
    backend->Wake();
    const std::uint32_t woken = backend->NowMilliseconds();
    backend->WaitUntil(woken + 20000);
    EXPECT_LT(static_cast<std::int32_t>(backend->NowMilliseconds() - woken), 5000);
    const std::uint32_t start = backend->NowMilliseconds();
    for (int i = 0; i < 50; ++i) {
        backend->WaitUntil(backend->NowMilliseconds() + 1);
    }
    EXPECT_GE(static_cast<std::int32_t>(backend->NowMilliseconds() - start), 50);
    // Input that arrives during such a wait is there when the loop looks.
    PushKey(SDL_KEYDOWN, SDLK_z, SDL_SCANCODE_Z);
    backend->WaitUntil(backend->NowMilliseconds() + 1);
    EXPECT_EQ(Drain(), (std::vector<KindAndKey>{{Kind::KeyDown, 'Z'}}));

    platform::RouteTerminationSignalsToClose();
    EXPECT_LT(WaitLastsWhile([] { std::raise(SIGTERM); }), 5000);
    EXPECT_EQ(Drain(), (std::vector<KindAndKey>{{Kind::Close, 0}}));
}

TEST_F(SdlBackendTest, ChangedRowsAndPalettesAreRedrawnAndOtherThreadsFramesWaitForTheWindows) {
    std::thread other([this] { PresentStripes(*backend); });
    other.join();
    EXPECT_FALSE(backend->Shown()) << "only the window's thread touches the window";
    Drain(); // the window's own events on being shown (which draw it again)
    EXPECT_TRUE(backend->Shown());
    EXPECT_EQ(ShownAt(0, 0), StripeColour(0));
    // Paint the renderer over: only a frame the backend draws covers it.
    SDL_SetRenderDrawColor(backend->Renderer(), 0x12, 0x34, 0x56, 255);
    SDL_RenderClear(backend->Renderer());
    PresentStripes(*backend);
    Drain();
    EXPECT_EQ(ShownAt(0, 0), 0x123456u) << "the same frame drawn again";

    // Two frames before the window's thread looks: rows 130..249 take colour
    // 13, then also the last pixel of row 400. Both changes are shown.
    PresentStripes(*backend, {130, 250, -1, 13});
    PresentStripes(*backend, {130, 250, 400, 13});
    Drain();
    EXPECT_EQ(ShownAt(5, 140), StripeColour(13));
    EXPECT_EQ(ShownAt(600, 249), StripeColour(13));
    EXPECT_EQ(ShownAt(639, 400), StripeColour(13));
    EXPECT_EQ(ShownAt(638, 400), StripeColour(39));
    EXPECT_EQ(ShownAt(600, 129), StripeColour(19)) << "rows above the band as they were";
    EXPECT_EQ(ShownAt(5, 250), StripeColour(20)) << "rows below the band as they were";
    // A palette change alone, as each step of a fade makes, redraws it all.
    PresentStripes(*backend, {130, 250, 400, 13, 2});
    Drain();
    EXPECT_EQ(ShownAt(5, 10), StripeColour(0, 2));
    EXPECT_EQ(ShownAt(639, 479), StripeColour(39, 2));
}

TEST_F(SdlBackendTest, LostRenderTargetsLoseTheProgramsSurfaces) {
    GameDisplay display;
    IDirectDrawSurface* artwork = display.OffScreen(64, 64);
    ASSERT_EQ(display.primary->IsLost(), DD_OK);
    for (const Uint32 reset : {SDL_RENDER_TARGETS_RESET, SDL_RENDER_DEVICE_RESET}) {
        Push(SDL_Event{reset});
        Drain();
        EXPECT_EQ(display.primary->IsLost(), DDERR_SURFACELOST);
        EXPECT_EQ(artwork->IsLost(), DDERR_SURFACELOST);
        // The program's own restore path brings them back.
        EXPECT_EQ(display.primary->Restore(), DD_OK);
        EXPECT_EQ(artwork->Restore(), DD_OK);
    }
    FillSurface(display.primary, 7);
    Drain(); // drawn by the time the main loop has looked at its events
    EXPECT_EQ(ShownAt(3, 3), (7u << 16) | ((255u - 7u) << 8) | (7u / 2)) << "drawn after a reset";
    artwork->Release();
}

TEST(SdlBackendAudio, TheDeviceReceivesExactlyWhatTheSourceMixedUntilClosed) {
    const std::string file = ::testing::TempDir() + "sdl_disk_audio.raw";
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    auto backend = OpenOnDummyVideo("disk");
    ASSERT_TRUE(backend);
    RampSource source;
    EXPECT_FALSE(backend->OpenAudio(44100, 0, &source));
    EXPECT_FALSE(backend->OpenAudio(44100, 2, nullptr));
    ASSERT_TRUE(backend->OpenAudio(44100, 2, &source));
    EXPECT_TRUE(WaitFor([&] { return source.framesPulled.load() >= 8192; }));
    EXPECT_TRUE(source.offThread.load()) << "pulled by the device's thread";
    backend->CloseAudio();
    const std::uint64_t pulledAtClose = source.framesPulled.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(source.framesPulled.load(), pulledAtClose) << "no pull after CloseAudio returned";
    backend.reset();

    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    // The device may play silence before it is started; then comes every
    // sample the source made, unchanged and in order.
    std::size_t first = 0;
    while (first < samples.size() && samples[first] == 0) {
        ++first;
    }
    ASSERT_GE(samples.size(), first + 8192 * 2);
    EXPECT_EQ(first % 2, 0u) << "silence comes in whole frames";
    for (std::size_t i = 0; i < 8192 * 2; ++i) {
        ASSERT_EQ(samples[first + i], static_cast<std::int16_t>(1 + i % 20000)) << "sample " << i;
    }
    std::remove(file.c_str());
}

TEST(SdlBackendOpen, NoSoundDeviceIsAFailedOpenAndNoDisplayNoBackend) {
    auto backend = OpenOnDummyVideo("no-such-driver");
    ASSERT_TRUE(backend);
    RampSource source;
    EXPECT_FALSE(backend->OpenAudio(44100, 2, &source));
    EXPECT_FALSE(backend->OpenAudio(44100, 2, &source)) << "and again on a second try";
    backend->CloseAudio();
    EXPECT_EQ(source.framesPulled.load(), 0u);
    backend.reset();

    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("DISPLAY", ":4077", 1); // no X server there
    std::string error;
    EXPECT_FALSE(platform::OpenSdlBackend(error));
    EXPECT_FALSE(error.empty());
}

TEST_F(SdlBackendTest, MessagesWithoutADialogSystemGoToStandardErrorAndTitlesToTheTitleBar) {
    // The dummy video driver cannot show dialogs: the text still reaches the
    // player on the standard error stream, with the answer nobody gave.
    // (Without a display SDL has no other dialog to fall back on.)
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ::testing::internal::CaptureStderr();
    const int answer = backend->ShowMessageBox("cap", "\xe5\x88\x9d\xe6\x9c\x9f", MB_YESNO);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDYES);
    EXPECT_NE(said.find("[cap] \xe5\x88\x9d\xe6\x9c\x9f"), std::string::npos) << said;

    platform::ResetProcessState();
    // "Skeleton" in katakana, in Shift-JIS as the program hands it over.
    HWND window = MakePopupWindow("TitleTest", 640, 480, "DirectX \x83X\x83P\x83\x8B\x83g\x83\x93");
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(backend->Window()), "DirectX スケルトン");
    DestroyWindow(window);
}
