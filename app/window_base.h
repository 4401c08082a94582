// WindowBase: what every device of the application shares, through one
// virtual base inside GameApp: the main window, the program instance, the
// single-instance guard and the frame rate of the last second.
#pragma once

#include "winapi.h"

// Application messages, all in the WM_USER range, both parameters 0.
inline constexpr UINT UM_SET_BITMAP = WM_USER;         // the shell names the artwork
inline constexpr UINT UM_GRAPHICS_READY = WM_USER + 1; // graphics started: "Now Loading..."
inline constexpr UINT UM_SOUND_READY = WM_USER + 2;    // sound started
inline constexpr UINT UM_MUSIC_READY = WM_USER + 3;    // music started: choose the MIDI port
inline constexpr UINT UM_MUSIC_NOTIFY = 0x415;         // the music performance signalled

class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // Shows `message` (Shift-JIS) in a modal box owned by the main window,
    // captioned with the window handle in lower-case hexadecimal.
    int ReportError(LPCSTR message);

    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    HANDLE guardMutex = nullptr;
    DWORD fps = 0; // frames run in the last completed one-second window
};
