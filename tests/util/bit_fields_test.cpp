#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "util/myutil.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int BitAt(const Bytes& buffer, int position) {
    return (buffer[position / 8] >> (7 - position % 8)) & 1;
}

std::uint32_t LowBits(std::uint32_t value, int n) {
    return n >= 32 ? value : value & ((std::uint32_t{1} << n) - 1);
}

TEST(BitMask8, TopAndLowBits) {
    const int counts[] = {-3, 0, 1, 3, 7, 8, 12};
    const int top[] = {0x00, 0x00, 0x80, 0xE0, 0xFE, 0xFF, 0xFF};
    const int low[] = {0x00, 0x00, 0x01, 0x07, 0x7F, 0xFF, 0xFF};
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(BitMask8(counts[k], true), top[k]) << counts[k];
        EXPECT_EQ(BitMask8(counts[k], false), low[k]) << counts[k];
    }
}

TEST(BitFields, WideValuesLeastSignificantByteFirst) {
    const Bytes source{0x12, 0x34};
    std::uint32_t out = 0;
    ReadBits32(out, source.data(), 0, 16);
    EXPECT_EQ(out, 0x3412u);

    Bytes buffer(4, 0);
    WriteBits32(buffer.data(), 4, 24, 0xFFABCDEF);
    EXPECT_EQ(buffer, (Bytes{0x0E, 0xFC, 0xDA, 0xB0}));

    // A short last group holds the value's remaining high bits.
    Bytes twelve(2, 0);
    WriteBits32(twelve.data(), 3, 12, 0xABC);
    EXPECT_EQ(twelve, (Bytes{0x17, 0x94}));
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
                EXPECT_EQ(out, LowBits(value, nbit));
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
    std::vector<std::uint8_t> four(4);
    WriteBits32(four.data(), 0, 32, 0x89ABCDEF);
    std::uint32_t out = 0;
    ReadBits32(out, four.data(), 0, 32);
    EXPECT_EQ(out, 0x89ABCDEFu);

    std::vector<std::uint8_t> one(1, 0xFF);
    WriteBits8(one.data(), 5, 3, 0);
    EXPECT_EQ(one[0], 0xF8);
    std::uint8_t small = 0xFF;
    ReadBits8(small, one.data(), 8, 0); // zero bits just past the end
    EXPECT_EQ(small, 0);
    WriteBits8(one.data(), 8, 0, 0xFF);
    WriteBits32(one.data(), 8, 0, 0xFFFFFFFF);
    EXPECT_EQ(one[0], 0xF8);
}

#ifdef NDEBUG

TEST(BitFields, BadArgumentsReadZeroAndWriteNothing) {
    const Bytes background{0x5A, 0xC3, 0x81, 0x7E, 0x18, 0x24};
    Bytes buffer = background;
    std::uint8_t small = 0xFF;
    std::uint32_t wide = 0xFFFFFFFF;
    for (int nbit : {-1, 9, 33, 1000}) {
        ReadBits8(small, buffer.data(), 3, nbit);
        EXPECT_EQ(small, 0) << nbit;
        WriteBits8(buffer.data(), 3, nbit, 0xFF);
        small = 0xFF;
        if (nbit > 32 || nbit < 0) {
            ReadBits32(wide, buffer.data(), 3, nbit);
            EXPECT_EQ(wide, 0u) << nbit;
            WriteBits32(buffer.data(), 3, nbit, 0xFFFFFFFF);
            wide = 0xFFFFFFFF;
        }
    }
    ReadBits8(small, buffer.data() + 1, -1, 4);
    EXPECT_EQ(small, 0);
    WriteBits32(buffer.data() + 4, -8, 8, 0);
    EXPECT_EQ(buffer, background);
}

#else

TEST(BitFieldsDeathTest, BadArgumentsStopWithTheCheckNamed) {
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
    EXPECT_DEATH(WriteBits8(buffer.data() + 1, -1, 4, 1),
                 "Assertion failed: 0<=position, file myutil, line 86");
}

#endif

} // namespace
