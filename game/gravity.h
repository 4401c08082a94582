// One simulation step of the planet table: attraction, movement, culling.
#pragma once

#include "game/planet.h"

// The field a body may roam: beyond these limits it is removed.
inline constexpr float FIELD_LEFT = -150.0f;
inline constexpr float FIELD_RIGHT = 740.0f;
inline constexpr float FIELD_TOP = -150.0f;
inline constexpr float FIELD_BOTTOM = 580.0f;

// Squared distance floors of the attraction: against the sun, and against
// any other body.
inline constexpr float SUN_DISTANCE_FLOOR = 250.0f;
inline constexpr float BODY_DISTANCE_FLOOR = 25.0f;

// The position moves by this fraction of the velocity per step.
inline constexpr float POSITION_FRACTION = 0.25f;

bool IsOutsideField(const Vec2& position);

// Advances the planet table by one step and returns the record the step's
// integration wrote last: the one the play HUD shows. Does nothing (and
// returns a fresh record) when there is no table.
Planet StepPlanets();
