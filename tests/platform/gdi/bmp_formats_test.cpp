// BMP files in the layouts Windows reads: run-length encoded, 16 and 32 bits
// with colour masks, 5-5-5, 24 bits, top-down, the longer headers. Most are
// ImageMagick's (bmp_files.sh) and must reach an 8-bit surface as exactly the
// indices of their plain 8-bit twin, or be refused when damaged.
#include <iterator>

#include "../video/display_fixture.h"
#include "bitmap_support.h"

namespace {

constexpr std::size_t INFO = 14; // the info header follows the file header

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
Bytes Patched(Bytes file, std::size_t at, std::uint32_t v) {
    std::memcpy(file.data() + at, &v, 4);
    return file;
}
Bytes TopDown(const Bytes& file) {
    return Patched(file, INFO + 8, -Get32(file, INFO + 8));
}

Bytes Convert(const std::string& name) {
    std::ifstream in(name.find('/') != std::string::npos ? name : BMP_FILES_DIR "/" + name,
                     std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// convert's 5-6-5 file with a 40-byte header claims colour masks but writes
// none: they go in after the header.
Bytes MasksAfterHeader(Bytes file) {
    const std::uint8_t masks[] = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    file.insert(file.begin() + INFO + 40, std::begin(masks), std::end(masks));
    return Patched(file, 10, Get32(file, 10) + sizeof masks);
}

// The indices the game's copy puts on a surface of the image's size, under
// `colours`, the image loaded as the loader does; empty when refused.
Bytes Shown(const Bytes& file, const std::array<PALETTEENTRY, 256>& colours) {
    const ScratchFile scratch(file);
    HANDLE image = LoadImageA(nullptr, scratch.path.c_str(), IMAGE_BITMAP, 0, 0,
                              LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (image == nullptr) {
        return {};
    }
    BITMAP size{};
    GetObjectA(image, sizeof size, &size);
    const GameDisplay display(colours);
    IDirectDrawSurface* surface = display.OffScreen(size.bmWidth, size.bmHeight);
    EXPECT_TRUE(StretchInto(surface, image));
    const platform::SurfacePixels pixels = platform::PixelsOf(surface);
    Bytes shown;
    for (int y = 0; y < pixels.height; ++y) {
        shown.insert(shown.end(), &pixels.At(0, y), &pixels.At(0, y) + pixels.width);
    }
    surface->Release();
    DeleteObject(image);
    return shown;
}

TEST(BmpFormats, EveryLayoutShowsItsPictureOrIsRefused) {
    CaptureBackend backend;
    const Bytes twin = Convert("twin8.bmp"), rle = Convert("rle8.bmp");
    const Bytes masked = Convert("argb32.bmp"), artwork = Convert(ARTWORK_BMP_PATH);
    const struct {
        Bytes file;
        const Bytes* twin; // the same picture as this plain file; null: refused
    } cases[] = {
        {rle, &twin},
        {Convert("rle8_v4.bmp"), &twin},
        {Convert("rle8_40.bmp"), &twin},
        {Convert("rgb565.bmp"), &twin},
        {MasksAfterHeader(Convert("rgb565_40.bmp")), &twin},
        {Patched(Convert("rgb555_40.bmp"), INFO + 16, BI_RGB), &twin}, // as plain 5-5-5 rows
        {masked, &twin},
        {Convert("rgb32_40.bmp"), &twin},
        {Convert("rgb24.bmp"), &twin},
        {TopDown(Convert("flipped8.bmp")), &twin},
        {TopDown(Convert("flipped_argb32.bmp")), &twin},
        {Convert("artwork_rle8.bmp"), &artwork},
        {TopDown(rle), nullptr},                         // run-length rows are never top-down
        {Bytes(rle.begin(), rle.end() - 1), nullptr},    // cut before the end-of-bitmap code
        {Patched(masked, INFO + 44, 0), nullptr},        // no green mask
        {Patched(masked, INFO + 44, 0xF0F000), nullptr}, // a mask in two runs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        if (c.twin == nullptr) {
            EXPECT_TRUE(Shown(c.file, RampEntries()).empty());
            continue;
        }
        std::array<PALETTEENTRY, 256> colours{}; // the plain file's table
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::size_t at = INFO + 40 + 4 * (i < Get32(*c.twin, INFO + 32) ? i : 0);
            colours[i] = PALETTEENTRY{(*c.twin)[at + 2], (*c.twin)[at + 1], (*c.twin)[at], 0};
        }
        const Bytes expected = Shown(*c.twin, colours);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(Shown(c.file, colours) == expected);
    }
    // An odd run of indices as they are is padded to a whole word.
    Bytes odd = BmpFile(PackedDib(5, 1, 8, TableOf(RampEntries()), [](int, int) { return 0; }));
    odd.resize(odd.size() - 8); // the plain row, replaced by codes
    odd.insert(odd.end(), {0, 3, 5, 6, 7, 0, 1, 4, 0, 1});
    EXPECT_EQ(Shown(Patched(odd, INFO + 16, 1), RampEntries()), (Bytes{5, 6, 7, 4, 0}));

    // Four-bit codes, which convert never writes: a run of two alternating
    // nibbles, a move, three absolute nibbles, the end of a row and of the bitmap.
    // What the codes pass over stays index 0.
    const auto ramp = TableOf(RampEntries());
    Bytes four = BmpFile(PackedDib(
        6, 2, 4, {ramp.begin(), ramp.begin() + 16}, [](int, int) { return 0; }, 16));
    four.resize(four.size() - 8); // the plain rows, replaced by codes
    four.insert(four.end(), {2, 0x12, 0, 2, 1, 0, 0, 3, 0x34, 0x50, 0, 0, 4, 0x70, 0, 1});
    EXPECT_EQ(Shown(Patched(four, INFO + 16, 2), RampEntries()),
              (Bytes{7, 0, 7, 0, 0, 0, 1, 2, 0, 3, 4, 5}));
}

} // namespace
