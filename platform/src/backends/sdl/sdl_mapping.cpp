#include "backends/sdl/sdl_mapping.h"

#include <algorithm>
#include <cstring>

#include "winapi/user.h"

namespace platform::sdl {
namespace {

// Message box types and results beyond those the API header names.
constexpr unsigned kTypeMask = 0xF;
constexpr unsigned kAbortRetryIgnore = 2;
constexpr unsigned kYesNoCancel = 3;
constexpr unsigned kRetryCancel = 5;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kIconQuestion = 0x20;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;

constexpr int kVkNumpad0 = 0x60;
constexpr int kVkMultiply = 0x6A;
constexpr int kVkAdd = 0x6B;
constexpr int kVkSubtract = 0x6D;
constexpr int kVkDecimal = 0x6E;
constexpr int kVkDivide = 0x6F;
constexpr int kVkCapital = 0x14;
constexpr int kVkNumLock = 0x90;
constexpr int kVkScroll = 0x91;
constexpr int kVkSnapshot = 0x2C;
constexpr int kVkLeftWindows = 0x5B;
constexpr int kVkRightWindows = 0x5C;
constexpr int kVkApps = 0x5D;

// Keys found by position: one Windows code, the SDL scancodes that give it.
struct PositionalKey {
    int virtualKey;
    SDL_Scancode scancode;
};

constexpr PositionalKey kPositionalKeys[] = {
    {VK_BACK, SDL_SCANCODE_BACKSPACE},
    {VK_TAB, SDL_SCANCODE_TAB},
    {VK_RETURN, SDL_SCANCODE_RETURN},
    {VK_RETURN, SDL_SCANCODE_KP_ENTER},
    {VK_SHIFT, SDL_SCANCODE_LSHIFT},
    {VK_SHIFT, SDL_SCANCODE_RSHIFT},
    {VK_CONTROL, SDL_SCANCODE_LCTRL},
    {VK_CONTROL, SDL_SCANCODE_RCTRL},
    {VK_MENU, SDL_SCANCODE_LALT},
    {VK_MENU, SDL_SCANCODE_RALT},
    {VK_PAUSE, SDL_SCANCODE_PAUSE},
    {kVkCapital, SDL_SCANCODE_CAPSLOCK},
    {VK_ESCAPE, SDL_SCANCODE_ESCAPE},
    {VK_SPACE, SDL_SCANCODE_SPACE},
    {VK_PRIOR, SDL_SCANCODE_PAGEUP},
    {VK_NEXT, SDL_SCANCODE_PAGEDOWN},
    {VK_END, SDL_SCANCODE_END},
    {VK_HOME, SDL_SCANCODE_HOME},
    {VK_LEFT, SDL_SCANCODE_LEFT},
    {VK_UP, SDL_SCANCODE_UP},
    {VK_RIGHT, SDL_SCANCODE_RIGHT},
    {VK_DOWN, SDL_SCANCODE_DOWN},
    {kVkSnapshot, SDL_SCANCODE_PRINTSCREEN},
    {VK_INSERT, SDL_SCANCODE_INSERT},
    {VK_DELETE, SDL_SCANCODE_DELETE},
    {kVkLeftWindows, SDL_SCANCODE_LGUI},
    {kVkRightWindows, SDL_SCANCODE_RGUI},
    {kVkApps, SDL_SCANCODE_APPLICATION},
    {kVkNumpad0, SDL_SCANCODE_KP_0},
    {kVkNumpad0 + 1, SDL_SCANCODE_KP_1},
    {kVkNumpad0 + 2, SDL_SCANCODE_KP_2},
    {kVkNumpad0 + 3, SDL_SCANCODE_KP_3},
    {kVkNumpad0 + 4, SDL_SCANCODE_KP_4},
    {kVkNumpad0 + 5, SDL_SCANCODE_KP_5},
    {kVkNumpad0 + 6, SDL_SCANCODE_KP_6},
    {kVkNumpad0 + 7, SDL_SCANCODE_KP_7},
    {kVkNumpad0 + 8, SDL_SCANCODE_KP_8},
    {kVkNumpad0 + 9, SDL_SCANCODE_KP_9},
    {kVkMultiply, SDL_SCANCODE_KP_MULTIPLY},
    {kVkAdd, SDL_SCANCODE_KP_PLUS},
    {kVkSubtract, SDL_SCANCODE_KP_MINUS},
    {kVkDecimal, SDL_SCANCODE_KP_PERIOD},
    {kVkDivide, SDL_SCANCODE_KP_DIVIDE},
    {kVkNumLock, SDL_SCANCODE_NUMLOCKCLEAR},
    {kVkScroll, SDL_SCANCODE_SCROLLLOCK},
};

int FunctionKeyOf(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
        return VK_F1 + (scancode - SDL_SCANCODE_F1);
    }
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24) {
        return VK_F12 + 1 + (scancode - SDL_SCANCODE_F13);
    }
    return 0;
}

} // namespace

int VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    if (const int function = FunctionKeyOf(scancode)) {
        return function;
    }
    for (const PositionalKey& each : kPositionalKeys) {
        if (each.scancode == scancode) {
            return each.virtualKey;
        }
    }
    // A layout whose letter keys give other characters still has the
    // positions of the Latin letters and digits.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
        return 'A' + (scancode - SDL_SCANCODE_A);
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
        return '1' + (scancode - SDL_SCANCODE_1);
    }
    if (scancode == SDL_SCANCODE_0) {
        return '0';
    }
    return 0;
}

KeySource SourceOfVirtualKey(int virtualKey) {
    KeySource source;
    switch (virtualKey) {
    case VK_LBUTTON:
        source.mouseButton = SDL_BUTTON_LEFT;
        return source;
    case VK_RBUTTON:
        source.mouseButton = SDL_BUTTON_RIGHT;
        return source;
    case VK_MBUTTON:
        source.mouseButton = SDL_BUTTON_MIDDLE;
        return source;
    default:
        break;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        source.keycode = SDLK_a + (virtualKey - 'A');
        source.scancodes.push_back(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (virtualKey - 'A')));
        return source;
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        source.keycode = SDLK_0 + (virtualKey - '0');
        source.scancodes.push_back(
            virtualKey == '0' ? SDL_SCANCODE_0
                              : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (virtualKey - '1')));
        return source;
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12) {
        source.scancodes.push_back(
            static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (virtualKey - VK_F1)));
        return source;
    }
    if (virtualKey > VK_F12 && virtualKey <= VK_F12 + 12) {
        source.scancodes.push_back(
            static_cast<SDL_Scancode>(SDL_SCANCODE_F13 + (virtualKey - VK_F12 - 1)));
        return source;
    }
    for (const PositionalKey& each : kPositionalKeys) {
        if (each.virtualKey == virtualKey) {
            source.scancodes.push_back(each.scancode);
        }
    }
    return source;
}

