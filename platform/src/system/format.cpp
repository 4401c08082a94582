// wsprintfA: user32's printf subset.
#include <cstdarg>
#include <cstring>
#include <string>

#include "winapi/user.h"

namespace {

constexpr std::size_t kOutputLimit = 1024; // bytes, the terminator included

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
    char size = '\0'; // 'h', 'l' or none
};

class Output {
public:
    explicit Output(char* buffer) : buffer(buffer) {}
    void Put(char c) {
        if (length < kOutputLimit - 1) {
            buffer[length++] = c;
        }
    }
    void Put(const char* text, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            Put(text[i]);
        }
    }
    void Pad(char c, int count) {
        for (int i = 0; i < count; ++i) {
            Put(c);
        }
    }
    int Finish() {
        buffer[length] = '\0';
        return static_cast<int>(length);
    }

private:
    char* buffer;
    std::size_t length = 0;
};

// Puts `body` (with an optional sign or "0x" prefix) padded to the width.
void PutField(Output& out, const Conversion& conversion, const std::string& prefix,
              const std::string& body, bool numeric) {
    const int length = static_cast<int>(prefix.size() + body.size());
    const int padding = conversion.width > length ? conversion.width - length : 0;
    if (conversion.leftAlign) {
        out.Put(prefix.data(), prefix.size());
        out.Put(body.data(), body.size());
        out.Pad(' ', padding);
    } else if (conversion.zeroPad && numeric) {
        out.Put(prefix.data(), prefix.size());
        out.Pad('0', padding);
        out.Put(body.data(), body.size());
    } else {
        out.Pad(conversion.zeroPad ? '0' : ' ', padding);
        out.Put(prefix.data(), prefix.size());
        out.Put(body.data(), body.size());
    }
}

std::string Digits(unsigned value, unsigned base, bool upper, int precision) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    while (value > 0) {
        text.insert(text.begin(), digits[value % base]);
        value /= base;
    }
    const std::size_t minimum = precision < 0 ? 1 : static_cast<std::size_t>(precision);
    if (text.size() < minimum) {
        text.insert(0, minimum - text.size(), '0');
    }
    return text;
}

// Integer arguments are 32 bits ("l" included, as in a Windows program);
// "h" takes the low 16 bits.
unsigned TakeUnsigned(va_list& args, const Conversion& conversion) {
    const unsigned value = va_arg(args, unsigned);
    return conversion.size == 'h' ? (value & 0xFFFFu) : value;
}

int TakeSigned(va_list& args, const Conversion& conversion) {
    const int value = va_arg(args, int);
    return conversion.size == 'h' ? static_cast<short>(value) : value;
}

} // namespace

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (!buffer || !format) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    Output out(buffer);
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out.Put(*p);
            continue;
        }
        const char* start = p++;
        Conversion conversion;
        for (;; ++p) {
            if (*p == '-') {
                conversion.leftAlign = true;
            } else if (*p == '0') {
                conversion.zeroPad = true;
            } else if (*p == '#') {
                conversion.alternate = true;
            } else {
                break;
            }
        }
        while (*p >= '0' && *p <= '9') {
            conversion.width = conversion.width * 10 + (*p++ - '0');
        }
        if (*p == '.') {
            ++p;
            conversion.precision = 0;
            while (*p >= '0' && *p <= '9') {
                conversion.precision = conversion.precision * 10 + (*p++ - '0');
            }
        }
        if (*p == 'l' || *p == 'h') {
            conversion.size = *p++;
        }
        switch (*p) {
        case 'd':
        case 'i': {
            const int value = TakeSigned(args, conversion);
            const unsigned magnitude =
                value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
            PutField(out, conversion, value < 0 ? "-" : "",
                     Digits(magnitude, 10, false, conversion.precision), true);
            break;
        }
        case 'u':
            PutField(out, conversion, "",
                     Digits(TakeUnsigned(args, conversion), 10, false, conversion.precision), true);
            break;
        case 'x':
        case 'X': {
            const unsigned value = TakeUnsigned(args, conversion);
            const bool upper = *p == 'X';
            const std::string prefix =
                conversion.alternate && value != 0 ? (upper ? "0X" : "0x") : "";
            PutField(out, conversion, prefix, Digits(value, 16, upper, conversion.precision), true);
            break;
        }
        case 'c': {
            const char c = static_cast<char>(va_arg(args, int));
            PutField(out, conversion, "", std::string(1, c), false);
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (!text) {
                text = "(null)";
            }
            std::size_t length = std::strlen(text);
            if (conversion.precision >= 0 &&
                static_cast<std::size_t>(conversion.precision) < length) {
                length = static_cast<std::size_t>(conversion.precision);
            }
            PutField(out, conversion, "", std::string(text, length), false);
            break;
        }
        case '\0': // a lone '%' at the end
            out.Put(start, static_cast<std::size_t>(p - start));
            --p;
            break;
        default: // "%%" and unknown conversions: the character itself
            out.Put(*p);
            break;
        }
    }
    va_end(args);
    return out.Finish();
}
