// BMP files in the layouts Windows reads: run-length encoded, 16 and 32 bits
// with colour masks, 5-5-5, top-down, and the longer headers. The files are
// ImageMagick's (bmp_files.sh); each must reach an 8-bit surface as exactly
// the indices of its plain 8-bit twin.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../video/display_fixture.h"
#include "bitmap_support.h"
#include "platform/resources.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Offsets in a BMP file: the file header, then the info header.
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kInfoAt = 14;
constexpr std::size_t kHeightAt = kInfoAt + 8;
constexpr std::size_t kCompressionAt = kInfoAt + 16;
constexpr std::size_t kGreenMaskAt = kInfoAt + 44;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string MadeByConvert(const char* name) {
    return std::string(BMP_FILES_DIR) + "/" + name;
}

// The colour table of a plain 8-bit file with a 40-byte header, as the
// display palette; entries the table lacks repeat its first colour.
std::array<PALETTEENTRY, 256> PaletteOf(const Bytes& file) {
    const std::uint32_t used = Get32(file, kInfoAt + 32);
    std::array<PALETTEENTRY, 256> entries{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::size_t at = kInfoAt + 40 + 4 * (i < used ? i : 0);
        entries[i] = PALETTEENTRY{file[at + 2], file[at + 1], file[at], 0};
    }
    return entries;
}

// Repairs and reinterpretations of convert's files.
enum class Change { None, MarkTopDown, PlainRows, MasksAfterHeader };

Bytes Changed(Bytes file, Change change) {
    switch (change) {
    case Change::None:
        break;
    case Change::MarkTopDown:
        Put32(file, kHeightAt,
              static_cast<std::uint32_t>(-static_cast<std::int32_t>(Get32(file, kHeightAt))));
        break;
    case Change::PlainRows:
        Put32(file, kCompressionAt, BI_RGB);
        break;
    case Change::MasksAfterHeader: {
        const std::uint8_t masks[] = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
        file.insert(file.begin() + kInfoAt + 40, std::begin(masks), std::end(masks));
        Put32(file, kPixelOffsetAt, Get32(file, kPixelOffsetAt) + sizeof masks);
        break;
    }
    }
    return file;
}

class BmpFormats : public ::testing::Test {
protected:
    void TearDown() override {
        std::filesystem::remove(scratch);
        platform::ClearResources();
    }

