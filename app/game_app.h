// GameApp: the one application object. The graphics device and the audio
// system share one WindowBase through virtual inheritance; GameApp adds the
// scene and the start-of-play fade.
#pragma once

#include <cstdint>
#include <cstring>

#include "audio/audio_system.h"
#include "game/gravity.h"
#include "game/hud.h"
#include "game/input_bits.h"
#include "game/launch.h"
#include "game/sprites.h"
#include "gfx/graphics_device.h"

inline constexpr DWORD SCENE_TITLE = 0;
inline constexpr DWORD SCENE_PLAY = 1;

inline constexpr int SCREEN_WIDTH = 640;
inline constexpr int SCREEN_HEIGHT = 480;
inline constexpr int SCREEN_BITS = 8;

class GameApp : public GraphicsDevice, public AudioSystem {
public:
    GameApp();
    ~GameApp() override = default;

    // Input sampling.
    InputBits SampleInput();
    DWORD SampleJoystick();

    // The frame and its scenes.
    void RunFrame();
    void RunScene();
    void TitleStep();
    void DrawTitle();

    // The WM_DESTROY handler: releases everything in order and ends the loop.
    void Teardown();

    DWORD active;
    DWORD scene;
    DWORD fadePending;
    DWORD fadePhase;
    DWORD fadeWord;
    int waveLoadResult = 0; // kept, read by nothing

private:
    void StepStartOfPlayFade();
};

extern GameApp gameApp;

// Set at program start, cleared by the first frame.
extern std::uint8_t firstFrame;

// The title screen's state, kept for the life of the process: title frames
// drawn so far (the prompts blink by it), the latch of X and the right
// button, and what their next toggle does to the looping shot sound.
extern std::uint32_t blinkCounter;
extern std::uint8_t toggleLatch;
extern std::uint8_t shotLoopArmed;

// The joystick sampler's record, filled in by each poll, and whether its
// first poll found a joystick (never asked again).
struct JoystickSampler {
    JOYINFOEX info = [] {
        JOYINFOEX fresh{};
        fresh.dwSize = sizeof fresh;
        fresh.dwFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS;
        return fresh;
    }();
    bool polled = false;
    bool present = false;
};
extern JoystickSampler joystickSampler;

// The message loop's 60 Hz schedule, kept from one pass to the next.
struct FramePacing {
    bool started = false;
    DWORD spareMs = 0;
    double spareRatio = 0.0;
    DWORD secondStart = 0;
    DWORD framesThisSecond = 0;
    DWORD nextWait = 0;
    DWORD lastFrameTime = 0;
    std::int32_t lastSpareIndex = -1;
};
extern FramePacing framePacing;

// The play scene's step.
void PlayStep(GameApp& app);

// The shell: start-up in order, the window, the loop and the window procedure.
int RunApplication(WindowBase& base, HINSTANCE instance, HINSTANCE previous, LPSTR commandLine,
                   int showCommand);
int CreateMainWindow(WindowBase& base, HINSTANCE instance, int showCommand);
MSG MessageLoop(WindowBase& base);
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
