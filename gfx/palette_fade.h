// The twenty fixed colours of the palette: entries 0 to 9 and 246 to 255,
// which no fade ever steps. The fades that start from black or white write
// them into their working palette as they begin.
#pragma once

#include "winapi.h"

inline constexpr int FIRST_FREE_ENTRY = 10;
inline constexpr int LAST_FREE_ENTRY = 245;

constexpr bool IsStaticEntry(int index) {
    return index < FIRST_FREE_ENTRY || index > LAST_FREE_ENTRY;
}

// The fixed colour of a static entry (index 0..9 or 246..255).
PALETTEENTRY StaticColour(int index);
