// Bitmaps built in memory for the tests to load (packed DIBs as a resource
// compiler stores them, BMP files), and the loaders' copy of a bitmap onto a
// surface.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/video.h"
#include "winapi.h"

using Bytes = std::vector<std::uint8_t>;

// `pixel(x, y)` gives the index (or, at 24 bits, the 0x00BBGGRR colour) of
// (x, y) counted from the top; rows are written bottom-up.
template <class Pixel>
Bytes PackedDib(int width, int height, int bitCount, const std::vector<RGBQUAD>& colours,
                Pixel pixel, DWORD clrUsed = 0) {
    const int stride = ((width * bitCount + 31) / 32) * 4;
    const BITMAPINFOHEADER header{
        40, width, height, 1, WORD(bitCount), BI_RGB, DWORD(stride * height), 0, 0, clrUsed, 0};
    Bytes bytes(sizeof header + 4 * colours.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(colours.data()), 4 * colours.size(),
                bytes.data() + sizeof header);
    for (int y = height - 1; y >= 0; --y) {
        Bytes line(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (bitCount == 8) {
                line[x] = static_cast<std::uint8_t>(v);
            } else if (bitCount == 4) {
                line[x / 2] |= static_cast<std::uint8_t>(v << ((x & 1) ? 0 : 4));
            } else if (bitCount == 24) {
                std::memcpy(&line[3 * x], &v, 3); // red, green, blue as 0x00BBGGRR stores them
                std::swap(line[3 * x], line[3 * x + 2]);
            }
        }
        bytes.insert(bytes.end(), line.begin(), line.end());
    }
    return bytes;
}

// The same bitmap as a file: the 14-byte file header in front.
inline Bytes BmpFile(const Bytes& packed) {
    BITMAPINFOHEADER info;
    std::memcpy(&info, packed.data(), sizeof info);
    const DWORD colours = info.biClrUsed != 0    ? info.biClrUsed
                          : info.biBitCount <= 8 ? 1u << info.biBitCount
                                                 : 0;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(sizeof file + packed.size());
    file.bfOffBits = static_cast<DWORD>(sizeof file + info.biSize + 4 * colours);
    Bytes bytes(sizeof file + packed.size());
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, packed.data(), packed.size());
    return bytes;
}

// A scratch file of this process holding `bytes`; removed with the object.
struct ScratchFile {
    explicit ScratchFile(const Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    ~ScratchFile() { std::filesystem::remove(path); }

    const std::string path = std::filesystem::temp_directory_path() /
                             ("qv_bitmap_" + std::to_string(::getpid()) + ".bmp");
};

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
    GetObjectA(image, sizeof bitmap, &bitmap);
    const platform::SurfacePixels size = platform::PixelsOf(surface);
    HDC memory = CreateCompatibleDC(nullptr), dc = nullptr;
    HGDIOBJ old = SelectObject(memory, image);
    EXPECT_EQ(surface->GetDC(&dc), DD_OK);
    const BOOL copied = StretchBlt(dc, 0, 0, size.width, size.height, memory, 0, 0, bitmap.bmWidth,
                                   bitmap.bmHeight, SRCCOPY);
    surface->ReleaseDC(dc);
    SelectObject(memory, old);
    DeleteDC(memory);
    return copied;
}
