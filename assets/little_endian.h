// Appending the little-endian fields of the files the generators write
// (Windows bitmaps and RIFF WAVE files).
#pragma once

#include <cstdint>
#include <vector>

namespace assets {

inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(std::uint8_t(v >> (8 * i)));
    }
}

} // namespace assets
