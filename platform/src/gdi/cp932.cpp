#include "gdi/cp932.h"

#include <iconv.h>

#include <bit>
#include <cerrno>

#include <cstring>
#include <mutex>

namespace platform::gdi {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~Converter() {
        if (Usable()) {
            iconv_close(handle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return handle != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; a sequence it cannot take is skipped by
    // `badSkip` bytes after calling `onBad`.
    template <class OnBad>
    void Run(const char* bytes, std::size_t length, char* out, std::size_t& outLeft, OnBad onBad) {
        std::lock_guard<std::mutex> hold(lock);
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes);
        std::size_t inLeft = length;
        while (inLeft > 0) {
            const std::size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
            if (result != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                return;
            }
            // EILSEQ or EINVAL (a lead byte with nothing after it): skip it.
            if (!onBad(out, outLeft)) {
                return;
            }
            ++in;
            --inLeft;
            iconv(handle, nullptr, nullptr, nullptr, nullptr);
        }
    }

private:
    iconv_t handle;
    std::mutex lock;
};

Converter& ToUtf32() {
    static Converter converter("UTF-32LE", "CP932");
    return converter;
}

Converter& ToUtf8() {
    static Converter converter("UTF-8", "CP932");
    return converter;
}

} // namespace

void DecodeCp932(const char* bytes, std::size_t length, std::vector<char32_t>& out) {
    out.clear();
    bool ascii = true;
    for (std::size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii || !ToUtf32().Usable()) {
        out.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            out[i] = byte < 0x80 ? byte : U'\uFFFD';
        }
        return;
    }
    // Every byte gives at most one character.
    out.resize(length);
    char* start = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = length * sizeof(char32_t);
    ToUtf32().Run(bytes, length, start, outLeft, [](char*& o, std::size_t& left) {
        if (left < sizeof(char32_t)) {
            return false;
        }
        const char32_t replacement = U'\uFFFD';
        std::memcpy(o, &replacement, sizeof replacement);
        o += sizeof replacement;
        left -= sizeof replacement;
        return true;
    });
    out.resize(length - outLeft / sizeof(char32_t));
    // UTF-32LE bytes into host-order code points (the host is little-endian on
    // every machine this runs on, but say so rather than assume it).
    if constexpr (std::endian::native == std::endian::big) {
        for (char32_t& c : out) {
            c = ((c & 0xFF) << 24) | ((c & 0xFF00) << 8) | ((c >> 8) & 0xFF00) | (c >> 24);
        }
    }
}

std::string Cp932ToUtf8(const char* text) {
    const std::size_t length = std::strlen(text);
    std::string out(length * 3, '\0');
    if (!ToUtf8().Usable()) {
        return std::string(text, length);
    }
    std::size_t outLeft = out.size();
    ToUtf8().Run(text, length, out.data(), outLeft, [](char*& o, std::size_t& left) {
        if (left < 3) {
            return false;
        }
        std::memcpy(o, "\xEF\xBF\xBD", 3);
        o += 3;
        left -= 3;
        return true;
    });
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace platform::gdi
