// The one header game code includes for everything it calls on Windows:
// Win32, GDI, winmm, DirectDraw, DirectSound and DirectMusic. On Windows it
// takes the system's own SDK headers; elsewhere it takes our portable
// stand-in, which declares the same names, types and result codes.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#include <ddraw.h>
#include <dsound.h>
#include <dmusici.h>
#include <dmksctrl.h> // IKsControl, through which a port's effects are set
#else
#include "winapi/types.h"  // integer types, handles, BOOL
#include "winapi/base.h"   // HRESULT codes, GUIDs, IUnknown, COM start-up
#include "winapi/kernel.h" // mutexes, files, threads, events, memory, code pages, resources
#include "winapi/user.h"   // windows, messages, keys, cursor, message boxes
#include "winapi/gdi.h"    // device contexts, fonts, text, bitmaps
#include "winapi/mmsystem.h" // the millisecond clock, the joystick
#include "winapi/ddraw.h"  // DirectDraw
#include "winapi/dsound.h" // DirectSound
#include "winapi/dmusic.h" // DirectMusic
#endif
