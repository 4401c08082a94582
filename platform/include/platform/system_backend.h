// The operating system's own backend, used when no other is installed: the
// monotonic clock, real sleeping and waking, SIGINT / SIGTERM as close
// requests (once asked for), and message boxes written to the standard
// error stream. It has no display, keyboard, joystick or audio device.
#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"

namespace platform {

Backend& SystemBackend();

// From now on SIGINT and SIGTERM reach the program as a close request
// (WM_CLOSE to its active window) instead of ending it; a second signal
// while the first is still untaken ends the process as usual.
void RouteTerminationSignalsToClose();

// Sleeps until the operating system's millisecond clock (NowMilliseconds of
// SystemBackend) reads `deadlineMs`, to the start of that millisecond, or
// until `descriptor` (an eventfd; -1 for none) is written to, whichever
// comes first; a written descriptor is read back to zero.
void WaitForClockOrDescriptor(std::uint32_t deadlineMs, int descriptor);
// Counts one up on the eventfd `descriptor` (safe in a signal handler), and
// reads it back to zero without waiting; both ignore -1.
void SignalDescriptor(int descriptor);
void ClearDescriptor(int descriptor);

// The buttons a message box of `type` offers, the first being its default:
// the id a box without a person to answer it returns.
int DefaultMessageBoxAnswer(unsigned type);

} // namespace platform
