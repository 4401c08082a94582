// InputBits: the keys and buttons held down at the moment of sampling, one
// bit each; only the low ten bits are ever set.
#pragma once

#include <cstdint>

using InputBits = std::uint32_t;

inline constexpr InputBits INPUT_LEFT = 0x001;
inline constexpr InputBits INPUT_RIGHT = 0x002;
inline constexpr InputBits INPUT_UP = 0x004;
inline constexpr InputBits INPUT_DOWN = 0x008;
inline constexpr InputBits INPUT_Z = 0x010;
inline constexpr InputBits INPUT_X = 0x020;
inline constexpr InputBits INPUT_LBUTTON = 0x040;
inline constexpr InputBits INPUT_RBUTTON = 0x080;
inline constexpr InputBits INPUT_SPACE = 0x100;
inline constexpr InputBits INPUT_ENTER = 0x200;
