#include "platform/png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace platform {
namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

// libpng reports errors by longjmp back to the setjmp here; no local of this
// function changes after it, so nothing is clobbered by the jump.
bool WriteImage(png_structp png, png_infop info, std::FILE* file, int width, int height,
                const png_color* colours, png_const_bytep* rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    png_write_rows(png, const_cast<png_bytepp>(rows), static_cast<png_uint_32>(height));
    png_write_end(png, info);
    return true;
}

} // namespace

bool WriteIndexedPng(const std::string& path, const std::uint8_t* indices, int width, int height,
                     int pitch, const PaletteColour* palette) {
    if (indices == nullptr || palette == nullptr || width <= 0 || height <= 0 || pitch < width) {
        return false;
    }
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = false;
    {
        PngWriter writer;
        writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (writer.png != nullptr) {
            writer.info = png_create_info_struct(writer.png);
        }
        std::vector<png_color> colours(256);
        for (int i = 0; i < 256; ++i) {
            colours[static_cast<std::size_t>(i)] =
                png_color{palette[i].red, palette[i].green, palette[i].blue};
        }
        std::vector<png_const_bytep> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            rows[static_cast<std::size_t>(y)] = indices + static_cast<std::ptrdiff_t>(y) * pitch;
        }
        written = writer.info != nullptr && WriteImage(writer.png, writer.info, file, width, height,
                                                       colours.data(), rows.data());
    }
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

} // namespace platform
