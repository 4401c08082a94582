// The SDL backend itself. The window, its renderer and SDL's event queue
// belong to the thread that opened the backend (the process's main thread,
// which runs WinMain): events are pumped only there, inside PollEvent and
// long waits, and frames are drawn there; a frame identical to the one on
// screen is not drawn again. Other threads may present frames,
// wake the main thread and play sound. A frame presented on the main thread
// after a quiet moment is drawn at once; one presented elsewhere, or right
// after another, when the main thread next looks at its events (so a burst
// of presents within one game frame is drawn once).
#pragma once

#include <SDL.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backends/sdl/frame_stager.h"
#include "backends/sdl/sdl_mapping.h"
#include "platform/backend.h"
#include "system/file_descriptor.h"

namespace platform::sdl {

class SdlBackend final : public Backend {
public:
    static std::unique_ptr<SdlBackend> Open(std::string& error);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    // ---- Backend
    std::uint32_t NowMilliseconds() override;
    bool PollEvent(BackendEvent& out) override;
    void WaitUntil(std::uint32_t deadlineMs) override;
    void Wake() override;
    void Sleep(std::uint32_t ms) override;
    bool IsKeyDown(int virtualKey) override;
    bool ReadJoystick(unsigned id, JoystickState& out) override;
    void Present(const std::uint8_t* indices, int width, int height, int pitch,
                 const PaletteColour* palette) override;
    void SetCursorVisible(bool visible) override;
    void SetWindowTitle(const std::string& titleUtf8) override;
    bool OpenAudio(std::uint32_t sampleRate, std::uint32_t channels, AudioSource* source) override;
    void CloseAudio() override;
    int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                       unsigned type) override;

    // ---- the window, as the player sees it
    SDL_Window* Window() const { return window; }
    SDL_Renderer* Renderer() const { return renderer; }
    bool Shown() const { return shown; }
    bool Fullscreen() const { return fullscreen; }
    // Switches between full screen and a window (Alt+Enter does this).
    void ToggleFullscreen();
    // Where the frame is drawn, in the renderer's output pixels.
    SDL_Rect FramePlacement() const;

private:
    struct Pad {
        SDL_JoystickID instance;
        SDL_GameController* controller; // or, for a plain joystick:
        SDL_Joystick* joystick;
    };

    SdlBackend();
    bool Start(std::string& error);
    bool OnMainThread() const;

    // Turns one SDL event into what the program sees; false when it sees
    // nothing of it.
    bool Translate(const SDL_Event& event, BackendEvent& out);
    bool TranslateKey(const SDL_KeyboardEvent& key, BackendEvent& out);
    bool TranslateWindowEvent(const SDL_WindowEvent& event, BackendEvent& out);
    SDL_Point FramePointOfWindowPoint(int x, int y) const;

    bool EnsureRenderer();
    SDL_Point OutputSize() const; // in pixels
    // Whether SDL's record of the window's size is the window system's;
    // when it is not, SDL is told and the answer is false until it has
    // taken the size in.
    bool SdlKnowsTheWindowsSize();
    bool CreateTexture(int width, int height);
    void ShowStagedFrame();
    void Render();
    void RecoverFromDeviceReset();

    void UpdatePadsNowAndThen();
    void AddPad(int deviceIndex);
    void RemovePad(SDL_JoystickID instance);
    void ClosePads();

    static void SDLCALL FeedAudio(void* backend, Uint8* stream, int length);

    std::thread::id mainThread;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool rendererFailed = false;
    int textureWidth = 0;
    int textureHeight = 0;
    bool shown = false;
    bool fullscreen = true;
    // The window's size that SDL was last told, when its own record was
    // found wrong (see SdlKnowsTheWindowsSize); {0, 0} when it was right.
    SDL_Point toldSize{0, 0};
    bool enterSwallowed = false; // the Enter of Alt+Enter, until released
    const Uint8* keyState = nullptr;
    std::array<KeySource, 256> keySources{};

    // The newest frame, converted, waiting to be drawn (or drawn last).
    std::mutex frameLock;
    FrameStager stager;
    bool stagedNew = false;
    std::uint32_t lastDrawnAt = 0; // NowMilliseconds of the last frame drawn

    Uint32 wakeEventType = 0;
    std::atomic<bool> wakePending{false};
    // Written by Wake(): ends the main thread's short waits, which sleep on
    // it instead of in SDL.
    FileDescriptor wakeDescriptor;
    std::mutex offMainLock;
    std::condition_variable offMainWoken;
    bool offMainWake = false;

    // Termination signals wake the system backend's descriptor; this thread
    // passes that on into SDL's queue, so a waiting main thread looks.
    std::thread signalBridge;
    std::atomic<bool> stopping{false};

    std::mutex audioLock;
    bool audioStarted = false;
    SDL_AudioDeviceID audioDevice = 0;
    std::atomic<AudioSource*> audioSource{nullptr};
    std::uint32_t audioChannels = 0;

    std::uint32_t lastPadUpdate = 0; // NowMilliseconds of the last update
    std::mutex padLock;
    std::vector<Pad> pads; // in the order they were plugged in
};

} // namespace platform::sdl
