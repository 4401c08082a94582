#include "assets/artwork/bitmap_io.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <png.h>

#include "assets/binary_output.h"

namespace artwork {

using assets::Put16;
using assets::Put32;

std::vector<std::uint8_t> PackedDib(const IndexedImage& image, const Palette& palette) {
    const std::uint32_t stride = (std::uint32_t(image.width) + 3) & ~3u;
    const std::uint32_t imageBytes = stride * std::uint32_t(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(40 + 1024 + imageBytes);
    Put32(out, 40);                          // biSize
    Put32(out, std::uint32_t(image.width));  // biWidth
    Put32(out, std::uint32_t(image.height)); // biHeight: positive, bottom-up
    Put16(out, 1);                           // biPlanes
    Put16(out, 8);                           // biBitCount
    Put32(out, 0);                           // biCompression: BI_RGB
    Put32(out, imageBytes);                  // biSizeImage
    Put32(out, 0);                           // biXPelsPerMeter
    Put32(out, 0);                           // biYPelsPerMeter
    Put32(out, 256);                         // biClrUsed
    Put32(out, 256);                         // biClrImportant
    for (const PaletteEntry& e : palette) {  // RGBQUAD: blue, green, red, reserved
        out.push_back(e.b);
        out.push_back(e.g);
        out.push_back(e.r);
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t* row = &image.pixels[std::size_t(y) * image.width];
        out.insert(out.end(), row, row + image.width);
        out.resize(out.size() + (stride - std::uint32_t(image.width)), 0);
    }
    return out;
}

std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& packedDib) {
    const std::uint32_t headerBytes = 14;
    const std::uint32_t pixelOffset = headerBytes + 40 + 1024;
    std::vector<std::uint8_t> out;
    out.reserve(headerBytes + packedDib.size());
    out.push_back('B');
    out.push_back('M');
    Put32(out, headerBytes + std::uint32_t(packedDib.size())); // bfSize
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, pixelOffset); // bfOffBits
    out.insert(out.end(), packedDib.begin(), packedDib.end());
    return out;
}

void WritePng(const std::string& path, const IndexedImage& image, const Palette& palette, int scale,
              int transparent) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng could not start");
    }
    std::vector<png_byte> row(std::size_t(image.width) * scale);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed writing " + path);
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, png_uint_32(image.width * scale), png_uint_32(image.height * scale), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    png_byte alpha[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {palette[i].r, palette[i].g, palette[i].b};
        alpha[i] = i == transparent ? 0 : 255;
    }
    png_set_PLTE(png, info, colours, 256);
    png_set_tRNS(png, info, alpha, 256, nullptr);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            for (int s = 0; s < scale; ++s)
                row[std::size_t(x) * scale + s] = image.pixels[std::size_t(y) * image.width + x];
        for (int s = 0; s < scale; ++s)
            png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

} // namespace artwork
