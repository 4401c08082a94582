// The seam between the Windows-shaped API and the machine it runs on. The API
// layer (windows and messages, DirectDraw, DirectSound, ...) asks the
// installed backend for everything only the machine knows: the clock, what
// the player did, where a frame goes, where sound goes, how a message box is
// shown. The sdl backend answers from a real window and audio device; the
// headless backend from a virtual clock, a script of inputs and captures.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The screen of the game's display mode, which windows are laid out on and
// every presented frame fills.
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// Something that happened on the machine's side, which the window layer turns
// into the window messages a Windows program would receive.
struct BackendEvent {
    enum class Kind {
        KeyDown,    // virtualKey pressed (WM_KEYDOWN)
        KeyUp,      // virtualKey released (WM_KEYUP)
        MouseMove,  // pointer at (x, y) in screen pixels (WM_MOUSEMOVE)
        ButtonDown, // virtualKey VK_LBUTTON / VK_RBUTTON at (x, y)
        ButtonUp,
        Activate,   // the application gained focus (WM_ACTIVATEAPP 1)
        Deactivate, // the application lost focus (WM_ACTIVATEAPP 0)
        Close,      // the player asked to close: close button, SIGINT, SIGTERM (WM_CLOSE)
    };
    Kind kind = Kind::KeyDown;
    int virtualKey = 0;
    int x = 0;
    int y = 0;
};

struct PaletteColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

struct JoystickState {
    std::uint32_t x = 32767; // 0..65535, centre 32767
    std::uint32_t y = 32767;
    std::uint32_t buttons = 0; // bit 0 button 1, bit 1 button 2, ...
};

// Pulled by the audio device for more sound: fills `frames` frames of
// interleaved signed 16-bit samples in the format the output was opened with.
// Runs on the backend's audio thread (or, headless, on whichever thread
// advances the virtual clock).
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual void Mix(std::int16_t* out, std::uint32_t frames) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Clock: monotonic milliseconds, wrapping modulo 2^32.
    virtual std::uint32_t NowMilliseconds() = 0;

    // Events: hands over the next pending event, if any, without blocking.
    virtual bool PollEvent(BackendEvent& out) { return (void)out, false; }
    // Blocks until an event may be pending, Wake() is called, or the clock has
    // reached `deadlineMs` (a NowMilliseconds value), whichever comes first.
    // The headless backend moves its virtual clock instead of sleeping.
    virtual void WaitUntil(std::uint32_t deadlineMs) { (void)deadlineMs; }
    // Ends a WaitUntil early; safe from any thread.
    virtual void Wake() {}
    // Sleeps for `ms` milliseconds of this backend's clock.
    virtual void Sleep(std::uint32_t ms) { (void)ms; }

    // Input state: whether the key or mouse button with this Windows
    // virtual-key code is held right now.
    virtual bool IsKeyDown(int virtualKey) { return (void)virtualKey, false; }
    // Joystick `id`: false when there is no such joystick.
    virtual bool ReadJoystick(unsigned id, JoystickState& out) {
        return (void)id, (void)out, false;
    }

    // Video: shows a screen-sized (width x height) frame of palette indices,
    // `pitch` bytes a row, through its 256-entry palette.
    virtual void Present(const std::uint8_t* indices, int width, int height, int pitch,
                         const PaletteColour* palette) {
        (void)indices, (void)width, (void)height, (void)pitch, (void)palette;
    }
    virtual void SetCursorVisible(bool visible) { (void)visible; }
    // The title of the program's main window (UTF-8), as CreateWindowExA
    // named it: what a windowed backend shows in its title bar.
    virtual void SetWindowTitle(const std::string& titleUtf8) { (void)titleUtf8; }

    // Audio: opens the output at this format and starts pulling from `source`;
    // false when no device can be opened. CloseAudio stops the pulls before it
    // returns.
    virtual bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) {
        return (void)sampleRate, (void)channels, (void)source, false;
    }
    virtual void CloseAudio() {}

    // Dialogs: shows a modal message box with UTF-8 caption and text and
    // returns the Win32 button id chosen (IDOK = 1).
    virtual int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                               unsigned type) {
        return (void)captionUtf8, (void)textUtf8, (void)type, 1;
    }
    // The same box owned by the window `owner` (null: no owner), as
    // MessageBoxA asks for it. A backend that has no use for the owner leaves
    // this to ShowMessageBox; the headless one logs it.
    virtual int ShowOwnedMessageBox(const void* owner, const std::string& captionUtf8,
                                    const std::string& textUtf8, unsigned type) {
        return (void)owner, ShowMessageBox(captionUtf8, textUtf8, type);
    }
};

// The backend the API currently talks to: the one last installed, or the
// operating system's own (a clock and nothing else) when none is.
Backend& CurrentBackend();

// Installs a backend (not owned; it must outlive its installation), or
// restores the operating system's clock-only backend when given nullptr.
void InstallBackend(Backend* backend);

} // namespace platform
