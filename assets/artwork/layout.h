// Where everything lives in the 640 x 1440 artwork bitmap: the three bands,
// every sprite cell the game cuts out, and the font strip.
#pragma once

#include <array>

namespace artwork {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 1440;
constexpr int BACKGROUND_TOP = 480;
constexpr int BACKGROUND_HEIGHT = 480;
constexpr int SPRITE_TOP = 960;

constexpr int TRANSPARENT_INDEX = 255;
constexpr int CLEAR_INDEX = 246;
// Palette entries 10 to 245 are ours; the rest are the fixed system colours.
constexpr int FIRST_FREE_INDEX = 10;
constexpr int LAST_FREE_INDEX = 245;

struct Cell {
    int x, y, w, h;
};

// The game's sprite table: six rows (four planet kinds, the sun, the steering
// marker), four animation frames each.
constexpr int SPRITE_ROWS = 6;
constexpr int SPRITE_FRAMES = 4;
constexpr int SUN_ROW = 4;
constexpr int MARKER_ROW = 5;
constexpr std::array<std::array<Cell, SPRITE_FRAMES>, SPRITE_ROWS> SPRITE_CELLS = {{
    {{{0, 960, 8, 8}, {0, 968, 8, 8}, {0, 976, 8, 8}, {0, 984, 8, 8}}},
    {{{32, 960, 10, 10}, {32, 970, 10, 10}, {32, 980, 10, 10}, {32, 990, 10, 10}}},
    {{{8, 960, 11, 10}, {8, 970, 11, 10}, {8, 980, 11, 10}, {8, 990, 11, 10}}},
    {{{19, 960, 13, 11}, {19, 971, 13, 11}, {19, 982, 13, 11}, {19, 993, 13, 11}}},
    {{{42, 960, 33, 30}, {42, 990, 33, 30}, {42, 1020, 33, 30}, {42, 1050, 33, 30}}},
    {{{75, 975, 23, 23}, {75, 998, 23, 23}, {75, 975, 23, 23}, {75, 998, 23, 23}}},
}};

// The HUD's bitmap font: digits 0-9 then letters A-Z, side by side in one strip.
constexpr int DIGIT_X = 76;
constexpr int DIGIT_W = 10;
constexpr int DIGIT_H = 14;
constexpr int LETTER_X = 176;
constexpr int LETTER_W = 13;
constexpr int LETTER_H = 15;
constexpr int FONT_Y = 960;

constexpr Cell DigitCell(int digit) {
    return {DIGIT_X + DIGIT_W * digit, FONT_Y, DIGIT_W, DIGIT_H};
}
constexpr Cell LetterCell(int letter) {
    return {LETTER_X + LETTER_W * letter, FONT_Y, LETTER_W, LETTER_H};
}

// Screen regions the background keeps calm so that what is drawn over it reads.
constexpr int HUD_X = 500;

} // namespace artwork
