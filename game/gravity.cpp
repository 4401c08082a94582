#include "game/gravity.h"

#include <cmath>

namespace {

// The step's scratch table. Everything a step reads back from its scratch
// records besides a live record's own fields is the acceleration computed for
// it, so the scratch table keeps just those, in static storage: a play frame
// allocates nothing. Positions and masses are gathered into flat arrays first,
// which keeps the pair loop tight.
struct ScratchTable {
    float x[PLANET_CAPACITY];
    float y[PLANET_CAPACITY];
    float mass[PLANET_CAPACITY];
    float ax[PLANET_CAPACITY];
    float ay[PLANET_CAPACITY];
};

ScratchTable scratch;

// Adds the pull of body j on a body at (px, py). The direction is d / |d|,
// which is what cos and sin of atan2(d.y, d.x) give; a body sitting exactly
// on its attractor has no direction and, as atan2(0, 0) = 0 says, is pulled
// along +x. NaN positions stay NaN all the way through.
inline void Attract(const ScratchTable& s, int j, float floor, float px, float py, float& ax,
                    float& ay) {
    const float dx = s.x[j] - px;
    const float dy = s.y[j] - py;
    const float r2 = dx * dx + dy * dy;
    const float f = s.mass[j] / (r2 < floor ? floor : r2);
    if (r2 == 0.0f) {
        ax += f;
        ay += 0.0f;
        return;
    }
    const float perLength = f / std::sqrt(r2);
    ax += dx * perLength;
    ay += dy * perLength;
}

// Every attraction of the step is computed from the positions the live table
// held when the step began; the sun gets none. Each body sums its pulls in
// table order, the sun first.
void ComputeAccelerations(const Planet* live, int count) {
    for (int i = 0; i < count; ++i) {
        scratch.x[i] = live[i].position.x;
        scratch.y[i] = live[i].position.y;
        scratch.mass[i] = live[i].mass;
    }
    scratch.ax[0] = live[0].acceleration.x;
    scratch.ay[0] = live[0].acceleration.y;
    for (int i = 1; i < count; ++i) {
        const float px = scratch.x[i];
        const float py = scratch.y[i];
        float ax = 0.0f;
        float ay = 0.0f;
        Attract(scratch, 0, SUN_DISTANCE_FLOOR, px, py, ax, ay);
        for (int j = 1; j < i; ++j) {
            Attract(scratch, j, BODY_DISTANCE_FLOOR, px, py, ax, ay);
        }
        for (int j = i + 1; j < count; ++j) {
            Attract(scratch, j, BODY_DISTANCE_FLOOR, px, py, ax, ay);
        }
        scratch.ax[i] = ax;
        scratch.ay[i] = ay;
    }
}

// Scratch record k: the live record as the step found it, with its new
// acceleration. Live records above the one being integrated are untouched
// until the loop reaches them, so they still hold what the step began with.
void LoadScratchRecord(Planet& p, const Planet* live, int k) {
    p = live[k];
    p.acceleration = Vec2(scratch.ax[k], scratch.ay[k]);
}

void Advance(Planet& p) {
    p.velocity += p.acceleration;
    p.position += p.velocity * POSITION_FRACTION;
    p.accelMagnitude = Length(p.acceleration);
    p.speed = Length(p.velocity);
    p.forceMagnitude = p.mass * p.accelMagnitude;
}

} // namespace

bool IsOutsideField(const Vec2& position) {
    return position.x < FIELD_LEFT || position.x > FIELD_RIGHT || position.y < FIELD_TOP ||
           position.y > FIELD_BOTTOM;
}

Planet StepPlanets() {
    Planet p;
    if (PlanetTable == nullptr) {
        return p;
    }
    Planet* live = PlanetTable;
    Planet& table = live[0];
    ComputeAccelerations(live, static_cast<int>(table.count));

    for (std::uint32_t i = 0; i < table.count; ++i) {
        LoadScratchRecord(p, live, static_cast<int>(i));
        Advance(p);
        if (i == 0 && IsOutsideField(p.position)) {
            // The sun is never removed: its record also carries the table's
            // count and steered index, and the game expects it at index 0. A
            // sun steered to the edge of the field stops there, keeping its
            // velocity, so steering can still bring it back.
            LoadScratchRecord(p, live, 0);
        } else if (IsOutsideField(p.position)) {
            if (table.count - 1 == table.steeredIndex) {
                table.steeredIndex = i; // the steered last record moves into slot i
            }
            // The last live record takes the slot, with its new acceleration but
            // not yet advanced; the next step handles it.
            LoadScratchRecord(p, live, static_cast<int>(table.count - 1));
            table.count = table.count - 1;
        }
        live[i] = p;
    }
    return p;
}
