// A straightforward gravity step that computes every attraction with atan2,
// cos and sin, exactly as the game's rules word it. Tests and benchmarks hold
// the production step against it.
#pragma once

#include "game/planet.h"

// Steps `table` (element 0 holding count and steeredIndex) like StepPlanets
// and returns the record the step handed to the HUD.
Planet ReferenceStepPlanets(Planet* table);
