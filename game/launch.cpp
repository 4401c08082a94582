#include "game/launch.h"

#include "game/planet.h"
#include "game/random.h"

std::uint8_t launchLatch = 0;

namespace {

constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;
constexpr float LAUNCH_Y = 500.0f; // 20 pixels below the bottom of the screen

// Sideways steering pushes along the fixed direction pi/2 (down the screen),
// whatever the heading; forward steering changes the speed along the heading.
constexpr float SIDE_PUSH = 0.01f;
constexpr float FORWARD_PUSH = static_cast<float>(0.01 / 7.5);

std::uint32_t FirstFreeRecord(const Planet* table) {
    // The bound is tested before the record is read: with a full table the
    // search stops at PLANET_CAPACITY without touching a record past the end.
    std::uint32_t idx = 0;
    while (idx < table[0].count && table[idx].inUse == 1) {
        ++idx;
    }
    return idx;
}

} // namespace

std::int32_t KindForMass(float mass) {
    return static_cast<std::int32_t>((mass - 1.0) * 3.0 / 4.0);
}

void LaunchPlanet() {
    Planet& table = PlanetTable[0];
    const std::uint32_t idx = FirstFreeRecord(PlanetTable);
    if (idx >= PLANET_CAPACITY) {
        return;
    }
    Planet& p = PlanetTable[idx];

    const float x0 = RandomRange(0.002f, 640.0f);
    p.position = Vec2(x0, LAUNCH_Y);

    // Speed 2 at the left edge down to 1 at the right; the heading turns from
    // rightwards (left edge) to almost straight up (right edge).
    const float t = static_cast<float>(2.0 - x0 * 1.0 / 640.0);
    const float v = RandomRange(t, t);
    const double lo = x0 * 85.0 / 640.0 * PI / 180.0;
    const double hi = 88.8f * x0 / 640.0 * PI / 180.0;
    const float a = RandomRange(static_cast<float>(lo), static_cast<float>(hi));
    p.velocity = Vec2(v * Cos(a), -v * Sin(a));

    p.mass = RandomRange(1.0f, 5.0f);
    p.kind = KindForMass(p.mass);
    p.inUse = 1;
    table.steeredIndex = idx;
    table.count = table.count + 1;
}

void HandleLaunchInput(InputBits bits) {
    if ((bits & (INPUT_Z | INPUT_LBUTTON)) != 0) {
        if (launchLatch == 0) {
            launchLatch = 1;
            LaunchPlanet();
        }
    } else {
        launchLatch = 0;
    }
}

void SteerPlanet(InputBits bits) {
    Vec2& v = PlanetTable[PlanetTable[0].steeredIndex].velocity;
    const float theta = Atan2(v.y, v.x);
    const float sp = Length(v);
    const float forwardX = sp * Cos(theta);
    const float forwardY = sp * Sin(theta);
    if ((bits & INPUT_LEFT) != 0) {
        v = Vec2(forwardX + SIDE_PUSH * Cos(HALF_PI), forwardY + SIDE_PUSH * Sin(HALF_PI));
    }
    if ((bits & INPUT_RIGHT) != 0) {
        v = Vec2(forwardX - SIDE_PUSH * Cos(HALF_PI), forwardY - SIDE_PUSH * Sin(HALF_PI));
    }
    if ((bits & INPUT_UP) != 0) {
        v = Vec2(forwardX + FORWARD_PUSH * Cos(theta), forwardY + FORWARD_PUSH * Sin(theta));
    }
    if ((bits & INPUT_DOWN) != 0) {
        v = Vec2(forwardX - FORWARD_PUSH * Cos(theta), forwardY - FORWARD_PUSH * Sin(theta));
    }
}
