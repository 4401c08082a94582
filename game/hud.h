// The play HUD: a column of captions and values at the right of the screen,
// in the artwork's bitmap font.
#pragma once

#include <cstdint>

#include "game/planet.h"

inline constexpr int HUD_X = 500;

// Draws text in the bitmap font with its pen at (x, y): digits 10 pixels
// wide, letters 13 (either case), spaces 10; anything else is skipped.
void DrawBitmapText(std::int32_t x, std::int32_t y, const char* text);

// The HUD lines, with `newest` the record the simulation step wrote last.
void DrawPlayHud(const Planet& newest);
