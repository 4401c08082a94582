// winmm: the multimedia millisecond clock.
#pragma once

#include "winapi/types.h"

// Milliseconds since the system started, wrapping modulo 2^32 (about every
// 49.7 days); callers compare readings with unsigned differences.
DWORD WINAPI timeGetTime();
