// The executable's resource table. A Windows program carries its resources
// inside the executable; here the build links the bytes in and registers
// them before the program asks for them (FindResourceA, LoadResource,
// LockResource, SizeofResource, LoadImageA).
#pragma once

#include <cstddef>

#include "winapi/types.h"

namespace platform {

// Adds (or replaces) a resource. `type` and `name` are strings or integer
// identifiers in MAKEINTRESOURCE form (RT_BITMAP is type 2); string names
// compare without regard to case, and "#109" names identifier 109. The bytes
// are copied. An RT_BITMAP resource holds a packed DIB: BITMAPINFOHEADER,
// colour table, pixels, as a resource compiler stores it.
void RegisterResource(LPCSTR type, LPCSTR name, const void* data, std::size_t size);
void RegisterResource(LPCSTR type, int id, const void* data, std::size_t size);

// Empties the table (for tests).
void ClearResources();

} // namespace platform
