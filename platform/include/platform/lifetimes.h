// What a program holds of the DirectX stand-ins and in which order it let
// things go: the objects alive per interface, the kernel handles still open,
// and a log of every release call. Tests use it to see that start-up failures
// and shutdown release everything, in the order the game promises.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Objects alive right now that implement `interfaceName` as their main
// interface: "IDirectDraw", "IDirectDrawSurface", "IDirectDrawPalette",
// "IDirectSound", "IDirectSoundBuffer", "IDirectMusic",
// "IDirectMusicPerformance", "IDirectMusicPort", "IDirectMusicLoader",
// "IDirectMusicSegment", "IDirectMusicSegmentState".
int LiveObjects(std::string_view interfaceName);
// All of them together.
int LiveObjects();

// Kernel handles open right now: mutexes, events, threads and files.
int OpenHandles();

// GDI objects alive right now: fonts and bitmaps made (stock ones aside) and
// device contexts not yet released or deleted.
int GdiObjects();

// Every release since the log was last cleared, in the order they were made:
// "IDirectSound::Release" for a COM object's Release (whatever count it
// leaves), and "CloseHandle", "ReleaseMutex", "LocalFree", "CoUninitialize".
std::vector<std::string> ReleaseLog();
void ClearReleaseLog();

// Starts afresh, as a new process would: closes every kernel handle (named
// mutexes included), forgets every window, window class and message queue
// and the keys the window messages saw, shows the cursor again, clears the
// injected faults and the release log. For tests that run a program more
// than once in one process.
void ResetProcessState();

} // namespace platform
