// Bitmaps built in memory for the GDI tests to load, and the loaders' copy
// of a bitmap onto a surface.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "winapi.h"

// A packed DIB (header, colour table, pixels) as a resource compiler stores
// it. `pixel(x, y)` gives the index of (x, y) counted from the top; rows are
// written bottom-up unless `topDown`.
template <class Pixel>
std::vector<std::uint8_t> PackedDib(int width, int height, int bitCount,
                                    const std::vector<RGBQUAD>& colours, Pixel pixel,
                                    bool topDown = false, DWORD clrUsed = 0) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = topDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biClrUsed = clrUsed;
    const int stride = ((width * bitCount + 31) / 32) * 4;
    header.biSizeImage = static_cast<DWORD>(stride * height);
    std::vector<std::uint8_t> bytes(sizeof header);
    std::memcpy(bytes.data(), &header, sizeof header);
    for (const RGBQUAD& q : colours) {
        bytes.insert(bytes.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved});
    }
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::vector<std::uint8_t> line(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (bitCount == 8) {
                line[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v);
            } else if (bitCount == 4) {
                line[static_cast<std::size_t>(x / 2)] |=
                    static_cast<std::uint8_t>(v << ((x & 1) ? 0 : 4));
            } else if (bitCount == 24) {
                line[static_cast<std::size_t>(3 * x)] = static_cast<std::uint8_t>(v >> 16); // blue
                line[static_cast<std::size_t>(3 * x + 1)] = static_cast<std::uint8_t>(v >> 8);
                line[static_cast<std::size_t>(3 * x + 2)] = static_cast<std::uint8_t>(v);
            }
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

// The display palette as a colour table: the same colours, in the same order.
inline std::vector<RGBQUAD> TableOf(const std::array<PALETTEENTRY, 256>& entries) {
    std::vector<RGBQUAD> table;
    for (const PALETTEENTRY& e : entries) {
        table.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
    }
    return table;
}

// The loaders' copy: the whole bitmap, selected into a memory context,
// stretched with StretchBlt over the whole surface.
inline BOOL StretchInto(IDirectDrawSurface* surface, HANDLE image) {
    BITMAP bitmap{};
    EXPECT_NE(GetObjectA(image, sizeof bitmap, &bitmap), 0);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_NE(memory, nullptr);
    HGDIOBJ old = SelectObject(memory, image);
    EXPECT_NE(old, nullptr);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    const BOOL copied =
        StretchBlt(dc, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                   memory, 0, 0, bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    SelectObject(memory, old);
    EXPECT_TRUE(DeleteDC(memory));
    return copied;
}
