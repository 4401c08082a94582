#pragma once

#include "platform/event_signal.h"

// How often platform::SignalEventHandle was called for `event`.
int SignalsOf(HANDLE event);
