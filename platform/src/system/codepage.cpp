// Code-page conversion through glibc's iconv. Code page 932 is the ANSI (and
// OEM) code page; UTF-8 is offered as well. Wide strings are UTF-16.
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/faults.h"
#include "platform/text.h"
#include "winapi/kernel.h"

static_assert(std::endian::native == std::endian::little, "wide strings are UTF-16LE here");

namespace {

// What Windows' MultiByteToWideChar gives for a byte of code page 932 that
// starts no character (or a lead byte whose trail is no trail byte); the
// byte after it is read again as the start of the next character.
constexpr char16_t kCodePage932Default = u'\u30FB';
constexpr char32_t kCodePage932Wide = U'\u30FB';
constexpr char16_t kUtf8Default = u'\uFFFD';

class Converter {
public:
    Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return cd; }

    // Converts all of `input`; where a sequence cannot be converted, appends
    // `replacement` (already in the target encoding), skips `badLength(at)`
    // bytes of input and goes on. `sawBad` reports whether that happened.
    template <class BadLength>
    std::string Run(std::string_view input, std::string_view replacement, BadLength badLength,
                    bool& sawBad) {
        std::string output(input.size() * 4 + 16, '\0');
        std::size_t used = 0;
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        sawBad = false;
        while (inLeft > 0) {
            char* out = output.data() + used;
            std::size_t outLeft = output.size() - used;
            const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
            used = output.size() - outLeft;
            if (result != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                output.resize(output.size() * 2);
                continue;
            }
            // EILSEQ or EINVAL (a sequence cut off at the end).
            sawBad = true;
            if (output.size() - used < replacement.size()) {
                output.resize(output.size() * 2 + replacement.size());
            }
            std::memcpy(output.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
            const std::size_t skip = std::min(inLeft, badLength(std::string_view(in, inLeft)));
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        output.resize(used);
        return output;
    }

private:
    iconv_t cd;
};

std::string_view AsBytes(const std::u16string& s) {
    return {reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t)};
}

std::u16string FromBytes(const std::string& bytes) {
    std::u16string s(bytes.size() / 2, u'\0');
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

const char* CharsetOf(UINT codePage) {
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case 932:
        return "CP932";
    case CP_UTF8:
        return "UTF-8";
    default:
        return nullptr;
    }
}

std::size_t OneByte(std::string_view) {
    return 1;
}

// A bad UTF-16 unit: an unpaired surrogate, or a character (maybe a pair)
// the target cannot hold.
std::size_t OneWideCharacter(std::string_view rest) {
    if (rest.size() >= 4) {
        char16_t first = 0;
        char16_t second = 0;
        std::memcpy(&first, rest.data(), 2);
        std::memcpy(&second, rest.data() + 2, 2);
        if (first >= 0xD800 && first < 0xDC00 && second >= 0xDC00 && second < 0xE000) {
            return 4;
        }
    }
    return 2;
}

// Multi-byte to UTF-16; false when the code page is unknown.
bool Widen(UINT codePage, std::string_view input, std::u16string& out, bool& sawBad) {
    const char* charset = CharsetOf(codePage);
    if (!charset) {
        return false;
    }
    Converter converter("UTF-16LE", charset);
    if (!converter.ok()) {
        return false;
    }
    const char16_t replacement = codePage == CP_UTF8 ? kUtf8Default : kCodePage932Default;
    const std::string_view replacementBytes(reinterpret_cast<const char*>(&replacement), 2);
    out = FromBytes(converter.Run(input, replacementBytes, OneByte, sawBad));
    return true;
}

bool Narrow(UINT codePage, const std::u16string& input, std::string_view defaultChar,
            std::string& out, bool& sawBad) {
    const char* charset = CharsetOf(codePage);
    if (!charset) {
        return false;
    }
    Converter converter(charset, "UTF-16LE");
    if (!converter.ok()) {
        return false;
    }
    out = converter.Run(AsBytes(input), defaultChar, OneWideCharacter, sawBad);
    return true;
}

// Copies a converted string out with the Win32 sizing rules: a zero
// `capacity` asks for the length needed; too little room fails.
template <class Char>
int CopyOut(const std::basic_string<Char>& converted, Char* destination, int capacity) {
    const int needed = static_cast<int>(converted.size());
    if (capacity == 0) {
        return needed;
    }
    if (needed > capacity) {
        return 0;
    }
    std::copy(converted.begin(), converted.end(), destination);
    return needed;
}

} // namespace

