// The artwork bitmap (a packed DIB: BITMAPINFOHEADER, 256-colour table,
// bottom-up 8-bit rows) as generated at build time and linked into the
// program. The program registers these bytes as its RT_BITMAP resource 109.
#pragma once

#include <cstddef>

const unsigned char* ArtworkDibData();
std::size_t ArtworkDibSize();
