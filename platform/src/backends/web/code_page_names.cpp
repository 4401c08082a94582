// The C library of the web build (musl) knows code page 932 by the name
// Shift_JIS, and decodes it by the JIS X 0208 table: every character the
// game's texts use, though not the NEC and IBM rows Windows adds. The
// platform asks iconv for "CP932" as glibc names it; the link routes its
// iconv_open through here (-Wl,--wrap=iconv_open), which gives the name musl
// knows.
#include <iconv.h>
#include <strings.h>

extern "C" iconv_t __real_iconv_open(const char* to, const char* from);

namespace {

const char* MuslName(const char* name) {
    return name && strcasecmp(name, "CP932") == 0 ? "SHIFT_JIS" : name;
}

} // namespace

extern "C" iconv_t __wrap_iconv_open(const char* to, const char* from) {
    return __real_iconv_open(MuslName(to), MuslName(from));
}
