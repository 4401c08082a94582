// The one header game code includes for everything it calls on Windows:
// Win32, GDI, winmm, DirectDraw, DirectSound and DirectMusic. On Windows it
// takes the system's own SDK headers; elsewhere it takes our portable
// stand-in, which declares the same names, types and result codes.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#else
#include "winapi/types.h"
#include "winapi/mmsystem.h"
#endif
