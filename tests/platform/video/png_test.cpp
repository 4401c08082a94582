// Frames written as indexed PNG pictures read back with their colours.
#include <filesystem>
#include <string>
#include <vector>

#include "../png_readback.h"
#include "display_fixture.h"
#include "platform/png.h"

namespace {

TEST(PngFrames, AFrameReadsBackWithTheColoursOfItsPalette) {
    std::vector<platform::PaletteColour> palette(256);
    for (int i = 0; i < 256; ++i) {
        palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                static_cast<std::uint8_t>(255 - i), 7};
    }
    // 3 x 2 pixels in rows of 4 bytes; the padding byte must not show.
    const std::uint8_t indices[] = {0, 10, 200, 99, 255, 1, 2, 99};
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("qv_frame_" + std::to_string(::getpid()) + ".png"))
                                 .string();
    ASSERT_TRUE(platform::WriteIndexedPng(path, indices, 3, 2, 4, palette.data()));
    const PngPicture picture = ReadPng(path);
    std::filesystem::remove(path);
    EXPECT_EQ(picture.width, 3u);
    EXPECT_EQ(picture.height, 2u);
    EXPECT_EQ(picture.rgb, (std::vector<png_byte>{0, 255, 7, 10, 245, 7, 200, 55, 7, 255, 0, 7, 1,
                                                  254, 7, 2, 253, 7}));
}

TEST(PngFrames, AnUnwritablePathFailsWithoutLeavingAFile) {
    std::vector<platform::PaletteColour> palette(256);
    const std::uint8_t pixel = 0;
    EXPECT_FALSE(
        platform::WriteIndexedPng("/nonexistent-dir/frame.png", &pixel, 1, 1, 1, palette.data()));
    EXPECT_FALSE(platform::WriteIndexedPng("/tmp/x.png", &pixel, 0, 1, 1, palette.data()));
}

} // namespace
