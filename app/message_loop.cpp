// The message loop: messages first; with the queue empty and the game active,
// a frame whenever the 60 Hz schedule allows. Each second of 1000 ms is
// spread over 60 frames as 40 intervals of 17 ms and 20 of 16 ms, and the
// frames run in each one-second window are published as fps.
#include "app/game_app.h"

FramePacing framePacing;

namespace {

constexpr std::int32_t FRAME_INTERVAL_MS = 16;
constexpr DWORD WINDOW_MS = 1000;

// One pass over the clock; runs the frame when it is due. Clock differences
// are unsigned 32-bit, so the clock's wrap after 49.7 days changes nothing.
void PacingPass(WindowBase& base) {
    FramePacing& pacing = framePacing;
    if (!pacing.started) {
        pacing.started = true;
        pacing.spareMs = WINDOW_MS - FRAME_INTERVAL_MS * 60;
        pacing.spareRatio = static_cast<double>(pacing.spareMs) / 60.0;
    }
    const DWORD now = timeGetTime();
    if (now - pacing.secondStart >= WINDOW_MS) {
        pacing.secondStart = now;
        base.fps = pacing.framesThisSecond;
        pacing.framesThisSecond = 0;
        pacing.nextWait = 0;
        pacing.lastSpareIndex = -1;
    }
    if (now - pacing.lastFrameTime < pacing.nextWait) {
        return;
    }
    pacing.lastFrameTime = now;
    // Each new spare index earns one 17 ms interval: 40 of the 60 frames.
    const auto spareIndex = static_cast<std::int32_t>(pacing.framesThisSecond * pacing.spareRatio);
    if (spareIndex != pacing.lastSpareIndex) {
        pacing.nextWait = FRAME_INTERVAL_MS + 1;
        pacing.lastSpareIndex = spareIndex;
    } else {
        pacing.nextWait = FRAME_INTERVAL_MS;
    }
    pacing.framesThisSecond += 1;
    gameApp.RunFrame();
}

} // namespace

MSG MessageLoop(WindowBase& base) {
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return message;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (gameApp.active == 0) {
            WaitMessage();
        } else {
            PacingPass(base);
        }
    }
}