SDL_Rect FitFrame(int frameWidth, int frameHeight, int outputWidth, int outputHeight) {
    if (frameWidth <= 0 || frameHeight <= 0 || outputWidth <= 0 || outputHeight <= 0) {
        return SDL_Rect{0, 0, 0, 0};
    }
    const int factor = std::min(outputWidth / frameWidth, outputHeight / frameHeight);
    int width = frameWidth * factor;
    int height = frameHeight * factor;
    if (factor == 0) {
        // Smaller than the frame: the whole frame still shows, squeezed.
        const long long byWidth = static_cast<long long>(outputWidth) * frameHeight;
        const long long byHeight = static_cast<long long>(outputHeight) * frameWidth;
        if (byWidth <= byHeight) {
            width = outputWidth;
            height = std::max(1, static_cast<int>(byWidth / frameWidth));
        } else {
            height = outputHeight;
            width = std::max(1, static_cast<int>(byHeight / frameHeight));
        }
    }
    return SDL_Rect{(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

SDL_Point FramePointAt(const SDL_Rect& placed, int frameWidth, int frameHeight, int x, int y) {
    if (placed.w <= 0 || placed.h <= 0) {
        return SDL_Point{0, 0};
    }
    auto scale = [](int offset, int placedSize, int frameSize) {
        // Floor division, so points left of or above the frame clamp to 0.
        long long scaled = static_cast<long long>(offset) * frameSize;
        long long value =
            scaled >= 0 ? scaled / placedSize : -((-scaled + placedSize - 1) / placedSize);
        return static_cast<int>(std::clamp<long long>(value, 0, frameSize - 1));
    };
    return SDL_Point{scale(x - placed.x, placed.w, frameWidth),
                     scale(y - placed.y, placed.h, frameHeight)};
}

SDL_Point WindowedSize(int frameWidth, int frameHeight, int width, int height) {
    const int factor = std::max(1, std::min(width / frameWidth, height / frameHeight));
    return SDL_Point{frameWidth * factor, frameHeight * factor};
}

std::uint32_t JoystickAxisPosition(Sint16 axis) {
    return static_cast<std::uint32_t>(static_cast<int>(axis) + 32768);
}

MessageBoxLayout LayoutOfMessageBox(unsigned type) {
    MessageBoxLayout layout;
    switch (type & kTypeMask) {
    case MB_OKCANCEL:
        layout.buttons = {{IDOK, "OK", true, false}, {IDCANCEL, "Cancel", false, true}};
        break;
    case kAbortRetryIgnore:
        layout.buttons = {{kIdAbort, "Abort", true, false},
                          {kIdRetry, "Retry", false, false},
                          {kIdIgnore, "Ignore", false, false}};
        break;
    case kYesNoCancel:
        layout.buttons = {{IDYES, "Yes", true, false},
                          {IDNO, "No", false, false},
                          {IDCANCEL, "Cancel", false, true}};
        break;
    case MB_YESNO:
        layout.buttons = {{IDYES, "Yes", true, false}, {IDNO, "No", false, false}};
        break;
    case kRetryCancel:
        layout.buttons = {{kIdRetry, "Retry", true, false}, {IDCANCEL, "Cancel", false, true}};
        break;
    default: // MB_OK: Escape answers OK as well
        layout.buttons = {{IDOK, "OK", true, true}};
        break;
    }
    switch (type & kIconMask) {
    case MB_ICONERROR:
        layout.flags = SDL_MESSAGEBOX_ERROR;
        break;
    case MB_ICONWARNING:
        layout.flags = SDL_MESSAGEBOX_WARNING;
        break;
    case MB_ICONINFORMATION:
    case kIconQuestion:
        layout.flags = SDL_MESSAGEBOX_INFORMATION;
        break;
    default:
        layout.flags = 0;
        break;
    }
    return layout;
}

int MessageBoxAnswer(unsigned type, int sdlButton) {
    const MessageBoxLayout layout = LayoutOfMessageBox(type);
    for (const MessageBoxButton& button : layout.buttons) {
        if (button.id == sdlButton) {
            return button.id;
        }
    }
    for (const MessageBoxButton& button : layout.buttons) {
        if (button.escapeKeyDefault) {
            return button.id;
        }
    }
    return layout.buttons.front().id;
}

void ConvertFrame(const std::uint8_t* indices, int width, int height, int pitch,
                  const PaletteColour* palette, std::uint8_t* out, int outPitch) {
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = 0xFF000000u | (std::uint32_t{palette[i].red} << 16) |
                     (std::uint32_t{palette[i].green} << 8) | palette[i].blue;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = indices + static_cast<std::ptrdiff_t>(y) * pitch;
        std::uint8_t* to = out + static_cast<std::ptrdiff_t>(y) * outPitch;
        for (int x = 0; x < width; ++x) {
            std::memcpy(to + static_cast<std::ptrdiff_t>(x) * 4, &colours[from[x]], 4);
        }
    }
}

} // namespace platform::sdl
