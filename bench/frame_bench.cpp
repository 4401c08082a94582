// Whole frames of the real game: a title frame, and a play frame with the
// table full (300 bodies), each including the final conversion of the 8-bit
// frame through its palette into the 32-bit pixels a display shows.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/game_app.h"
#include "support/test_backend.h"

namespace {

// A display: converts every presented frame to 0xAARRGGBB pixels.
class DisplayBackend final : public TestBackend {
public:
    DisplayBackend() : TestBackend(1000), screen(640 * 480) {}

    void Present(const std::uint8_t* indices, int width, int height, int pitch,
                 const platform::PaletteColour* palette) override {
        std::array<std::uint32_t, 256> rgb;
        for (int i = 0; i < 256; ++i) {
            rgb[i] = 0xFF000000u | (std::uint32_t{palette[i].red} << 16) |
                     (std::uint32_t{palette[i].green} << 8) | palette[i].blue;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = indices + y * pitch;
            std::uint32_t* out = &screen[static_cast<std::size_t>(y) * 640];
            for (int x = 0; x < width; ++x) {
                out[x] = rgb[row[x]];
            }
        }
        benchmark::DoNotOptimize(screen.data());
    }

    std::vector<std::uint32_t> screen;
};

DisplayBackend* display = nullptr;

// Starts the game's devices once, as WinMain would, without the loop.
void StartGame() {
    if (display != nullptr) {
        return;
    }
    display = new DisplayBackend;
    CreateMainWindow(gameApp, GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
    gameApp.InitDirectDraw(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BITS);
    gameApp.InitSound();
    gameApp.InitMusic();
    gameApp.RunFrame(); // the first frame loads the sounds
}

// 299 planets on slow orbits spread over the field, so that none leaves it
// during a run of frames.
void FillTable() {
    if (PlanetTable == nullptr) {
        CreatePlanetTable();
    }
    Planet* table = PlanetTable;
    table[0].count = PLANET_CAPACITY;
    table[0].position = Vec2(320.0f, 240.0f);
    table[0].velocity = Vec2(0.0f, 0.0f);
    for (std::uint32_t i = 1; i < PLANET_CAPACITY; ++i) {
        const double angle = i * 2.399963;
        const double radius = 60.0 + 170.0 * std::sqrt(i / 300.0);
        table[i].inUse = 1;
        table[i].mass = 1.0f + static_cast<float>(i % 5);
        table[i].kind = KindForMass(table[i].mass);
        table[i].position = Vec2(static_cast<float>(320.0 + radius * std::cos(angle)),
                                 static_cast<float>(240.0 + radius * std::sin(angle)));
        table[i].velocity = Vec2(0.0f, 0.0f);
    }
}

void BM_TitleFrame(benchmark::State& state) {
    StartGame();
    gameApp.scene = SCENE_TITLE;
    for (auto _ : state) {
        gameApp.RunFrame();
        display->now += 16;
    }
}

void BM_PlayFrameFullTable(benchmark::State& state) {
    StartGame();
    gameApp.scene = SCENE_PLAY;
    gameApp.fadePending = 0;
    FillTable();
    int sinceRefill = 0;
    for (auto _ : state) {
        if (++sinceRefill == 30) { // before the bodies fall far out of place
            state.PauseTiming();
            FillTable();
            sinceRefill = 0;
            state.ResumeTiming();
        }
        gameApp.RunFrame();
        display->now += 16;
    }
    state.counters["bodies"] = static_cast<double>(PlanetTable[0].count);
}

// Resident memory of this process in megabytes.
double ResidentMegabytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0.0;
    }
    char line[256];
    double kilobytes = 0.0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %lf kB", &kilobytes) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kilobytes / 1024.0;
}

// Ten minutes of play with the table kept full, one iteration per minute of
// 3600 frames: the resident memory after the first minute and after the
// tenth must stay flat.
void BM_TenMinutesFullTable(benchmark::State& state) {
    StartGame();
    gameApp.scene = SCENE_PLAY;
    gameApp.fadePending = 0;
    double afterFirstMinute = 0.0;
    int minute = 0;
    for (auto _ : state) {
        for (int frame = 0; frame < 3600; ++frame) {
            if (frame % 30 == 0) {
                FillTable();
            }
            gameApp.RunFrame();
            display->now += 16;
        }
        if (++minute == 1) {
            afterFirstMinute = ResidentMegabytes();
        }
    }
    state.counters["rss_first_minute_MB"] = afterFirstMinute;
    state.counters["rss_last_minute_MB"] = ResidentMegabytes();
}

} // namespace

BENCHMARK(BM_TitleFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlayFrameFullTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TenMinutesFullTable)->Iterations(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
