// Decoding device-independent bitmaps as Windows stores them, in resources
// and in BMP files, into the plain bottom-up rows GDI keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "gdi/objects.h"

namespace platform::gdi {

// Bitmaps larger than this are refused, whatever their file says.
inline constexpr std::uint64_t kLargestPixelBytes = 256u * 1024u * 1024u;

// A packed DIB: an info header of any of Windows' sizes (40, 52, 56, 108,
// 124), colour masks or colour table, pixels. The pixels start `pixelOffset`
// bytes after the header when given (a file says where), else right after
// the table. Nothing outside the `size` bytes is read; damaged input gives
// no bitmap.
std::optional<DibBitmap> ParsePackedDib(const std::uint8_t* data, std::size_t size,
                                        std::optional<std::uint64_t> pixelOffset);

} // namespace platform::gdi
