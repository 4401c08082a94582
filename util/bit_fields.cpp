#include "util/bit_fields.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Each check has a fixed number that its report carries, so a report names
// the same check in every build of the library.
constexpr int READ8_CHECK = 52;
constexpr int READ32_CHECK = 72;
constexpr int WRITE8_CHECK = 86;
constexpr int WRITE32_CHECK = 118;
constexpr const char* COUNT8_TEXT = "(0<=nbit)&&(nbit<=8)";
constexpr const char* COUNT32_TEXT = "(0<=nbit)&&(nbit<=32)";
constexpr const char* POSITION_TEXT = "0<=position";

// Debug builds stop at a caller error with the C runtime's assertion report;
// release builds carry on and the caller does nothing.
bool Checked(bool ok, const char* expression, int line) {
#ifndef NDEBUG
    if (!ok) {
        std::fprintf(stderr, "Assertion failed: %s, file myutil, line %d\n", expression, line);
        std::abort();
    }
#else
    (void)expression;
    (void)line;
#endif
    return ok;
}

bool ArgumentsOk(int position, int nbit, int maxBits, int line) {
    return Checked(0 <= nbit && nbit <= maxBits, maxBits == 8 ? COUNT8_TEXT : COUNT32_TEXT, line) &&
           Checked(0 <= position, POSITION_TEXT, line);
}

// The field of nbit (0 to 8) bits starting at bit b (0 to 7) of p[0],
// continuing into p[1] when it does not fit.
std::uint8_t ReadField(const std::uint8_t* p, int b, int nbit) {
    if (nbit == 0) {
        return 0;
    }
    const int end = b + nbit;
    if (end <= 8) {
        return (p[0] >> (8 - end)) & BitMask8(nbit, false);
    }
    const int rest = end - 8;
    return static_cast<std::uint8_t>(((p[0] & BitMask8(8 - b, false)) << rest) |
                                     ((p[1] & BitMask8(rest, true)) >> (8 - rest)));
}

void WriteField(std::uint8_t* p, int b, int nbit, std::uint8_t value) {
    if (nbit == 0) {
        return;
    }
    const auto atTop = static_cast<std::uint8_t>(value << (8 - nbit));
    if (b + nbit <= 8) {
        const std::uint8_t mask = BitMask8(nbit, true);
        p[0] = static_cast<std::uint8_t>((p[0] & ~(mask >> b)) | ((atTop & mask) >> b));
        return;
    }
    const int rest = b + nbit - 8;
    const std::uint8_t head = BitMask8(8 - b, true);
    p[0] = static_cast<std::uint8_t>((p[0] & ~(head >> b)) | ((atTop & head) >> b));
    const std::uint8_t tail = BitMask8(rest, false);
    p[1] =
        static_cast<std::uint8_t>((p[1] & ~(tail << (8 - rest))) | ((value & tail) << (8 - rest)));
}

} // namespace

std::uint8_t BitMask8(int n, bool fromTop) {
    if (n <= 0) {
        return 0;
    }
    if (n >= 8) {
        return 0xFF;
    }
    return static_cast<std::uint8_t>(fromTop ? 0xFF << (8 - n) : (1 << n) - 1);
}

void ReadBits8(std::uint8_t& out, const std::uint8_t* buffer, int position, int nbit) {
    out = 0;
    if (ArgumentsOk(position, nbit, 8, READ8_CHECK)) {
        out = ReadField(buffer + position / 8, position % 8, nbit);
    }
}

void ReadBits32(std::uint32_t& out, const std::uint8_t* buffer, int position, int nbit) {
    out = 0;
    if (!ArgumentsOk(position, nbit, 32, READ32_CHECK)) {
        return;
    }
    // Whole groups of 8, then the remaining bits; a whole-byte count has no
    // empty last group to touch.
    const std::uint8_t* p = buffer + position / 8;
    for (int k = 0, left = nbit; left > 0; ++k, left -= 8) {
        const auto group = ReadField(p + k, position % 8, std::min(left, 8));
        out |= static_cast<std::uint32_t>(group) << (8 * k);
    }
}

void WriteBits8(std::uint8_t* buffer, int position, int nbit, const std::uint8_t& value) {
    if (ArgumentsOk(position, nbit, 8, WRITE8_CHECK)) {
        WriteField(buffer + position / 8, position % 8, nbit, value);
    }
}

void WriteBits32(std::uint8_t* buffer, int position, int nbit, const std::uint32_t& value) {
    if (!ArgumentsOk(position, nbit, 32, WRITE32_CHECK)) {
        return;
    }
    std::uint8_t* p = buffer + position / 8;
    for (int k = 0, left = nbit; left > 0; ++k, left -= 8) {
        const int width = std::min(left, 8);
        const auto group = static_cast<std::uint8_t>(value >> (8 * k));
        WriteField(p + k, position % 8, width, group & BitMask8(width, false));
    }
}
