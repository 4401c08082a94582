// The planet sprites: where each picture lies in the artwork bitmap, and
// drawing the live planets with the steering marker over the steered one.
#pragma once

#include <cstdint>

#include "winapi.h"

struct SpriteRect {
    std::int32_t x;
    std::int32_t y;
    std::int32_t w;
    std::int32_t h;
};

inline constexpr int SPRITE_ROWS = 6;
inline constexpr int SPRITE_FRAMES = 4;
inline constexpr int MARKER_ROW = 5;

// Rows 0 to 3 the planet kinds, row 4 the sun, row 5 the steering marker;
// four animation frames each.
extern const SpriteRect SpriteRectTable[SPRITE_ROWS][SPRITE_FRAMES];

// Counter values per four-frame animation cycle.
extern std::int32_t ANIM_CYCLE;
// Advances once per drawn record; never reset.
extern std::uint32_t animCounter;

// Blit flags of every sprite: keyed by the artwork's transparent index.
inline constexpr DWORD SPRITE_BLT_FLAGS = DDBLT_KEYSRC | DDBLT_WAIT;

// Runs one simulation step (which draws the HUD), then draws every live
// record centred on its position, the marker on the steered one.
void DrawPlanets(IDirectDrawSurface* target, IDirectDrawSurface* source);
