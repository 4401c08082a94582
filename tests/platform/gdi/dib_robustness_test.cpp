// The packed-DIB reader against damaged input: whatever the bytes say, it
// either refuses them or makes a bitmap that can be copied, and never reads
// past what it was given (the sanitizer build checks the reads).
#include <random>
#include <vector>

#include "../video/display_fixture.h"
#include "bitmap_support.h"
#include "platform/resources.h"

namespace {

// A 5 x 3 bitmap of `bitCount` bits, with a full colour table up to 8 bits.
std::vector<std::uint8_t> SmallDib(int bitCount) {
    const std::vector<RGBQUAD> colours(bitCount <= 8 ? 1u << bitCount : 0u,
                                       RGBQUAD{37, 74, 111, 0});
    return PackedDib(5, 3, bitCount, colours, [](int x, int y) { return 37u * (x + 5 * y); });
}

TEST(DibRobustness, DamagedHeadersAreRefusedOrGiveUsableBitmaps) {
    CaptureBackend backend;
    GameDisplay display;
    IDirectDrawSurface* surface = display.OffScreen(16, 16);
    std::mt19937 random(20261206);
    int loaded = 0;
    for (int bitCount : {1, 4, 8, 24, 32}) {
        const std::vector<std::uint8_t> good = SmallDib(bitCount);
        for (int round = 0; round < 400; ++round) {
            std::vector<std::uint8_t> bytes = good;
            // Damage a few bytes, mostly in the header, sometimes the length.
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int c = 0; c < changes; ++c) {
                const std::size_t at = random() % 3 == 0 ? random() % bytes.size() : random() % 40;
                bytes[at] = static_cast<std::uint8_t>(random());
            }
            if (random() % 5 == 0) {
                bytes.resize(random() % bytes.size());
            }
            platform::RegisterResource(RT_BITMAP, 109, bytes.data(), bytes.size());
            HANDLE image =
                LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
            if (image == nullptr) {
                continue;
            }
            ++loaded;
            BITMAP description{};
            ASSERT_EQ(GetObjectA(image, sizeof description, &description),
                      static_cast<int>(sizeof description));
            ASSERT_GT(description.bmWidth, 0);
            ASSERT_GT(description.bmHeight, 0);
            // Plain rows it claims must all be in the input; run-length
            // encoded rows may take fewer bytes than they fill.
            DWORD compression;
            std::memcpy(&compression, bytes.data() + 16, sizeof compression);
            const std::size_t claimed = static_cast<std::size_t>(description.bmWidthBytes) *
                                        static_cast<std::size_t>(description.bmHeight);
            if (compression != 1 && compression != 2) {
                ASSERT_LE(claimed, bytes.size());
            }
            EXPECT_TRUE(StretchInto(surface, image));
            EXPECT_TRUE(DeleteObject(image));
        }
    }
    // Some damage (in pixel bytes or unused fields) leaves a readable bitmap.
    EXPECT_GT(loaded, 0);
    surface->Release();
    platform::ClearResources();
}

TEST(DibRobustness, NamedResourcesAndSizesFromTheCaller) {
    CaptureBackend backend;
    GameDisplay display;
    const std::vector<std::uint8_t> dib = SmallDib(8);
    platform::RegisterResource(RT_BITMAP, "ARTWORK", dib.data(), dib.size());
    HANDLE image = LoadImageA(nullptr, "artwork", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    DeleteObject(image);
    // Integer identifiers are not file names.
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(109), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE),
              nullptr);
    EXPECT_EQ(LoadImageA(nullptr, "artwork", IMAGE_BITMAP, -1, 0, 0), nullptr);
    platform::ClearResources();
}

} // namespace
