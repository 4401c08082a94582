// What the SDL backend translates between SDL and the Windows program: key
// codes, where the 640 x 480 frame sits on the screen, joystick positions,
// message box buttons and the palette conversion of a frame. Pure functions,
// so that each can be checked without a display.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend.h"

namespace platform::sdl {

// The Windows virtual-key code of a key SDL reports, or 0 for a key the
// program has no code for. Letters and digits follow the keyboard layout
// (the key labelled Z is 'Z'), everything else the key's position.
int VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode);

// Which SDL keys stand for a Windows virtual-key code. `keycode` is set for
// letters and digits, to be looked up in the current layout, with their
// usual position in `scancodes` for a layout that lacks the character; for
// the other keys `scancodes` lists their positions (both Shift keys for
// VK_SHIFT, both Enter keys for VK_RETURN, ...). Mouse buttons:
// `mouseButton` is the SDL button number. Nothing set: no such key.
struct KeySource {
    SDL_Keycode keycode = SDLK_UNKNOWN;
    std::vector<SDL_Scancode> scancodes;
    int mouseButton = 0;
};
KeySource SourceOfVirtualKey(int virtualKey);

// Where the frame goes in an output of `outputWidth` x `outputHeight`
// pixels: scaled by the largest whole factor that fits, centred, with black
// bars around it. An output smaller than the frame gets it scaled down to fit
// with its proportions kept.
SDL_Rect FitFrame(int frameWidth, int frameHeight, int outputWidth, int outputHeight);

// The frame pixel under output pixel (x, y) when the frame is drawn at
// `placed`, clamped to the frame.
SDL_Point FramePointAt(const SDL_Rect& placed, int frameWidth, int frameHeight, int x, int y);

// The largest whole-number multiple of the frame that fits in `width` x
// `height` (at least 1x): the size of the window when not full screen.
SDL_Point WindowedSize(int frameWidth, int frameHeight, int width, int height);

// An SDL joystick axis (-32768..32767) as winmm reports positions (0..65535,
// centre 32767 or 32768).
std::uint32_t JoystickAxisPosition(Sint16 axis);

// The buttons and look of a Win32 message box of `type` (MB_OK,
// MB_YESNO, ... with MB_ICON... bits). Button ids are the Win32 results
// (IDOK = 1, IDCANCEL = 2, ...), in the order Windows shows them.
struct MessageBoxButton {
    int id;
    const char* text;
    bool returnKeyDefault;
    bool escapeKeyDefault;
};
struct MessageBoxLayout {
    std::vector<MessageBoxButton> buttons;
    Uint32 flags; // SDL_MESSAGEBOX_ERROR / WARNING / INFORMATION
};
MessageBoxLayout LayoutOfMessageBox(unsigned type);

// What the box answers when SDL reports `sdlButton` (-1: the box was closed
// without a button): the button's id, or for a closed box the Escape
// button's when the box has one and its default button's otherwise.
int MessageBoxAnswer(unsigned type, int sdlButton);

// 8-bit indices through their palette to 32-bit 0xAARRGGBB pixels
// (SDL_PIXELFORMAT_ARGB8888), `outPitch` bytes a row.
void ConvertFrame(const std::uint8_t* indices, int width, int height, int pitch,
                  const PaletteColour* palette, std::uint8_t* out, int outPitch);

} // namespace platform::sdl
