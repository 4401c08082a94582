// The convention for injected faults on Win32 operations that report failure
// through a return value and GetLastError: the injected result becomes the
// last error, and the operation returns its failure value without working.
#pragma once

#include <string_view>

namespace platform {

// True when a fault is due for `operation`; its result is then the last error.
bool FailedByInjection(std::string_view operation);

} // namespace platform
