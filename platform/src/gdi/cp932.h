// Shift-JIS (code page 932) text as the code points GDI draws.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::gdi {

// Decodes `length` bytes into `out` (replaced, not appended). A byte sequence
// that is no Shift-JIS character becomes U+FFFD. Allocates only when `out`
// has to grow.
void DecodeCp932(const char* bytes, std::size_t length, std::vector<char32_t>& out);

// A zero-terminated Shift-JIS name as UTF-8 (for fontconfig).
std::string Cp932ToUtf8(const char* text);

} // namespace platform::gdi
