#include "game/planet.h"

Planet* PlanetTable = nullptr;

Planet::Planet()
    : count(0), steeredIndex(0), inUse(0), kind(0), animPhase(0), accelMagnitude(0.0f), speed(0.0f),
      mass(0.0f), forceMagnitude(0.0f), acceleration(0.0f, 0.0f), velocity(0.0f, 0.0f),
      position(0.0f, 0.0f) {}

Planet::Planet(const Planet& other) : Planet() {
    *this = other;
}

Planet& Planet::operator=(const Planet& other) {
    count = other.count;
    inUse = other.inUse;
    kind = other.kind;
    animPhase = other.animPhase;
    accelMagnitude = other.accelMagnitude;
    speed = other.speed;
    mass = other.mass;
    forceMagnitude = other.forceMagnitude;
    acceleration = other.acceleration;
    velocity = other.velocity;
    position = other.position;
    return *this;
}

Planet::~Planet() = default;

void CreatePlanetTable() {
    PlanetTable = new Planet[PLANET_CAPACITY];
    Planet& sun = PlanetTable[0];
    sun.kind = SUN_KIND;
    sun.position = Vec2(320.0f, 240.0f);
    sun.mass = 250.0f;
    sun.inUse = 1;
    sun.count = sun.count + 1;
}

void DestroyPlanetTable() {
    if (PlanetTable != nullptr) {
        delete[] PlanetTable;
        PlanetTable = nullptr;
    }
}
