#include "game/hud.h"

#include <cctype>

#include "app/game_app.h"
#include "game/sprites.h"

namespace {

constexpr int FONT_Y = 960;
constexpr int DIGITS_X = 76;
constexpr int DIGIT_W = 10;
constexpr int DIGIT_H = 14;
constexpr int LETTERS_X = 176;
constexpr int LETTER_W = 13;
constexpr int LETTER_H = 15;
constexpr int SPACE_W = 10;

void BlitGlyph(const RECT& destination, const RECT& glyph) {
    RECT to = destination;
    RECT from = glyph;
    gameApp.backSurface->Blt(&to, gameApp.bitmapSurfaces[0], &from, SPRITE_BLT_FLAGS, nullptr);
}

// One line: formatted into a 256-character buffer first, like all HUD text.
template <typename... Args> void DrawHudLine(int y, const char* format, Args... args) {
    char line[256];
    wsprintfA(line, format, args...);
    DrawBitmapText(HUD_X, y, line);
}

} // namespace

void DrawBitmapText(std::int32_t x, std::int32_t y, const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        const int ch = static_cast<unsigned char>(*c);
        RECT destination;
        RECT glyph;
        if (ch == ' ') {
            x += SPACE_W;
        } else if (std::isdigit(ch)) {
            const int d = ch - '0';
            SetRect(&destination, x, y, x + DIGIT_W, y + DIGIT_H);
            SetRect(&glyph, DIGITS_X + DIGIT_W * d, FONT_Y, DIGITS_X + DIGIT_W * (d + 1),
                    FONT_Y + DIGIT_H);
            BlitGlyph(destination, glyph);
            x += DIGIT_W;
        } else if (std::isalpha(ch)) {
            // Letters are drawn one row taller than their glyphs, from one row
            // above the digits' top.
            const int k = std::tolower(ch) - 'a';
            SetRect(&destination, x, y - 1, x + LETTER_W, y + LETTER_H);
            SetRect(&glyph, LETTERS_X + LETTER_W * k, FONT_Y, LETTERS_X + LETTER_W * (k + 1),
                    FONT_Y + LETTER_H);
            BlitGlyph(destination, glyph);
            x += LETTER_W;
        }
    }
}

void DrawPlayHud(const Planet& newest) {
    const Planet& table = PlanetTable[0];
    DrawHudLine(5, "SCORE");
    DrawHudLine(85, "PLANETS");
    DrawHudLine(105, "%d", static_cast<int>(table.count));
    DrawHudLine(125, "NEW PLANET");
    DrawHudLine(145, "VELOCITY");
    DrawHudLine(165, "%d", TruncateToInt(newest.speed));
    DrawHudLine(185, "MASS");
    DrawHudLine(205, "%d", TruncateToInt(newest.mass));
    DrawHudLine(245, "%d", static_cast<int>(table.steeredIndex));
}
