// winmm: the multimedia millisecond clock and the joystick.
#pragma once

#include "winapi/types.h"

using MMRESULT = UINT;

// Milliseconds since the system started, wrapping modulo 2^32 (about every
// 49.7 days); callers compare readings with unsigned differences.
DWORD WINAPI timeGetTime();

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT JOYERR_NOERROR = 0;
inline constexpr MMRESULT JOYERR_PARMS = 165;
inline constexpr MMRESULT JOYERR_UNPLUGGED = 167;

inline constexpr UINT JOYSTICKID1 = 0;
inline constexpr UINT JOYSTICKID2 = 1;

inline constexpr DWORD JOY_RETURNX = 0x00000001;
inline constexpr DWORD JOY_RETURNY = 0x00000002;
inline constexpr DWORD JOY_RETURNZ = 0x00000004;
inline constexpr DWORD JOY_RETURNR = 0x00000008;
inline constexpr DWORD JOY_RETURNU = 0x00000010;
inline constexpr DWORD JOY_RETURNV = 0x00000020;
inline constexpr DWORD JOY_RETURNPOV = 0x00000040;
inline constexpr DWORD JOY_RETURNBUTTONS = 0x00000080;
inline constexpr DWORD JOY_RETURNALL = 0x000000FF;

inline constexpr DWORD JOY_BUTTON1 = 0x0001;
inline constexpr DWORD JOY_BUTTON2 = 0x0002;
inline constexpr DWORD JOY_BUTTON3 = 0x0004;
inline constexpr DWORD JOY_BUTTON4 = 0x0008;

// Byte-packed, as the multimedia system declares its records.
#pragma pack(push, 1)
struct JOYINFOEX {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwXpos;
    DWORD dwYpos;
    DWORD dwZpos;
    DWORD dwRpos;
    DWORD dwUpos;
    DWORD dwVpos;
    DWORD dwButtons;
    DWORD dwButtonNumber;
    DWORD dwPOV;
    DWORD dwReserved1;
    DWORD dwReserved2;
};
#pragma pack(pop)
using LPJOYINFOEX = JOYINFOEX*;

// Polls joystick `id`: JOYERR_NOERROR with the fields dwFlags asks for,
// JOYERR_UNPLUGGED when it is not connected, JOYERR_PARMS for a bad id or
// record. Positions run from 0 to 65535.
MMRESULT WINAPI joyGetPosEx(UINT id, LPJOYINFOEX info);