namespace platform {

std::u16string AnsiToUtf16(std::string_view ansi) {
    std::u16string wide;
    bool sawBad = false;
    Widen(CP_ACP, ansi, wide, sawBad);
    return wide;
}

std::string AnsiToUtf8(std::string_view ansi) {
    Converter converter("UTF-8", "CP932");
    bool sawBad = false;
    return converter.Run(ansi, "\xE3\x83\xBB", OneByte, sawBad); // U+30FB
}

void AnsiToCodePoints(std::string_view ansi, std::vector<char32_t>& out) {
    out.resize(ansi.size()); // every byte gives at most one character
    if (std::all_of(ansi.begin(), ansi.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::copy(ansi.begin(), ansi.end(), out.begin());
        return;
    }
    // GDI decodes every string it draws: one converter stays open, and the
    // caller's buffer is reused, so drawing allocates nothing once warm.
    static std::mutex lock;
    static Converter converter("UTF-32LE", "CP932");
    std::lock_guard<std::mutex> hold(lock);
    iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(ansi.data());
    std::size_t inLeft = ansi.size();
    char* start = reinterpret_cast<char*>(out.data());
    char* at = start;
    std::size_t outLeft = out.size() * sizeof(char32_t);
    while (inLeft > 0 &&
           iconv(converter.Handle(), &in, &inLeft, &at, &outLeft) == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG || !converter.ok()) {
            break;
        }
        std::memcpy(at, &kCodePage932Wide, sizeof kCodePage932Wide); // room: a byte is left
        at += sizeof kCodePage932Wide;
        outLeft -= sizeof kCodePage932Wide;
        ++in;
        --inLeft;
        iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(at - start) / sizeof(char32_t));
}

std::string Utf8ToAnsi(std::string_view utf8) {
    Converter converter("CP932", "UTF-8");
    bool sawBad = false;
    return converter.Run(utf8, "?", OneByte, sawBad);
}

std::string NativePath(std::string_view ansiPath) {
    // Convert first: in code page 932 the second byte of a double-byte
    // character may be 0x5C, which is no separator; in UTF-8 it always is.
    std::string path = AnsiToUtf8(ansiPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace platform

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength,
                               LPWSTR wide, int wideLength) {
    if (platform::TakeFault("MultiByteToWideChar")) {
        return 0;
    }
    if (!multiByte || multiByteLength == 0 || multiByteLength < -1 || wideLength < 0 ||
        (wideLength > 0 && !wide)) {
        return 0;
    }
    if (flags & ~(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS)) {
        return 0;
    }
    // Length -1: the string and its terminator.
    const std::size_t length = multiByteLength == -1 ? std::strlen(multiByte) + 1
                                                     : static_cast<std::size_t>(multiByteLength);
    std::u16string converted;
    bool sawBad = false;
    if (!Widen(codePage, std::string_view(multiByte, length), converted, sawBad)) {
        return 0;
    }
    if (sawBad && (flags & MB_ERR_INVALID_CHARS)) {
        return 0;
    }
    return CopyOut(converted, wide, wideLength);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength,
                               LPSTR multiByte, int multiByteLength, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar) {
    if (platform::TakeFault("WideCharToMultiByte")) {
        return 0;
    }
    if (!wide || wideLength == 0 || wideLength < -1 || multiByteLength < 0 ||
        (multiByteLength > 0 && !multiByte)) {
        return 0;
    }
    if (codePage == CP_UTF8 && (defaultChar || usedDefaultChar)) {
        return 0;
    }
    if (flags & ~WC_NO_BEST_FIT_CHARS) {
        return 0;
    }
    std::size_t length = 0;
    if (wideLength == -1) {
        while (wide[length] != u'\0') {
            ++length;
        }
        ++length;
    } else {
        length = static_cast<std::size_t>(wideLength);
    }
    const std::string_view replacement =
        codePage == CP_UTF8 ? std::string_view("\xEF\xBF\xBD")
                            : std::string_view(defaultChar ? defaultChar : "?",
                                               defaultChar ? std::strlen(defaultChar) : 1);
    std::string converted;
    bool sawBad = false;
    if (!Narrow(codePage, std::u16string(wide, length), replacement, converted, sawBad)) {
        return 0;
    }
    if (usedDefaultChar) {
        *usedDefaultChar = sawBad ? TRUE : FALSE;
    }
    return CopyOut(converted, multiByte, multiByteLength);
}
