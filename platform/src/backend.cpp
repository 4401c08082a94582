#include "platform/backend.h"

#include <ctime>

namespace platform {
namespace {

// Answers the clock from the operating system, and nothing else:
// CLOCK_MONOTONIC counts from boot, which is
// what timeGetTime's "milliseconds since the system started" means.
class SystemBackend final : public Backend {
public:
    std::uint32_t NowMilliseconds() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<std::uint32_t>(ms);
    }
};

SystemBackend systemBackend;
Backend* installed = nullptr;

} // namespace

Backend& CurrentBackend() { return installed ? *installed : systemBackend; }

void InstallBackend(Backend* backend) { installed = backend; }

} // namespace platform
