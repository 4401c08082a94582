// Bitmaps: DIBs from the resource table or from BMP files, their description,
// and StretchBlt between device contexts.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "gdi/colour.h"
#include "gdi/dib_decode.h"
#include "gdi/objects.h"
#include "gdi/resource_table.h"
#include "platform/faults.h"

namespace platform::gdi {
namespace {

constexpr long kLargestFile = 512L * 1024L * 1024L;

std::optional<DibBitmap> ReadBmpFile(const char* name) {
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        length = std::ftell(file);
    }
    if (length > 0 && length <= kLargestFile && std::fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(static_cast<std::size_t>(length));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            bytes.clear();
        }
    }
    std::fclose(file);
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) {
        return std::nullopt;
    }
    BITMAPFILEHEADER fileHeader;
    std::memcpy(&fileHeader, bytes.data(), sizeof fileHeader);
    if (fileHeader.bfType != 0x4D42 || fileHeader.bfOffBits < sizeof(BITMAPFILEHEADER)) {
        return std::nullopt;
    }
    return ParsePackedDib(bytes.data() + sizeof fileHeader, bytes.size() - sizeof fileHeader,
                          fileHeader.bfOffBits - sizeof(BITMAPFILEHEADER));
}

// The colour of pixel (x, y) counted from the top.
struct PixelColour {
    std::uint8_t red, green, blue;
};

std::uint32_t SampleIndex(const DibBitmap& b, int x, int y) {
    const std::uint8_t* row = b.Row(y);
    switch (b.bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
    case 8:
        return row[x];
    default:
        return 0;
    }
}

// One channel of a 16- or 32-bit pixel, widened (or narrowed) to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, DWORD mask) {
    const int shift = std::countr_zero(mask);
    const std::uint64_t largest = mask >> shift;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((value * 255 + largest / 2) / largest);
}

