// Where the 640 x 480 frame sits in the page, and which frame pixel the
// pointer is over: the largest whole-number scale that fits the view (or,
// in a view smaller than the frame, the fraction that fits), centred, with
// the rest of the view black, as the desktop letterboxes its full screen.
#pragma once

#include <string_view>

namespace platform::web {

struct FramePlacement {
    double scale = 1;
    double left = 0; // in CSS pixels of the view
    double top = 0;
};

FramePlacement PlaceFrame(double viewWidth, double viewHeight, int frameWidth, int frameHeight);

// The frame pixel under the view point (x, y); points in the black border
// count as the nearest edge pixel, as a pointer held at the edge of a full
// screen does.
void FramePointOf(const FramePlacement& placement, double x, double y, int frameWidth,
                  int frameHeight, int& frameX, int& frameY);

// The Windows virtual-key code of a DOM KeyboardEvent.code ("KeyZ",
// "ArrowLeft", "Enter", ...); 0 for a key the game's Windows would not name.
int VirtualKeyOfCode(std::string_view code);

} // namespace platform::web
