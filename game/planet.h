// The planet record and the process-wide planet table. Element 0 is the sun
// and also carries the table's two values, count and steeredIndex.
#pragma once

#include <cstdint>

#include "game/vector_math.h"

inline constexpr std::uint32_t PLANET_CAPACITY = 300;
inline constexpr std::int32_t SUN_KIND = 4;

class Planet {
public:
    Planet();
    // A copy starts as a fresh record and then takes the record copy below,
    // so it never inherits a steered index.
    Planet(const Planet& other);
    // The record copy: every field but steeredIndex, which the target keeps.
    // Rewriting element 0 through it moves count with the record while the
    // steered index stays where it is.
    Planet& operator=(const Planet& other);
    virtual ~Planet();

    std::uint32_t count;        // element 0: live records, the sun included
    std::uint32_t steeredIndex; // element 0: the record the arrow keys steer
    std::uint8_t inUse;
    std::int32_t kind;      // sprite row: 0..3 planets by mass, SUN_KIND the sun
    std::int32_t animPhase; // added to the animation counter; nothing sets it
    float accelMagnitude;
    float speed;
    float mass;
    float forceMagnitude;
    Vec2 acceleration;
    Vec2 velocity; // a step moves the position by a quarter of it
    Vec2 position; // screen pixels, y downwards
};

// The table of PLANET_CAPACITY records, or null before play and after release.
extern Planet* PlanetTable;

// Allocates the table with the sun alone in it (count 1, steering the sun).
void CreatePlanetTable();
// Releases the table if there is one.
void DestroyPlanetTable();
