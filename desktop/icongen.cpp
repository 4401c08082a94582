// Makes the desktop icon from the game's own artwork: a patch of the
// deep-space background with the sun in the middle and two planets on their
// way round it, cut from the 8-bit artwork bitmap and written as a PNG at
// a whole-number scale (nearest neighbour, as the game is drawn).
//
//   quorvane_icongen <artwork.bmp> <icon.png> <size>   (size: 64, 128, 256, ...)
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kIconPixels = 64; // the icon's own resolution, before scaling
constexpr int kTransparent = 255;

struct Artwork {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices; // top row first
    std::uint8_t palette[256][3] = {};

    int At(int x, int y) const {
        return indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    }
};

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

bool ReadArtwork(const char* path, Artwork& art, std::string& error) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        error = "cannot open the artwork";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    if (bytes.size() < 54 + 1024 || bytes[0] != 'B' || bytes[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    const std::uint32_t pixelsAt = Little(bytes, 10, 4);
    const std::uint32_t headerSize = Little(bytes, 14, 4);
    art.width = static_cast<int>(Little(bytes, 18, 4));
    const auto rawHeight = static_cast<std::int32_t>(Little(bytes, 22, 4));
    const bool bottomUp = rawHeight > 0;
    art.height = bottomUp ? rawHeight : -rawHeight;
    if (Little(bytes, 28, 2) != 8 || Little(bytes, 30, 4) != 0 || art.width < kIconPixels ||
        art.height < 1000 || art.width > 4096 || art.height > 4096) {
        error = "not the game's uncompressed 8-bit artwork";
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(art.width) + 3) & ~std::size_t{3};
    if (14 + headerSize + 1024 > bytes.size() ||
        pixelsAt + stride * static_cast<std::size_t>(art.height) > bytes.size()) {
        error = "the artwork is cut short";
        return false;
    }
    for (int i = 0; i < 256; ++i) {
        const std::size_t entry = 14 + headerSize + static_cast<std::size_t>(i) * 4;
        art.palette[i][0] = bytes[entry + 2];
        art.palette[i][1] = bytes[entry + 1];
        art.palette[i][2] = bytes[entry];
    }
    art.indices.resize(static_cast<std::size_t>(art.width) * static_cast<std::size_t>(art.height));
    for (int y = 0; y < art.height; ++y) {
        const int row = bottomUp ? art.height - 1 - y : y;
        for (int x = 0; x < art.width; ++x) {
            art.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(art.width) +
                        static_cast<std::size_t>(x)] =
                bytes[pixelsAt + static_cast<std::size_t>(row) * stride +
                      static_cast<std::size_t>(x)];
        }
    }
    return true;
}

struct Cut {
    int x, y, w, h; // in the artwork
};

// Copies `from` onto the icon with its top-left corner at (left, top),
// leaving the artwork's transparent colour out.
void Stamp(const Artwork& art, const Cut& from, int left, int top, std::vector<int>& icon) {
    for (int y = 0; y < from.h; ++y) {
        for (int x = 0; x < from.w; ++x) {
            const int index = art.At(from.x + x, from.y + y);
            const int ix = left + x;
            const int iy = top + y;
            if (index != kTransparent && ix >= 0 && iy >= 0 && ix < kIconPixels &&
                iy < kIconPixels) {
                icon[static_cast<std::size_t>(iy * kIconPixels + ix)] = index;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: quorvane_icongen <artwork.bmp> <icon.png> <size>\n");
        return 2;
    }
    const int size = std::atoi(argv[3]);
    if (size < kIconPixels || size % kIconPixels != 0 || size > 1024) {
        std::fprintf(stderr, "quorvane_icongen: the size must be a multiple of %d\n", kIconPixels);
        return 2;
    }
    Artwork art;
    std::string error;
    if (!ReadArtwork(argv[1], art, error)) {
        std::fprintf(stderr, "quorvane_icongen: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    // A patch of sky from the background (screen rows start at artwork row
    // 480), then the sun's first frame, a pink and an orange planet.
    std::vector<int> icon(kIconPixels * kIconPixels, 0);
    Stamp(art, Cut{150, 480 + 300, kIconPixels, kIconPixels}, 0, 0, icon);
    Stamp(art, Cut{42, 960, 33, 30}, 16, 17, icon);
    Stamp(art, Cut{8, 960, 11, 10}, 5, 45, icon);
    Stamp(art, Cut{19, 960, 13, 11}, 46, 7, icon);

    const int scale = size / kIconPixels;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) *
                                  3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int index = icon[static_cast<std::size_t>((y / scale) * kIconPixels + x / scale)];
            for (int c = 0; c < 3; ++c) {
                rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                     static_cast<std::size_t>(x)) *
                        3 +
                    static_cast<std::size_t>(c)] = art.palette[index][c];
            }
        }
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(size);
    png.height = static_cast<png_uint_32>(size);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, argv[2], 0, rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "quorvane_icongen: cannot write %s: %s\n", argv[2], png.message);
        return 1;
    }
    return 0;
}
