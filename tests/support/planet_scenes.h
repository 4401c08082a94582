// Planet tables for the tests: the sun as a new game places it, and planets
// appended one record after another.
#pragma once

#include <cstdint>
#include <vector>

#include "game/planet.h"

// A table of PLANET_CAPACITY fresh records with the sun alone in record 0.
inline std::vector<Planet> SunAlone() {
    CreatePlanetTable();
    std::vector<Planet> table(PlanetTable, PlanetTable + PLANET_CAPACITY);
    DestroyPlanetTable();
    return table;
}

// Appends a live planet to the table that starts at `table` and returns its
// index.
inline std::uint32_t AddPlanet(Planet* table, Vec2 position, float mass = 1.0f,
                               Vec2 velocity = Vec2(0.0f, 0.0f), int kind = 0) {
    const std::uint32_t i = table[0].count;
    Planet& p = table[i];
    p.inUse = 1;
    p.kind = kind;
    p.mass = mass;
    p.position = position;
    p.velocity = velocity;
    table[0].count = i + 1;
    return i;
}
