#include "gdi/dib_decode.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform::gdi {
namespace {

// biCompression values besides BI_RGB that Windows reads.
constexpr DWORD kRle8 = 1;
constexpr DWORD kRle4 = 2;
constexpr DWORD kBitFields = 3;

constexpr int kLargestSide = 32768;
constexpr std::uint64_t kMaskBytes = 12;

template <class T> T ReadAt(const std::uint8_t* data, std::size_t offset) {
    T value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

bool KnownHeaderSize(DWORD size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool PlausibleSize(const BITMAPINFOHEADER& header) {
    return header.biWidth > 0 && header.biWidth <= kLargestSide && header.biHeight != 0 &&
           header.biHeight <= kLargestSide && header.biHeight >= -kLargestSide;
}

// Whether the bit depth and the compression go together. Run-length encoded
// rows are always stored bottom-up.
bool KnownLayout(const BITMAPINFOHEADER& header) {
    const int bits = header.biBitCount;
    switch (header.biCompression) {
    case BI_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kRle8:
        return bits == 8 && header.biHeight > 0;
    case kRle4:
        return bits == 4 && header.biHeight > 0;
    case kBitFields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

// A colour mask picks one run of bits inside the pixel.
bool UsableMask(DWORD mask, int bitCount) {
    if (mask == 0 || (bitCount < 32 && (mask >> bitCount) != 0)) {
        return false;
    }
    const DWORD low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

// The red, green and blue bits of a 16- or 32-bit pixel: the header's masks
// (inside it from 52 bytes on, right after a 40-byte one), or the fixed
// layouts of plain rows, 5-5-5 and 8-8-8.
bool ReadMasks(const std::uint8_t* data, const BITMAPINFOHEADER& header, DibBitmap& bitmap) {
    if (header.biCompression != kBitFields) {
        bitmap.masks = header.biBitCount == 16 ? std::array<DWORD, 3>{0x7C00, 0x03E0, 0x001F}
                                               : std::array<DWORD, 3>{0xFF0000, 0xFF00, 0xFF};
        return true;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        bitmap.masks[i] = ReadAt<DWORD>(data, 40 + 4 * i);
        if (!UsableMask(bitmap.masks[i], bitmap.bitCount)) {
            return false;
        }
    }
    return true;
}

void CopyPlainRows(const std::uint8_t* pixels, bool topDown, DibBitmap& bitmap) {
    if (!topDown) {
        std::memcpy(bitmap.bits.data(), pixels, bitmap.bits.size());
        return;
    }
    // Top-down rows are kept bottom-up, as every DIB section here is.
    const std::size_t stride = static_cast<std::size_t>(bitmap.stride);
    for (int y = 0; y < bitmap.height; ++y) {
        std::memcpy(bitmap.Row(y), pixels + static_cast<std::size_t>(y) * stride, stride);
    }
}

// Where the next pixel of a run-length encoded bitmap goes.
class RleCursor {
public:
    explicit RleCursor(DibBitmap& bitmap) : bitmap(bitmap) {}

    // Pixels past the end of a row are dropped: encoders fill each row out
    // to its padded width. A pixel above the top row is damage.
    bool Put(unsigned index) {
        if (row >= static_cast<std::uint64_t>(bitmap.height)) {
            return false;
        }
        if (x < static_cast<std::uint64_t>(bitmap.width)) {
            std::uint8_t* line =
                bitmap.bits.data() + row * static_cast<std::uint64_t>(bitmap.stride);
            if (bitmap.bitCount == 8) {
                line[x] = static_cast<std::uint8_t>(index);
            } else {
                const unsigned shift = x % 2 == 0 ? 4 : 0;
                line[x / 2] =
                    static_cast<std::uint8_t>((line[x / 2] & ~(0xFu << shift)) | (index << shift));
            }
        }
        ++x;
        return true;
    }
    void EndLine() {
        x = 0;
        ++row;
    }
    void Move(unsigned right, unsigned up) {
        x += right;
        row += up;
    }

private:
    DibBitmap& bitmap;
    std::uint64_t x = 0;
    std::uint64_t row = 0; // counted from the bottom, as stored
};

unsigned Nibble(std::uint8_t byte, unsigned position) {
    return position % 2 == 0 ? byte >> 4 : byte & 0xFu;
}

// Run-length encoded rows of 8- or 4-bit indices, bottom-up. Each code is
// two bytes: a count and an index (with 4 bits, two indices taking turns),
// or 0 and an escape: 0 ends the line, 1 the bitmap, 2 moves right and up by
// the next two bytes, and 3 or more gives that many indices as they are,
// padded to a 16-bit boundary. Pixels the stream never reaches keep index 0.
// A stream that ends before its end-of-bitmap code is damaged.
bool DecodeRle(const std::uint8_t* stream, std::size_t length, DibBitmap& bitmap) {
    const bool nibbles = bitmap.bitCount == 4;
    RleCursor cursor(bitmap);
    std::size_t at = 0;
    while (length - at >= 2) {
        const unsigned count = stream[at];
        const std::uint8_t value = stream[at + 1];
        at += 2;
        if (count != 0) {
            for (unsigned i = 0; i < count; ++i) {
                if (!cursor.Put(nibbles ? Nibble(value, i) : value)) {
                    return false;
                }
            }
        } else if (value == 0) {
            cursor.EndLine();
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (length - at < 2) {
                return false;
            }
            cursor.Move(stream[at], stream[at + 1]);
            at += 2;
        } else {
            const std::size_t bytes = nibbles ? (value + 1u) / 2 : value;
            if (length - at < bytes) {
                return false;
            }
            for (unsigned i = 0; i < value; ++i) {
                if (!cursor.Put(nibbles ? Nibble(stream[at + i / 2], i) : stream[at + i])) {
                    return false;
                }
            }
            at += std::min(bytes + bytes % 2, length - at);
        }
    }
    return false;
}

} // namespace

std::optional<DibBitmap> ParsePackedDib(const std::uint8_t* data, std::size_t size,
                                        std::optional<std::uint64_t> pixelOffset) {
    if (size < sizeof(BITMAPINFOHEADER)) {
        return std::nullopt;
    }
    const auto header = ReadAt<BITMAPINFOHEADER>(data, 0);
    if (!KnownHeaderSize(header.biSize) || !PlausibleSize(header) || header.biPlanes != 1 ||
        !KnownLayout(header) || header.biClrUsed > 65536) {
        return std::nullopt;
    }
    const int bitCount = header.biBitCount;
    const bool masksFollowHeader = header.biCompression == kBitFields && header.biSize == 40;
    const std::uint64_t tableStart = header.biSize + (masksFollowHeader ? kMaskBytes : 0);
    const std::uint64_t tableEntries =
        header.biClrUsed != 0 ? header.biClrUsed : (bitCount <= 8 ? (1u << bitCount) : 0u);
    const std::uint64_t tableEnd = tableStart + tableEntries * 4;
    const std::uint64_t pixelsAt = pixelOffset ? *pixelOffset : tableEnd;
    if (tableEnd > size || pixelsAt < header.biSize || pixelsAt > size) {
        return std::nullopt;
    }

    DibBitmap bitmap;
    bitmap.width = header.biWidth;
    bitmap.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    bitmap.bitCount = bitCount;
    const std::uint64_t stride =
        ((static_cast<std::uint64_t>(bitmap.width) * bitCount + 31) / 32) * 4;
    const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(bitmap.height);
    if (pixelBytes > kLargestPixelBytes) {
        return std::nullopt;
    }
    const bool runLengths = header.biCompression == kRle8 || header.biCompression == kRle4;
    const std::size_t available = size - static_cast<std::size_t>(pixelsAt);
    if (!runLengths && available < pixelBytes) {
        return std::nullopt;
    }
    bitmap.stride = static_cast<int>(stride);
    if (bitCount <= 8) {
        const std::size_t entries = std::size_t{1} << bitCount;
        bitmap.colourCount = static_cast<DWORD>(std::min<std::uint64_t>(tableEntries, entries));
        bitmap.colours.assign(entries, RGBQUAD{0, 0, 0, 0});
        for (std::size_t i = 0; i < bitmap.colourCount; ++i) {
            bitmap.colours[i] = ReadAt<RGBQUAD>(data, tableStart + i * 4);
        }
    } else if (bitCount != 24 && !ReadMasks(data, header, bitmap)) {
        return std::nullopt;
    }

    bitmap.bits.assign(static_cast<std::size_t>(pixelBytes), 0);
    const std::uint8_t* pixels = data + pixelsAt;
    if (!runLengths) {
        CopyPlainRows(pixels, header.biHeight < 0, bitmap);
    } else if (!DecodeRle(pixels, available, bitmap)) {
        return std::nullopt;
    }
    return bitmap;
}

} // namespace platform::gdi
