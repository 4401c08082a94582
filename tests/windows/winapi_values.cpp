// Prints the values and sizes of the Windows API names whose numbers matter
// outside the stand-in, one "name: value" line each: the integer types the
// game computes with, the records it reads from files or sizes itself, the
// numbers scenario files and messages carry (result codes, keys, message
// numbers) and the colour layout. Built twice: against our stand-in
// (natively) and against the SDK's headers (the Windows build, run under
// Wine); the two listings must be equal, or the stand-in declares something
// differently from Windows. Flags and GUIDs that only the stand-in itself
// interprets are left out: their numbers change nothing the game does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "winapi.h"

namespace {

// An integer constant: its value. (The SDK's are mostly untyped macros, so
// their types are not compared; the types they are stored in are.)
template <typename T>
requires std::is_integral_v<T> || std::is_enum_v<T>
void PrintValue(const char* name, T value) {
    std::printf("%s: %lld\n", name, static_cast<long long>(value));
}

// A resource or handle constant made from an integer (MAKEINTRESOURCE).
template <typename T> void PrintValue(const char* name, T* value) {
    std::printf("%s: pointer %llu\n", name,
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(value)));
}

template <typename T> void PrintType(const char* name) {
    if constexpr (std::is_integral_v<T>) {
        std::printf("type %s: %s%zu\n", name, std::is_signed_v<T> ? "int" : "uint", sizeof(T) * 8);
    } else {
        std::printf("type %s: %zu bytes, aligned %zu\n", name, sizeof(T), alignof(T));
    }
}

} // namespace

#define VALUE(name) PrintValue(#name, name)
#define TYPE(name) PrintType<name>(#name)
#define FIELD(type, field) std::printf("%s.%s: at %zu\n", #type, #field, offsetof(type, field))

int main() {
    // Integer types: their widths decide how the game's arithmetic wraps.
    TYPE(BYTE);
    TYPE(WORD);
    TYPE(DWORD);
    TYPE(UINT);
    TYPE(LONG);
    TYPE(BOOL);
    TYPE(HRESULT);
    TYPE(WPARAM);
    TYPE(LPARAM);
    TYPE(COLORREF);
    TYPE(WCHAR);
    TYPE(MUSIC_TIME);
    TYPE(REFERENCE_TIME);

    // Records read from files or sized by the game itself.
    TYPE(BITMAP);
    TYPE(BITMAPINFOHEADER);
    TYPE(RGBQUAD);
    TYPE(PALETTEENTRY);
    TYPE(WAVEFORMATEX);
    TYPE(DMUS_SYSEX_PMSG);
    TYPE(DMUS_PORTCAPS);
    FIELD(BITMAP, bmBits);
    FIELD(DMUS_SYSEX_PMSG, abData);

    // Message numbers (the game's own start at WM_USER), keys as scenario
    // files name them, and colours.
    VALUE(WM_CLOSE);
    VALUE(WM_QUIT);
    VALUE(WM_ACTIVATEAPP);
    VALUE(WM_KEYDOWN);
    VALUE(WM_USER);
    VALUE(MB_OK);
    VALUE(VK_LBUTTON);
    VALUE(VK_RBUTTON);
    VALUE(VK_RETURN);
    VALUE(VK_ESCAPE);
    VALUE(VK_SPACE);
    VALUE(VK_LEFT);
    VALUE(VK_UP);
    VALUE(VK_RIGHT);
    VALUE(VK_DOWN);
    VALUE(VK_F12);
    VALUE(RGB(0x12, 0x34, 0x56));
    VALUE(MAKEINTRESOURCEA(109));
    VALUE(RT_BITMAP);
    VALUE(MAX_PATH);
    VALUE(INVALID_SET_FILE_POINTER);

    // Results, as faults in scenario files give them and as the game judges them.
    VALUE(S_OK);
    VALUE(S_FALSE);
    VALUE(E_FAIL);
    VALUE(FAILED(E_FAIL));
    VALUE(SUCCEEDED(S_FALSE));
    VALUE(DD_OK);
    VALUE(DDERR_SURFACELOST);
    VALUE(DS_OK);
    VALUE(WAIT_OBJECT_0);
    return 0;
}
