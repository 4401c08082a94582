// Reads a PNG picture back as 8-bit RGB, for tests that check what was written.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <string>
#include <vector>

struct PngPicture {
    unsigned width = 0;
    unsigned height = 0;
    bool colourMapped = false;
    std::vector<png_byte> rgb; // empty when the file could not be read

    std::array<int, 3> Colour(unsigned x, unsigned y) const {
        const std::size_t at = 3 * (static_cast<std::size_t>(y) * width + x);
        return {rgb.at(at), rgb.at(at + 1), rgb.at(at + 2)};
    }
};

inline PngPicture ReadPng(const std::string& path) {
    PngPicture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path;
        return picture;
    }
    picture.width = image.width;
    picture.height = image.height;
    picture.colourMapped = (image.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path;
        picture.rgb.clear();
    }
    return picture;
}
