#include "game/gravity.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The pull of body j on a body at (px, py) has the direction d / |d|, which is
// what cos and sin of atan2(d.y, d.x) give, and the strength mass / floored r2.
// A body sitting exactly on its attractor has no direction and, as
// atan2(0, 0) = 0 says, is pulled along +x. NaN positions stay NaN throughout.
inline void Attract(const ScratchTable& s, int j, float floor, float px, float py, float& ax,
                    float& ay) {
    const float dx = s.x[j] - px;
    const float dy = s.y[j] - py;
    const float r2 = dx * dx + dy * dy;
    const float floored = r2 < floor ? floor : r2;
    if (r2 == 0.0f) {
        ax += s.mass[j] / floored;
        ay += 0.0f;
        return;
    }
    const float perLength = s.mass[j] / (floored * std::sqrt(r2));
    ax += dx * perLength;
    ay += dy * perLength;
}

void AccelerateOne(int i, int count) {
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

#if defined(__SSE2__)
// Four bodies at once, one per SIMD lane, with the same arithmetic as
// Attract. Each lane still sums its pulls one attractor after another in
// table order, so the results are those of AccelerateOne; a lane's own index
// adds +0 instead of being skipped, which changes no value.
void AccelerateFour(int i0, int count) {
    const __m128 px = _mm_loadu_ps(&scratch.x[i0]);
    const __m128 py = _mm_loadu_ps(&scratch.y[i0]);
    const __m128i lanes = _mm_add_epi32(_mm_set1_epi32(i0), _mm_set_epi32(3, 2, 1, 0));
    const __m128 zero = _mm_setzero_ps();
    __m128 ax = zero;
    __m128 ay = zero;
    for (int j = 0; j < count; ++j) {
        const float floor = j == 0 ? SUN_DISTANCE_FLOOR : BODY_DISTANCE_FLOOR;
        const __m128 mass = _mm_set1_ps(scratch.mass[j]);
        const __m128 dx = _mm_sub_ps(_mm_set1_ps(scratch.x[j]), px);
        const __m128 dy = _mm_sub_ps(_mm_set1_ps(scratch.y[j]), py);
        const __m128 r2 = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
        const __m128 floored = _mm_max_ps(_mm_set1_ps(floor), r2); // NaN r2 stays NaN
        const __m128 perLength = _mm_div_ps(mass, _mm_mul_ps(floored, _mm_sqrt_ps(r2)));
        const __m128 onTop = _mm_cmpeq_ps(r2, zero);
        const __m128 self = _mm_castsi128_ps(_mm_cmpeq_epi32(lanes, _mm_set1_epi32(j)));
        const __m128 pullOnTop = _mm_set1_ps(scratch.mass[j] / floor);
        __m128 tx = _mm_or_ps(_mm_and_ps(onTop, pullOnTop),
                              _mm_andnot_ps(onTop, _mm_mul_ps(dx, perLength)));
        __m128 ty = _mm_andnot_ps(onTop, _mm_mul_ps(dy, perLength));
        tx = _mm_andnot_ps(self, tx);
        ty = _mm_andnot_ps(self, ty);
        ax = _mm_add_ps(ax, tx);
        ay = _mm_add_ps(ay, ty);
    }
    _mm_storeu_ps(&scratch.ax[i0], ax);
    _mm_storeu_ps(&scratch.ay[i0], ay);
}
#endif

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
    int i = 1;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
        AccelerateFour(i, count);
    }
#endif
    for (; i < count; ++i) {
        AccelerateOne(i, count);
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
