// Fault injection: a test names a platform operation and the result it should
// give; the operation then fails instead of doing its work, so every failure
// path of the game can be driven. A function goes by its name
// ("CreateFileA", "DirectSoundCreate"), a COM method by its interface and
// name ("IDirectDraw::SetDisplayMode", "IDirectSoundBuffer::Lock"), since
// several interfaces share method names.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// From now on `operation` fails with `result`, `times` times (-1: every call).
void InjectFault(std::string_view operation, std::int64_t result, int times = -1);
void ClearFaults();

// Called at the top of an API operation, the one way an operation checks for
// a fault: the injected result, if one is due. A COM method returns it as its
// HRESULT; a Win32 function returns its usual failure value.
std::optional<std::int64_t> TakeFault(std::string_view operation);

} // namespace platform