PixelColour SampleColour(const DibBitmap& b, int x, int y) {
    if (b.bitCount <= 8) {
        const RGBQUAD& q = b.colours[SampleIndex(b, x, y)];
        return PixelColour{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    const std::uint8_t* p = b.Row(y) + static_cast<std::size_t>(x) * (b.bitCount / 8);
    if (b.bitCount == 24) {
        return PixelColour{p[2], p[1], p[0]};
    }
    std::uint32_t pixel = p[0] | (std::uint32_t{p[1]} << 8);
    if (b.bitCount == 32) {
        pixel |= (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    }
    return PixelColour{Channel(pixel, b.masks[0]), Channel(pixel, b.masks[1]),
                       Channel(pixel, b.masks[2])};
}

DibBitmap Scaled(const DibBitmap& source, int width, int height) {
    DibBitmap out;
    out.width = width;
    out.height = height;
    out.bitCount = source.bitCount;
    out.colourCount = source.colourCount;
    out.colours = source.colours;
    out.masks = source.masks;
    out.stride =
        static_cast<int>(((static_cast<std::uint64_t>(width) * out.bitCount + 31) / 32) * 4);
    out.bits.assign(static_cast<std::size_t>(out.stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<std::int64_t>(y) * source.height / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<std::int64_t>(x) * source.width / width);
            std::uint8_t* row = out.Row(y);
            switch (out.bitCount) {
            case 1:
                if (SampleIndex(source, sx, sy)) {
                    row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
                }
                break;
            case 4:
                row[x >> 1] |=
                    static_cast<std::uint8_t>(SampleIndex(source, sx, sy) << ((x & 1) ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(SampleIndex(source, sx, sy));
                break;
            default: {
                const int bytes = out.bitCount / 8;
                std::memcpy(row + static_cast<std::size_t>(x) * bytes,
                            source.Row(sy) + static_cast<std::size_t>(sx) * bytes,
                            static_cast<std::size_t>(bytes));
            }
            }
        }
    }
    return out;
}

// Where StretchBlt reads: a DIB, or the indices of a surface with its colours.
struct Source {
    const DibBitmap* bitmap = nullptr;
    PixelView view;
    const PaletteColour* colours = nullptr;
    int width = 0;
    int height = 0;
};

bool SourceOf(DeviceContext& dc, Source& source) {
    if (dc.surface != nullptr) {
        source.view = dc.surface->Pixels();
        source.colours = dc.surface->Colours();
        source.width = source.view.width;
        source.height = source.view.height;
        return true;
    }
    const DibBitmap* bitmap = dc.memory ? FindBitmap(dc.bitmap) : nullptr;
    if (bitmap == nullptr) {
        return false;
    }
    source.bitmap = bitmap;
    source.width = bitmap->width;
    source.height = bitmap->height;
    return true;
}

bool AgreesOnUsedColours(const PaletteColour* colours, int used, const PaletteColour* dest) {
    for (int i = 0; i < used; ++i) {
        if (colours[i].red != dest[i].red || colours[i].green != dest[i].green ||
            colours[i].blue != dest[i].blue) {
            return false;
        }
    }
    return true;
}

// For sources of palette indices: the destination index of each source
// index. When the source's colours agree with the destination's palette,
// either as it shows now or as it was made (a fade in progress changes the
// former only), the indices are copied as they are (a palette that repeats a
// colour keeps each pixel's own index); otherwise each colour takes its
// nearest entry.
void BuildIndexMap(const Source& source, const PaletteColour* dest, const PaletteColour* created,
                   std::uint8_t (&map)[256]) {
    PaletteColour colours[256];
    int used = 256;
    if (source.bitmap != nullptr) {
        used = static_cast<int>(source.bitmap->colours.size());
        for (int i = 0; i < used; ++i) {
            const RGBQUAD& q = source.bitmap->colours[static_cast<std::size_t>(i)];
            colours[i] = PaletteColour{q.rgbRed, q.rgbGreen, q.rgbBlue};
        }
        used =
            std::min<int>(used, static_cast<int>(std::max<DWORD>(source.bitmap->colourCount, 1)));
    } else {
        std::memcpy(colours, source.colours, sizeof colours);
    }
    const bool same =
        AgreesOnUsedColours(colours, used, dest) || AgreesOnUsedColours(colours, used, created);
    const int count =
        source.bitmap != nullptr ? static_cast<int>(source.bitmap->colours.size()) : 256;
    for (int i = 0; i < 256; ++i) {
        if (same) {
            map[i] = static_cast<std::uint8_t>(i);
        } else if (i < count) {
            map[i] = NearestIndex(dest, colours[i].red, colours[i].green, colours[i].blue);
        } else {
            map[i] = 0;
        }
    }
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;
using platform::PaletteColour;

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height,
                         UINT flags) {
    (void)instance; // resources come from the executable's own table
    if (platform::TakeFault("LoadImageA") || name == nullptr || type != IMAGE_BITMAP || width < 0 ||
        height < 0 || width > 32768 || height > 32768) {
        return nullptr;
    }
    std::optional<DibBitmap> bitmap;
    if (flags & LR_LOADFROMFILE) {
        if (IS_INTRESOURCE(name)) {
            return nullptr;
        }
        bitmap = ReadBmpFile(name);
    } else {
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        if (platform::LookupResource(RT_BITMAP, name, data, size)) {
            bitmap = ParsePackedDib(data, size, std::nullopt);
        }
    }
    if (!bitmap) {
        return nullptr;
    }
    if ((width != 0 && width != bitmap->width) || (height != 0 && height != bitmap->height)) {
        const std::uint64_t wanted =
            static_cast<std::uint64_t>(width != 0 ? width : bitmap->width) *
            (height != 0 ? height : bitmap->height) * bitmap->bitCount / 8;
        if (wanted > kLargestPixelBytes) {
            return nullptr;
        }
        *bitmap = Scaled(*bitmap, width != 0 ? width : bitmap->width,
                         height != 0 ? height : bitmap->height);
    }
    return AddBitmap(std::move(*bitmap));
}

int WINAPI GetObjectA(HANDLE object, int size, LPVOID out) {
    DibBitmap* bitmap = FindBitmap(object);
    if (bitmap == nullptr || size < 0) {
        return 0;
    }
    BITMAP description{};
    description.bmType = 0;
    description.bmWidth = bitmap->width;
    description.bmHeight = bitmap->height;
    description.bmWidthBytes = bitmap->stride;
    description.bmPlanes = 1;
    description.bmBitsPixel = static_cast<WORD>(bitmap->bitCount);
    description.bmBits = bitmap->bits.data();
    if (out == nullptr) {
        return static_cast<int>(sizeof(BITMAP));
    }
    if (static_cast<std::size_t>(size) >= sizeof(DIBSECTION)) {
        DIBSECTION section{};
        section.dsBm = description;
        section.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        section.dsBmih.biWidth = bitmap->width;
        section.dsBmih.biHeight = bitmap->height;
        section.dsBmih.biPlanes = 1;
        section.dsBmih.biBitCount = static_cast<WORD>(bitmap->bitCount);
        section.dsBmih.biCompression = BI_RGB;
        section.dsBmih.biSizeImage = static_cast<DWORD>(bitmap->bits.size());
        section.dsBmih.biClrUsed = bitmap->colourCount;
        std::memcpy(out, &section, sizeof section);
        return static_cast<int>(sizeof section);
    }
    // Callers that pass the 32-bit size of BITMAP (24 bytes) get every field
    // up to the pixel address.
    const std::size_t copied = std::min(static_cast<std::size_t>(size), sizeof description);
    std::memcpy(out, &description, copied);
    return static_cast<int>(copied);
}

BOOL WINAPI StretchBlt(HDC destHandle, int destX, int destY, int destWidth, int destHeight,
                       HDC sourceHandle, int sourceX, int sourceY, int sourceWidth,
                       int sourceHeight, DWORD rop) {
    if (platform::TakeFault("StretchBlt")) {
        return FALSE;
    }
    DeviceContext* destDC = FindDC(destHandle);
    DeviceContext* sourceDC = FindDC(sourceHandle);
    // SRCCOPY is the one raster operation; mirrored copies (negative sizes)
    // are not offered.
    if (destDC == nullptr || sourceDC == nullptr || rop != SRCCOPY || destWidth <= 0 ||
        destHeight <= 0 || sourceWidth <= 0 || sourceHeight <= 0) {
        return FALSE;
    }
    PixelView dest;
    const PaletteColour* destColours = nullptr;
    static thread_local std::vector<PaletteColour> scratchColours;
    Source source;
    if (!DrawingSurfaceOf(*destDC, dest, destColours, scratchColours) ||
        !SourceOf(*sourceDC, source)) {
        return FALSE;
    }
    const bool indexed = source.bitmap == nullptr || source.bitmap->bitCount <= 8;
    std::uint8_t map[256];
    if (indexed) {
        const PaletteColour* created =
            destDC->surface != nullptr ? destDC->surface->CreatedColours() : destColours;
        BuildIndexMap(source, destColours, created, map);
    }
    PixelColour lastColour{0, 0, 0};
    std::uint8_t lastIndex = NearestIndex(destColours, 0, 0, 0);

    const int y0 = std::max(destY, 0);
    const int y1 =
        static_cast<int>(std::min<std::int64_t>(std::int64_t{destY} + destHeight, dest.height));
    const int x0 = std::max(destX, 0);
    const int x1 =
        static_cast<int>(std::min<std::int64_t>(std::int64_t{destX} + destWidth, dest.width));
    for (int y = y0; y < y1; ++y) {
        const std::int64_t sy = sourceY + (std::int64_t{y} - destY) * sourceHeight / destHeight;
        if (sy < 0 || sy >= source.height) {
            continue;
        }
        std::uint8_t* row = dest.Row(y);
        for (int x = x0; x < x1; ++x) {
            const std::int64_t sx = sourceX + (std::int64_t{x} - destX) * sourceWidth / destWidth;
            if (sx < 0 || sx >= source.width) {
                continue;
            }
            const int px = static_cast<int>(sx), py = static_cast<int>(sy);
            if (source.bitmap == nullptr) {
                row[x] = map[source.view.Row(py)[px]];
            } else if (indexed) {
                row[x] = map[SampleIndex(*source.bitmap, px, py)];
            } else {
                const PixelColour c = SampleColour(*source.bitmap, px, py);
                if (c.red != lastColour.red || c.green != lastColour.green ||
                    c.blue != lastColour.blue) {
                    lastColour = c;
                    lastIndex = NearestIndex(destColours, c.red, c.green, c.blue);
                }
                row[x] = lastIndex;
            }
        }
    }
    return TRUE;
}
