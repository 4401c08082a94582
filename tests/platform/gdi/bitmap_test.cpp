// Bitmaps from the resource table and from BMP files, and their copy into an
// 8-bit surface: index for index under the bitmap's own palette, nearest
// colour under another; and everything the loaders refuse.
#include <random>

#include "../video/display_fixture.h"
#include "bitmap_support.h"
#include "platform/resources.h"

namespace {

std::uint32_t Index(int x, int y) {
    return std::uint32_t(16 * y + x);
}

class Bitmaps : public ::testing::Test {
protected:
    void TearDown() override { platform::ClearResources(); }

    static HANDLE FromResource(int id, UINT flags = LR_CREATEDIBSECTION) {
        return LoadImageA(nullptr, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, flags);
    }
    static bool LoadsFromFile(const Bytes& bytes) {
        const ScratchFile file(bytes);
        HANDLE image = LoadImageA(nullptr, file.path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        return image != nullptr && DeleteObject(image);
    }

    CaptureBackend backend;
    GameDisplay display;
};

// Under its own palette (entries 20 and 21 share a colour, as some of the
// artwork's do) every pixel keeps its index; under another each colour takes
// its nearest entry, whether it comes from a table or 24-bit pixels.
TEST_F(Bitmaps, CopiedIndexForIndexUnderItsOwnPaletteAndByNearestColourElse) {
    auto entries = RampEntries();
    entries[21] = entries[20];
    ASSERT_EQ(display.palette->SetEntries(0, 0, 256, entries.data()), DD_OK);
    const Bytes dib = PackedDib(16, 12, 8, TableOf(entries), Index);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
    HANDLE image = FromResource(109);
    BITMAP description{}, small{};
    ASSERT_EQ(GetObjectA(image, 24, &small), 24); // the 32-bit SDK's size: up to the bits
    ASSERT_EQ(GetObjectA(image, sizeof description, &description), int{sizeof description});
    EXPECT_EQ(small.bmHeight, 12);
    EXPECT_EQ(static_cast<std::uint8_t*>(description.bmBits)[0], Index(0, 11)) << "bottom-up";
    IDirectDrawSurface* artwork = display.OffScreen(16, 12);
    ASSERT_TRUE(StretchInto(artwork, image));
    for (int i = 0; i < 16 * 12; ++i) {
        ASSERT_EQ(platform::PixelsOf(artwork).At(i % 16, i / 16), i) << i;
    }
    DeleteObject(image);

    // Colour 0 is exactly entry 200, colour 1 close to entry 10; a 4-bit
    // bitmap stretched to twice its width; then a 24-bit file named with
    // backslashes.
    const std::vector<RGBQUAD> table{{100, 55, 200, 0}, {5, 245, 9, 0}};
    const Bytes four = PackedDib(
        4, 2, 4, table, [](int x, int) { return x % 2; }, 2);
    platform::RegisterResource(RT_BITMAP, 7, four.data(), four.size());
    image = FromResource(7);
    IDirectDrawSurface *wide = display.OffScreen(8, 2), *colours = display.OffScreen(3, 2);
    ASSERT_TRUE(StretchInto(wide, image));
    ExpectPixels(wide, {{0, 0, 200}, {1, 0, 200}, {2, 0, 10}, {3, 1, 10}, {4, 1, 200}});
    DeleteObject(image);
    const ScratchFile file(BmpFile(PackedDib(3, 2, 24, {}, [&](int x, int y) {
        const PALETTEENTRY& e = entries[std::size_t(50 + 10 * y + x)];
        return std::uint32_t(e.peRed | e.peGreen << 8 | e.peBlue << 16);
    })));
    std::string path = file.path;
    std::replace(path.begin(), path.end(), '/', '\\');
    image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_TRUE(StretchInto(colours, image));
    ExpectPixels(colours, {{0, 0, 50}, {2, 0, 52}, {1, 1, 61}});
    DeleteObject(image);
    for (IDirectDrawSurface* s : {artwork, wide, colours}) {
        s->Release();
    }
}

TEST_F(Bitmaps, DamagedFilesAndResourcesAreRefusedOrCopyWithinTheirBytes) {
    const Bytes dib = PackedDib(16, 16, 8, TableOf(RampEntries()), Index), good = BmpFile(dib);
    ASSERT_TRUE(LoadsFromFile(good));
    auto changed = [&](std::size_t at, std::uint32_t value, std::size_t size = 4) {
        Bytes b = good;
        std::memcpy(b.data() + at, &value, size);
        return b;
    };
    // Cut in the file header, the info header, the table, the pixels; then
    // the magic, the pixels' offset, header size, width, height, bit count,
    // compression (JPEG) and colours used out of bounds.
    for (std::size_t keep : {std::size_t{10}, std::size_t{53}, std::size_t{300}, good.size() - 1}) {
        EXPECT_FALSE(LoadsFromFile(Bytes(good.begin(), good.begin() + long(keep)))) << keep;
    }
    const Bytes damaged[] = {
        changed(0, 'X', 1), changed(10, 0xFFFFFF00u), changed(10, 4),
        changed(14, 1000),  changed(18, 0x7FFFFFFFu), changed(22, 0x80000000u),
        changed(28, 7, 2),  changed(30, 4),           changed(46, 0xFFFFFFFFu)};
    for (const Bytes& bad : damaged) {
        EXPECT_FALSE(LoadsFromFile(bad)) << "damage " << &bad - damaged;
    }
    EXPECT_EQ(LoadImageA(nullptr, "no\\such\\file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
              nullptr);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
    platform::RegisterResource(RT_BITMAP, 110, dib.data(), dib.size() - 1);
    EXPECT_EQ(FromResource(110), nullptr) << "a packed DIB cut short";
    EXPECT_EQ(FromResource(111), nullptr) << "no such resource";
    EXPECT_EQ(FromResource(109, LR_LOADFROMFILE), nullptr) << "an identifier is no file name";
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(109), 1 /* IMAGE_ICON */, 0, 0, 0), nullptr);

    // Random damage, mostly to the header, at every depth: refused, or a
    // bitmap that copies; the sanitizer build sees any read past the bytes.
    std::mt19937 random(20261206);
    int loaded = 0;
    IDirectDrawSurface* surface = display.OffScreen(16, 16);
    for (int bits : {1, 4, 8, 24, 32}) {
        const Bytes sound = PackedDib(5, 3, bits, std::vector<RGBQUAD>(bits <= 8 ? 1u << bits : 0u),
                                      [](int x, int y) { return 37u * (x + 5 * y); });
        for (int round = 0; round < 400; ++round) {
            Bytes bytes = sound;
            for (int c = 0, changes = 1 + int(random() % 4); c < changes; ++c) {
                bytes[random() % 3 == 0 ? random() % bytes.size() : random() % 40] = BYTE(random());
            }
            bytes.resize(random() % 5 == 0 ? random() % bytes.size() : bytes.size());
            platform::RegisterResource(RT_BITMAP, 112, bytes.data(), bytes.size());
            if (HANDLE image = FromResource(112)) {
                ++loaded;
                EXPECT_TRUE(StretchInto(surface, image));
                EXPECT_TRUE(DeleteObject(image));
            }
        }
    }
    EXPECT_GT(loaded, 100) << "damage to pixels or unused fields leaves a readable bitmap";
    surface->Release();
}

} // namespace
