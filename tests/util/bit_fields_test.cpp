#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int BitAt(const Bytes& buffer, int position) {
    return (buffer[position / 8] >> (7 - position % 8)) & 1;
}

TEST(BitMask8, TopAndLowBits) {
    const int masks[][3] = {{-3, 0x00, 0x00}, {0, 0x00, 0x00}, {1, 0x80, 0x01}, {3, 0xE0, 0x07},
                            {7, 0xFE, 0x7F},  {8, 0xFF, 0xFF}, {12, 0xFF, 0xFF}};
    for (const auto& [n, top, low] : masks) {
        EXPECT_EQ(BitMask8(n, true), top) << n;
        EXPECT_EQ(BitMask8(n, false), low) << n;
    }
}

// Every count at aligned and unaligned positions over three backgrounds: the
// value reads back, each field bit sits where the group layout puts it, and no
// bit outside the field changes; the 8-bit functions agree up to 8 bits.
TEST(BitFields, EveryCountRoundTripsWithNeighboursUntouched) {
    const Bytes backgrounds[] = {Bytes(7, 0x00), Bytes(7, 0xFF),
                                 Bytes{0xA5, 0x3C, 0x96, 0x0F, 0xE1, 0x5A, 0xC3}};
    for (const Bytes& background : backgrounds) {
        for (int nbit = 0; nbit <= 32; ++nbit) {
            for (int position : {0, 1, 3, 5, 7, 8, 11, 15, 16, 21}) {
                SCOPED_TRACE(testing::Message() << "nbit " << nbit << " position " << position);
                const std::uint32_t value = 0x9E3779B9u * static_cast<std::uint32_t>(nbit + 1);
                Bytes buffer = background;
                WriteBits32(buffer.data(), position, nbit, value);
                std::uint32_t out = 0xFFFFFFFF;
                ReadBits32(out, buffer.data(), position, nbit);
                EXPECT_EQ(out, nbit == 32 ? value : value & ((1u << nbit) - 1));
                if (nbit <= 8) { // a short field is laid out the same by both widths
                    Bytes narrow = background;
                    WriteBits8(narrow.data(), position, nbit, static_cast<std::uint8_t>(value));
                    EXPECT_EQ(narrow, buffer);
                    std::uint8_t small = 0xFF;
                    ReadBits8(small, narrow.data(), position, nbit);
                    EXPECT_EQ(small, out);
                }

                for (int p = 0; p < 8 * static_cast<int>(buffer.size()); ++p) {
                    const int offset = p - position;
                    if (offset < 0 || offset >= nbit) {
                        ASSERT_EQ(BitAt(buffer, p), BitAt(background, p)) << "bit " << p;
                        continue;
                    }
                    const int group = offset / 8;
                    const int width = group < nbit / 8 ? 8 : nbit % 8;
                    const int valueBit = 8 * group + width - 1 - offset % 8;
                    ASSERT_EQ(BitAt(buffer, p), static_cast<int>((value >> valueBit) & 1))
                        << "bit " << p;
                }
            }
        }
    }
}

// Buffers of exactly the field's bytes: the sanitizer build catches any touch
// beyond them, including the empty last group of a whole-byte count.
TEST(BitFields, OnlyTheFieldsBytesAreTouched) {
    Bytes four(4);
    WriteBits32(four.data(), 0, 32, 0x89ABCDEF);
    std::uint32_t out = 0;
    ReadBits32(out, four.data(), 0, 32);
    EXPECT_EQ(out, 0x89ABCDEFu);
    WriteBits32(four.data(), 32, 0, 0xFFFFFFFF); // zero bits just past the end
    EXPECT_EQ(four, (Bytes{0xEF, 0xCD, 0xAB, 0x89}));
}

// A count out of range is the caller's error: a debug build stops naming
// the check (a release build reads 0 and writes nothing).
#ifndef NDEBUG
TEST(BitFieldsDeathTest, BadCountsStopWithTheCheckNamed) {
    Bytes buffer(8, 0);
    std::uint8_t small = 0;
    std::uint32_t wide = 0;
    EXPECT_DEATH(ReadBits8(small, buffer.data(), 0, 9),
                 "Assertion failed: \\(0<=nbit\\)&&\\(nbit<=8\\), file myutil, line 52");
    EXPECT_DEATH(ReadBits32(wide, buffer.data(), 0, 33),
                 "Assertion failed: \\(0<=nbit\\)&&\\(nbit<=32\\), file myutil, line 72");
    EXPECT_DEATH(WriteBits8(buffer.data(), 0, -1, 1),
                 "Assertion failed: \\(0<=nbit\\)&&\\(nbit<=8\\), file myutil, line 86");
    EXPECT_DEATH(WriteBits32(buffer.data(), 0, 40, 1),
                 "Assertion failed: \\(0<=nbit\\)&&\\(nbit<=32\\), file myutil, line 118");
}
#endif

} // namespace