    // Loaded as the game's loader does, or stretched on loading.
    HANDLE Load(const Bytes& file, int width = 0, int height = 0) {
        std::ofstream(scratch, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
        return LoadImageA(nullptr, scratch.c_str(), IMAGE_BITMAP, width, height,
                          LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    }

    bool Loads(const Bytes& file) {
        HANDLE image = Load(file);
        return image != nullptr && DeleteObject(image);
    }

    // The indices the game's copy puts on a surface of the image's size.
    static Bytes Shown(const GameDisplay& display, HANDLE image) {
        BITMAP size{};
        EXPECT_NE(GetObjectA(image, sizeof size, &size), 0);
        IDirectDrawSurface* surface = display.OffScreen(size.bmWidth, size.bmHeight);
        EXPECT_TRUE(StretchInto(surface, image));
        Bytes shown;
        {
            Pixels p(surface);
            for (int y = 0; y < p.Height(); ++y) {
                for (int x = 0; x < p.Width(); ++x) {
                    shown.push_back(p(x, y));
                }
            }
        }
        surface->Release();
        EXPECT_TRUE(DeleteObject(image));
        return shown;
    }

    CaptureBackend backend;
    std::string scratch = (std::filesystem::temp_directory_path() /
                           ("qv_bmp_formats_" + std::to_string(::getpid()) + ".bmp"))
                              .string();
};

TEST_F(BmpFormats, EveryLayoutConvertWritesShowsTheSamePictureAsItsPlainTwin) {
    const std::string twin8 = MadeByConvert("twin8.bmp");
    struct Row {
        std::string twin;
        const char* file;
        Change change;
        std::uint32_t headerSize, bitCount, compression; // after the change
    };
    const Row rows[] = {
        {twin8, "rle8.bmp", Change::None, 124, 8, 1},
        {twin8, "rle8_v4.bmp", Change::None, 108, 8, 1},
        {twin8, "rle8_40.bmp", Change::None, 40, 8, 1},
        {twin8, "rgb565.bmp", Change::None, 124, 16, 3},
        {twin8, "rgb555_v4.bmp", Change::None, 108, 16, 3},
        {twin8, "rgb565_40.bmp", Change::MasksAfterHeader, 40, 16, 3},
        {twin8, "rgb555_40.bmp", Change::PlainRows, 40, 16, 0},
        {twin8, "argb32.bmp", Change::None, 124, 32, 3},
        {twin8, "argb32_v4.bmp", Change::None, 108, 32, 3},
        {twin8, "rgb32_40.bmp", Change::None, 40, 32, 0},
        {twin8, "rgb24.bmp", Change::None, 40, 24, 0},
        {twin8, "flipped8.bmp", Change::MarkTopDown, 40, 8, 0},
        {twin8, "flipped_argb32.bmp", Change::MarkTopDown, 124, 32, 3},
        // The game's own artwork as convert writes it by default.
        {ARTWORK_BMP_PATH, "artwork_rle8.bmp", Change::None, 124, 8, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const Bytes twin = ReadAll(row.twin);
        const Bytes file = Changed(ReadAll(MadeByConvert(row.file)), row.change);
        ASSERT_EQ(Get32(file, kInfoAt), row.headerSize);
        ASSERT_EQ(file[kInfoAt + 14], row.bitCount);
        ASSERT_EQ(Get32(file, kCompressionAt), row.compression);

        GameDisplay display(PaletteOf(twin));
        for (int width : {0, 100}) {
            const int height = width / 3;
            const Bytes expected = Shown(display, Load(twin, width, height));
            HANDLE image = Load(file, width, height);
            ASSERT_NE(image, nullptr) << width;
            const Bytes shown = Shown(display, image);
            ASSERT_EQ(shown.size(), expected.size());
            if (width != 0) {
                ASSERT_EQ(shown.size(), 100u * 33u);
            }
            const auto wrong = std::mismatch(shown.begin(), shown.end(), expected.begin());
            EXPECT_TRUE(wrong.first == shown.end())
                << "width " << width << ": pixel " << (wrong.first - shown.begin()) << " is "
                << int{*wrong.first} << ", not " << int{*wrong.second};
        }
    }
}

TEST_F(BmpFormats, DamagedFilesFromConvertAreRefused) {
    const Bytes rle = ReadAll(MadeByConvert("rle8.bmp"));
    const Bytes masked = ReadAll(MadeByConvert("argb32.bmp"));
    ASSERT_TRUE(Loads(rle));
    ASSERT_TRUE(Loads(masked));

    // Run-length encoded rows are never stored top-down.
    EXPECT_FALSE(Loads(Changed(rle, Change::MarkTopDown)));
    // Cut anywhere before the end-of-bitmap code.
    const std::size_t stream = Get32(rle, kPixelOffsetAt);
    for (std::size_t keep : {stream, stream + 1, stream + 300, rle.size() - 1}) {
        EXPECT_FALSE(Loads(Bytes(rle.begin(), rle.begin() + static_cast<long>(keep)))) << keep;
    }
    // A colour mask must be one run of bits inside the pixel.
    for (std::uint32_t green : {0x0u, 0xF0F000u}) {
        Bytes bad = masked;
        Put32(bad, kGreenMaskAt, green);
        EXPECT_FALSE(Loads(bad)) << std::hex << green;
    }
}

// A 5 x 3 packed DIB of run-length codes, with the ramp palette's colours.
Bytes RunLengthDib(int bitCount, const Bytes& codes) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 5;
    header.biHeight = 3;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = bitCount == 8 ? 1 : 2;
    header.biSizeImage = static_cast<DWORD>(codes.size());
    Bytes dib(sizeof header);
    std::memcpy(dib.data(), &header, sizeof header);
    const auto ramp = TableOf(RampEntries());
    for (int i = 0; i < (1 << bitCount); ++i) {
        const RGBQUAD& q = ramp[static_cast<std::size_t>(i)];
        dib.insert(dib.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    }
    dib.insert(dib.end(), codes.begin(), codes.end());
    return dib;
}

TEST_F(BmpFormats, RunLengthCodesPaintTheirPixelsOrRefuseDamage) {
    GameDisplay display;
    struct Row {
        const char* what;
        int bitCount;
        Bytes codes;                   // bottom row first
        std::vector<const char*> rows; // top row first, hex indices; none: refused
    };
    const Row table[] = {
        {"runs, end of line; pixels never reached stay 0",
         8,
         {3, 1, 2, 2, 0, 0, 5, 3, 0, 0, 1, 4, 0, 1},
         {"40000", "33333", "11122"}},
        {"indices as they are, padded; then a move right and up",
         8,
         {0, 3, 5, 6, 7, 0, 0, 2, 1, 1, 1, 8, 0, 1},
         {"00000", "00008", "56700"}},
        {"pixels past the row's end are dropped, not wrapped",
         8,
         {7, 9, 0, 0, 0, 6, 1, 2, 3, 4, 5, 6, 0, 0, 0, 1},
         {"00000", "12345", "99999"}},
        {"4-bit runs take turns; an odd byte count of indices is padded",
         4,
         {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x00, 0, 0, 0, 2, 0xAB, 0, 1},
         {"AB000", "34560", "12121"}},
        {"4-bit indices filling whole bytes are not padded; a move two rows up",
         4,
         {0, 3, 0xCD, 0xE0, 0, 2, 1, 2, 1, 0xF0, 0, 1},
         {"0000F", "00000", "CDE00"}},
        {"no end-of-bitmap code", 8, {5, 1, 0, 0}, {}},
        {"a pixel above the top row", 8, {0, 2, 0, 3, 1, 1, 0, 1}, {}},
        {"indices cut short", 8, {0, 5, 1, 2}, {}},
        {"a move cut short", 8, {0, 2, 1}, {}},
        {"4-bit indices cut short", 4, {0, 5, 0x12, 0x34}, {}},
    };
    IDirectDrawSurface* surface = display.OffScreen(5, 3);
    for (const Row& row : table) {
        SCOPED_TRACE(row.what);
        const Bytes dib = RunLengthDib(row.bitCount, row.codes);
        platform::RegisterResource(RT_BITMAP, 120, dib.data(), dib.size());
        HANDLE image =
            LoadImageA(nullptr, MAKEINTRESOURCE(120), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
        if (row.rows.empty()) {
            EXPECT_EQ(image, nullptr);
            continue;
        }
        ASSERT_NE(image, nullptr);
        ASSERT_TRUE(StretchInto(surface, image));
        Pixels p(surface);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(p(x, y), std::stoi(std::string(1, row.rows[y][x]), nullptr, 16))
                    << x << "," << y;
            }
        }
        DeleteObject(image);
    }
    surface->Release();
}

} // namespace
