// The gravity step, production against the straightforward reference that
// calls atan2, cos and sin for every attraction, on the same scenes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "game/gravity.h"
#include "support/gravity_reference.h"

namespace {

// A table of `count` bodies spread over the field in a fixed pattern, moving
// slowly enough that none leaves it during a benchmark's steps, so every
// iteration does the full count x count work.
std::vector<Planet> MakeScene(std::uint32_t count) {
    std::vector<Planet> table(PLANET_CAPACITY);
    table[0].kind = SUN_KIND;
    table[0].mass = 250.0f;
    table[0].inUse = 1;
    table[0].position = Vec2(320.0f, 240.0f);
    table[0].count = count;
    for (std::uint32_t i = 1; i < count; ++i) {
        const double angle = i * 2.399963; // golden angle: an even spread
        const double radius = 40.0 + 200.0 * std::sqrt(i / 300.0);
        table[i].inUse = 1;
        table[i].mass = 1.0f + static_cast<float>(i % 5);
        table[i].position = Vec2(static_cast<float>(320.0 + radius * std::cos(angle)),
                                 static_cast<float>(240.0 + radius * std::sin(angle)));
        table[i].velocity = Vec2(0.0f, 0.0f);
    }
    return table;
}

void BM_ProductionStep(benchmark::State& state) {
    const std::vector<Planet> scene = MakeScene(static_cast<std::uint32_t>(state.range(0)));
    std::vector<Planet> work(PLANET_CAPACITY);
    PlanetTable = work.data();
    for (auto _ : state) {
        state.PauseTiming();
        for (std::uint32_t i = 0; i < PLANET_CAPACITY; ++i) {
            work[i] = scene[i];
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(StepPlanets());
    }
    PlanetTable = nullptr;
}

void BM_ReferenceStep(benchmark::State& state) {
    const std::vector<Planet> scene = MakeScene(static_cast<std::uint32_t>(state.range(0)));
    std::vector<Planet> work(PLANET_CAPACITY);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::uint32_t i = 0; i < PLANET_CAPACITY; ++i) {
            work[i] = scene[i];
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(ReferenceStepPlanets(work.data()));
    }
}

} // namespace

BENCHMARK(BM_ProductionStep)->Arg(2)->Arg(50)->Arg(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceStep)->Arg(2)->Arg(50)->Arg(300)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
