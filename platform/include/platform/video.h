// What the machine side (backends, tests) may do to the video layer beyond
// the DirectDraw calls a Windows program makes.
#pragma once

namespace platform {

// Everything in video memory is gone: every live surface is marked lost and
// its pixels are really discarded, as when a full-screen program loses the
// display. IsLost then answers DDERR_SURFACELOST until the surface is
// restored, and a restored surface starts from cleared pixels. A backend calls
// this when its window loses the display; tests call it to drive the game's
// restore path.
void LoseAllSurfaces();

// Shows the primary surface again as it stands, through its palette (the
// backend calls this when its window needs repainting). Does nothing without
// a primary surface, or while it is lost.
void PresentPrimary();

} // namespace platform
