// The one thing the audio layer needs from the kernel's event objects: the
// DirectMusic performance sets the event the game registered with
// SetNotificationHandle (a HANDLE from CreateEventA) whenever it queues a
// notification. Defined by the kernel's event implementation; safe to call
// from any thread, including the audio thread.
#pragma once

#include "winapi/types.h"

namespace platform {

// Sets `event` to the signalled state (as SetEvent would).
void SignalEventHandle(HANDLE event);

} // namespace platform
