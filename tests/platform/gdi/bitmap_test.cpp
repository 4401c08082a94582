// Bitmaps from the resource table and from BMP files, and their copy into an
// 8-bit surface.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../video/display_fixture.h"
#include "bitmap_support.h"
#include "platform/resources.h"

namespace {

std::vector<std::uint8_t> BmpFile(const std::vector<std::uint8_t>& packed, int colourCount) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(sizeof file + packed.size());
    file.bfOffBits = static_cast<DWORD>(sizeof file + 40 + 4 * colourCount);
    std::vector<std::uint8_t> bytes(sizeof file + packed.size());
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, packed.data(), packed.size());
    return bytes;
}

std::uint8_t Index(int x, int y) {
    return static_cast<std::uint8_t>(16 * y + x);
}

class Bitmaps : public ::testing::Test {
protected:
    void TearDown() override {
        platform::ClearResources();
        if (!tempFile.empty()) {
            std::filesystem::remove(tempFile);
        }
    }

    std::string WriteTemp(const std::vector<std::uint8_t>& bytes) {
        tempFile = (std::filesystem::temp_directory_path() /
                    ("qv_bitmap_" + std::to_string(::getpid()) + ".bmp"))
                       .string();
        std::ofstream out(tempFile, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return tempFile;
    }

    CaptureBackend backend;
    GameDisplay display;
    std::string tempFile;
};

TEST_F(Bitmaps, ResourceTableFindsRegisteredResourcesByIdentifierOrName) {
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5};
    platform::RegisterResource(RT_BITMAP, 109, bytes, sizeof bytes);
    platform::RegisterResource(MAKEINTRESOURCE(10), "Tune", bytes, 3);

    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCE(109), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "#109", RT_BITMAP), found);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(110), RT_BITMAP), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(109), MAKEINTRESOURCE(10)), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 5u);
    HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_NE(loaded, nullptr);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data, bytes, sizeof bytes), 0);

    HRSRC tune = FindResourceA(nullptr, "tUnE", MAKEINTRESOURCE(10));
    ASSERT_NE(tune, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, tune), 3u);

    EXPECT_EQ(LoadResource(nullptr, reinterpret_cast<HRSRC>(&loaded)), nullptr);
    platform::InjectFault("FindResourceA", 0, 1);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(109), RT_BITMAP), nullptr);
    platform::InjectFault("LoadResource", 0, 1);
    EXPECT_EQ(LoadResource(nullptr, found), nullptr);
    platform::InjectFault("LockResource", 0, 1);
    EXPECT_EQ(LockResource(loaded), nullptr);

    platform::ClearResources();
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCE(109), RT_BITMAP), nullptr);
    EXPECT_EQ(LockResource(loaded), nullptr);
}

