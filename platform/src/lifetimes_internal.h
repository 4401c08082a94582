// The bookkeeping behind platform/lifetimes.h, for the objects themselves.
#pragma once

#include <cstddef>

namespace platform {

void CountLiveObject(const char* interfaceName, int change);

// An interface name as a template argument: LiveObject<"IDirectSound">.
template <std::size_t N> struct InterfaceName {
    char text[N];
    constexpr InterfaceName(const char (&name)[N]) { // NOLINT: implicit by design
        for (std::size_t i = 0; i < N; ++i) {
            text[i] = name[i];
        }
    }
};

// Counts its owner as a live object of `Name` from construction to
// destruction. The DirectX objects derive from it privately.
template <InterfaceName Name> class LiveObject {
public:
    LiveObject() { CountLiveObject(Name.text, +1); }
    ~LiveObject() { CountLiveObject(Name.text, -1); }
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

// Adds `what` ("IDirectSound::Release", "CloseHandle", ...) to the release log.
void NoteRelease(const char* what);

} // namespace platform
