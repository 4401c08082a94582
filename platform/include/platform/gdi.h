// What tests and tools may ask of GDI beyond the calls a Windows program
// makes: the font a device context draws with, as realised on this machine.
#pragma once

#include <string>

#include "winapi/types.h"

namespace platform {

struct FontInUse {
    std::string family; // UTF-8; empty for a bad context
    int height = 0;     // ascent plus descent
    int ascent = 0;
    int descent = 0;
    int averageWidth = 0;
    int weight = 0;
};
FontInUse FontOf(HDC dc);

} // namespace platform