TEST_F(Bitmaps, ArtworkResourceLoadsAsADibSectionAndCopiesIndexForIndex) {
    // Entries 20 and 21 share a colour, as the artwork's repeated colours do:
    // with matching palettes every pixel keeps its own index.
    auto entries = RampEntries();
    entries[21] = entries[20];
    ASSERT_EQ(display.palette->SetEntries(0, 0, 256, entries.data()), DD_OK);
    const auto dib = PackedDib(16, 12, 8, TableOf(entries), Index);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());

    HANDLE image =
        LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    BITMAP description{};
    ASSERT_EQ(GetObjectA(image, sizeof description, &description),
              static_cast<int>(sizeof description));
    EXPECT_EQ(description.bmWidth, 16);
    EXPECT_EQ(description.bmHeight, 12);
    EXPECT_EQ(description.bmBitsPixel, 8);
    EXPECT_EQ(description.bmWidthBytes, 16);
    ASSERT_NE(description.bmBits, nullptr);
    // Bottom-up: the first stored row is the image's last.
    EXPECT_EQ(static_cast<std::uint8_t*>(description.bmBits)[0], Index(0, 11));
    // The 32-bit SDK's 24-byte BITMAP gets the fields up to the pixel address.
    BITMAP small{};
    EXPECT_EQ(GetObjectA(image, 24, &small), 24);
    EXPECT_EQ(small.bmHeight, 12);

    IDirectDrawSurface* artwork = display.OffScreen(16, 12);
    ASSERT_TRUE(StretchInto(artwork, image));
    {
        Pixels p(artwork);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(p(x, y), Index(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(DeleteObject(image));
    artwork->Release();
}

TEST_F(Bitmaps, ADifferentPaletteMapsEachColourToItsNearestEntry) {
    // The bitmap's colour 0 is exactly display entry 200; colour 1 is close
    // to display entry 10.
    const auto entries = RampEntries();
    std::vector<RGBQUAD> table(2);
    table[0] = RGBQUAD{entries[200].peBlue, entries[200].peGreen, entries[200].peRed, 0};
    table[1] = RGBQUAD{entries[10].peBlue, entries[10].peGreen,
                       static_cast<BYTE>(entries[10].peRed - 1), 0};
    const auto dib = PackedDib(
        4, 2, 4, table, [](int x, int) { return x % 2; }, false, 2);
    platform::RegisterResource(RT_BITMAP, 7, dib.data(), dib.size());
    HANDLE image = LoadImageA(nullptr, MAKEINTRESOURCE(7), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    IDirectDrawSurface* surface = display.OffScreen(8, 2);
    // Stretched to twice the width.
    ASSERT_TRUE(StretchInto(surface, image));
    ExpectPixels(surface, {{0, 0, 200}, {1, 0, 200}, {2, 0, 10}, {3, 1, 10}, {4, 1, 200}});
    DeleteObject(image);
    surface->Release();
}

TEST_F(Bitmaps, BmpFilesLoadWithBackslashPathsAndTrueColour) {
    const auto entries = RampEntries();
    const auto packed = PackedDib(3, 2, 24, {}, [&](int x, int y) {
        const PALETTEENTRY& e = entries[static_cast<std::size_t>(50 + 10 * y + x)];
        return static_cast<std::uint32_t>(e.peRed | (e.peGreen << 8) | (e.peBlue << 16));
    });
    std::string path = WriteTemp(BmpFile(packed, 0));
    std::replace(path.begin(), path.end(), '/', '\\');
    HANDLE image = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                              LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    BITMAP description{};
    GetObjectA(image, sizeof description, &description);
    EXPECT_EQ(description.bmBitsPixel, 24);
    IDirectDrawSurface* surface = display.OffScreen(3, 2);
    ASSERT_TRUE(StretchInto(surface, image));
    ExpectPixels(surface, {{0, 0, 50}, {2, 0, 52}, {1, 1, 61}});
    DeleteObject(image);
    surface->Release();
}

TEST_F(Bitmaps, TruncatedOrCorruptFilesFailCleanly) {
    const auto packed = PackedDib(16, 16, 8, TableOf(RampEntries()), Index);
    const auto good = BmpFile(packed, 256);
    ASSERT_NE(LoadImageA(nullptr, WriteTemp(good).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
              nullptr);

    auto corrupt = [&](auto change) {
        std::vector<std::uint8_t> bytes = good;
        change(bytes);
        return LoadImageA(nullptr, WriteTemp(bytes).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    };
    auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        std::memcpy(b.data() + at, &v, 4);
    };
    // Cut anywhere: in the file header, the info header, the table, the pixels.
    for (std::size_t keep : std::vector<std::size_t>{0, 10, 20, 53, 300, 1100, good.size() - 1}) {
        EXPECT_EQ(corrupt([&](auto& b) { b.resize(keep); }), nullptr) << keep;
    }
    EXPECT_EQ(corrupt([](auto& b) { b[0] = 'X'; }), nullptr);                 // not BM
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 10, 0xFFFFFF00u); }), nullptr); // pixels far away
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 10, 4); }), nullptr);           // inside the header
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 14, 1000); }), nullptr);        // header size
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 18, 0x7FFFFFFFu); }), nullptr); // width
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 22, 0x80000000u); }), nullptr); // height
    EXPECT_EQ(corrupt([&](auto& b) { b[28] = 7; }), nullptr);                 // bit count
    EXPECT_EQ(corrupt([&](auto& b) { b[30] = 4; }), nullptr);                 // JPEG
    EXPECT_EQ(corrupt([&](auto& b) { put32(b, 46, 0xFFFFFFFFu); }), nullptr); // colours used
    EXPECT_EQ(LoadImageA(nullptr, "no\\such\\file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
              nullptr);
}

TEST_F(Bitmaps, LoadImageRefusesWhatItDoesNotOfferAndHonoursFaults) {
    const auto dib = PackedDib(2, 2, 8, TableOf(RampEntries()), Index);
    platform::RegisterResource(RT_BITMAP, 109, dib.data(), dib.size());
    // A packed DIB cut short is refused too.
    platform::RegisterResource(RT_BITMAP, 110, dib.data(), dib.size() - 1);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(110), IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(111), IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(109), 1 /* IMAGE_ICON */, 0, 0, 0), nullptr);
    platform::InjectFault("LoadImageA", 0, 1);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION),
              nullptr);
    HANDLE image = LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, 0);
    ASSERT_NE(image, nullptr);

    // A bitmap selected into a memory context cannot be deleted until it is
    // selected out; the context itself goes with DeleteDC.
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ stock = SelectObject(memory, image);
    EXPECT_FALSE(DeleteObject(image));
    EXPECT_EQ(SelectObject(memory, stock), image);
    EXPECT_TRUE(DeleteObject(image));
    EXPECT_EQ(GetObjectA(image, sizeof(BITMAP), nullptr), 0);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));

    platform::InjectFault("CreateCompatibleDC", 0, 1);
    EXPECT_EQ(CreateCompatibleDC(nullptr), nullptr);
}

TEST_F(Bitmaps, StretchBltOnlyCopiesWithSrccopyFromABitmap) {
    IDirectDrawSurface* surface = display.OffScreen(4, 4);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    HDC memory = CreateCompatibleDC(nullptr);
    // The memory context still holds its 1 x 1 stock bitmap: black.
    EXPECT_FALSE(StretchBlt(dc, 0, 0, 4, 4, memory, 0, 0, 1, 1, 0x00EE0086 /* SRCPAINT */));
    EXPECT_FALSE(StretchBlt(dc, 0, 0, -4, 4, memory, 0, 0, 1, 1, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dc, 0, 0, 4, 4, memory, 0, 0, 1, 1, SRCCOPY));
    // Extreme placements draw what falls on the surface, without overflow.
    EXPECT_TRUE(StretchBlt(dc, -0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, memory, 0, 0, 1, 1,
                           SRCCOPY));
    EXPECT_TRUE(StretchBlt(dc, 0x7FFFFFF0, 0, 0x7FFFFFFF, 4, memory, 0, 0, 1, 1, SRCCOPY));
    platform::InjectFault("StretchBlt", 0, 1);
    EXPECT_FALSE(StretchBlt(dc, 0, 0, 4, 4, memory, 0, 0, 1, 1, SRCCOPY));
    DeleteDC(memory);
    surface->ReleaseDC(dc);
    surface->Release();
}

} // namespace
