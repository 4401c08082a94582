// Which backend the API talks to in a browser tab: the web backend from the
// moment the program's entry installs it. Before that (and after), a clock
// is all there is: a tab has no signals to route and no terminal to write
// message boxes to.
#include <emscripten.h>

#include <atomic>

#include "platform/backend.h"

namespace platform {
namespace {

class ClockOnlyBackend final : public Backend {
public:
    std::uint32_t NowMilliseconds() override {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
    }
};

std::atomic<Backend*> installed{nullptr};

} // namespace

Backend& CurrentBackend() {
    static ClockOnlyBackend clockOnly;
    Backend* backend = installed.load();
    return backend ? *backend : clockOnly;
}

void InstallBackend(Backend* backend) {
    installed.store(backend);
}

} // namespace platform
