// Text conversion between the ANSI code page (932, Microsoft's Shift-JIS) that
// the Windows-shaped API takes and the UTF-8 / UTF-16 / code points the
// machine's libraries use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Bytes that are no valid code-page-932 character become U+30FB, one for
// each such byte, as MultiByteToWideChar gives them.
std::string AnsiToUtf8(std::string_view ansi);
std::u16string AnsiToUtf16(std::string_view ansi);
// Into `out` (replaced, not appended), allocating only when it has to grow:
// GDI decodes every string it draws.
void AnsiToCodePoints(std::string_view ansi, std::vector<char32_t>& out);

// Characters code page 932 lacks become '?'.
std::string Utf8ToAnsi(std::string_view utf8);

// A Windows file name (code page 932, `\` or `/` between folders) as a path
// for this machine's file system.
std::string NativePath(std::string_view ansiPath);

} // namespace platform
