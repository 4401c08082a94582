#include "game/sprites.h"

#include <cmath>

#include "game/gravity.h"
#include "game/hud.h"

// clang-format off
const SpriteRect SpriteRectTable[SPRITE_ROWS][SPRITE_FRAMES] = {
    {{0, 960, 8, 8},    {0, 968, 8, 8},    {0, 976, 8, 8},    {0, 984, 8, 8}},
    {{32, 960, 10, 10}, {32, 970, 10, 10}, {32, 980, 10, 10}, {32, 990, 10, 10}},
    {{8, 960, 11, 10},  {8, 970, 11, 10},  {8, 980, 11, 10},  {8, 990, 11, 10}},
    {{19, 960, 13, 11}, {19, 971, 13, 11}, {19, 982, 13, 11}, {19, 993, 13, 11}},
    {{42, 960, 33, 30}, {42, 990, 33, 30}, {42, 1020, 33, 30}, {42, 1050, 33, 30}},
    {{75, 975, 23, 23}, {75, 998, 23, 23}, {75, 975, 23, 23}, {75, 998, 23, 23}},
};
// clang-format on

std::int32_t ANIM_CYCLE = 40;
std::uint32_t animCounter = 0;

namespace {

// Draws the picture of `row` whose animation frame the counter (plus the
// record's phase) selects, centred on (cx, cy). Halves truncate, so a sprite
// of odd size is scaled one pixel smaller into its destination.
void DrawSprite(IDirectDrawSurface* target, IDirectDrawSurface* source, int row, std::int32_t phase,
                int cx, int cy) {
    const std::int32_t counter = static_cast<std::int32_t>(animCounter + phase);
    const auto frame = static_cast<std::uint32_t>(WrapToRange(counter, 0, ANIM_CYCLE - 1)) /
                       static_cast<std::uint32_t>(ANIM_CYCLE / 4);
    const SpriteRect& r = SpriteRectTable[row][frame];
    RECT destination;
    RECT from;
    SetRect(&destination, cx - r.w / 2, cy - r.h / 2, cx + r.w / 2, cy + r.h / 2);
    SetRect(&from, r.x, r.y, r.x + r.w, r.y + r.h);
    target->Blt(&destination, source, &from, SPRITE_BLT_FLAGS, nullptr);
}

} // namespace

void DrawPlanets(IDirectDrawSurface* target, IDirectDrawSurface* source) {
    DrawPlayHud(StepPlanets());
    const Planet& table = PlanetTable[0];
    for (std::uint32_t i = 0; i < table.count; ++i) {
        const Planet p = PlanetTable[i];
        // A body whose position is not a number has no place on screen (and
        // converting NaN to a pixel would be undefined): it is not drawn.
        if (!std::isnan(p.position.x) && !std::isnan(p.position.y)) {
            const int cx = static_cast<int>(p.position.x); // truncated towards zero
            const int cy = static_cast<int>(p.position.y);
            DrawSprite(target, source, p.kind, p.animPhase, cx, cy);
            if (table.steeredIndex == i) {
                DrawSprite(target, source, MARKER_ROW, 0, cx, cy);
            }
        }
        animCounter = animCounter + 1;
    }
}
