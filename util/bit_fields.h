// Bit fields of 0 to 8 and 0 to 32 bits at any bit position of a byte buffer.
//
// Bit position p is bit p % 8 of byte p / 8, counted from the byte's most
// significant bit. An 8-bit field keeps its most significant bit first and may
// cross one byte boundary. A 32-bit field is moved in groups of 8 bits, the
// value's least significant byte first, each group most significant bit first.
//
// A count outside its range, or a negative position, is a caller error: a
// debug build stops with a report naming the check, a release build reads 0
// and writes nothing. Only the bytes a field covers are ever touched, so a
// zero-width field touches none.
#pragma once

#include <cstdint>

// The n top bits (fromTop) or the n low bits set; n >= 8 gives 0xFF, n <= 0 gives 0.
std::uint8_t BitMask8(int n, bool fromTop);

void ReadBits8(std::uint8_t& out, const std::uint8_t* buffer, int position, int nbit);
void ReadBits32(std::uint32_t& out, const std::uint8_t* buffer, int position, int nbit);

// Write the low nbit bits of value.
void WriteBits8(std::uint8_t* buffer, int position, int nbit, const std::uint8_t& value);
void WriteBits32(std::uint8_t* buffer, int position, int nbit, const std::uint32_t& value);
