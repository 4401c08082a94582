// A small Windows program for the headless tests, shaped like the game: a
// top-most popup window, a PeekMessageA loop that runs frames on a 60 Hz
// schedule of 16 and 17 ms intervals while active and sleeps in WaitMessage
// while inactive, Escape posting WM_CLOSE, and teardown on WM_DESTROY. Each
// frame presents a 640 x 480 picture whose pixel (0, 0) holds the frame
// number modulo 256 and whose palette entry i is (i, 255 - i, 7).
#pragma once

#include "winapi.h"

namespace paced {

struct Counters {
    unsigned framesRun = 0;
    unsigned activateApps = 0;
    unsigned deactivateApps = 0;
    unsigned keyDowns = 0;
};

extern Counters counters;

// Forgets everything a run left behind, as a new process would start.
void Reset();

int WINAPI Program(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand);

} // namespace paced
