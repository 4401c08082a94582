// A backend whose clock the test sets by hand, installed for the lifetime of
// the object.
#pragma once

#include "platform/backend.h"

class FakeClock final : public platform::Backend {
public:
    explicit FakeClock(std::uint32_t start = 0) : now(start) { platform::InstallBackend(this); }
    ~FakeClock() override { platform::InstallBackend(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    std::uint32_t NowMilliseconds() override { return now; }

    std::uint32_t now;
};
