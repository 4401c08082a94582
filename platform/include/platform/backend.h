// The seam between the Windows-shaped API and the machine it runs on. The
// API functions ask the installed backend for what only the machine knows;
// a real backend answers from the operating system, the headless one from
// its virtual clock and scripted input.
#pragma once

#include <cstdint>

namespace platform {

class Backend {
public:
    virtual ~Backend() = default;

    // Monotonic milliseconds, wrapping modulo 2^32.
    virtual std::uint32_t NowMilliseconds() = 0;
};

// The backend the API currently talks to: the one last installed, or the
// operating system's own when none is.
Backend& CurrentBackend();

// Installs a backend (not owned; it must outlive its installation), or
// restores the operating system's backend when given nullptr.
void InstallBackend(Backend* backend);

} // namespace platform
