// Fault injection: a test names a platform operation (by its API name, such
// as "SetDisplayMode", "CreateSurface", "CreateFontA", "DirectSoundCreate",
// "EnumPort") and the result it should give; the operation then fails with
// that result instead of doing its work, so every failure path of the game
// can be driven.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// From now on `operation` fails with `result`, `times` times (-1: every call).
void InjectFault(std::string_view operation, std::int64_t result, int times = -1);
void ClearFaults();

// Called at the top of an API operation: the injected result, if any is due.
std::optional<std::int64_t> TakeFault(std::string_view operation);

} // namespace platform
