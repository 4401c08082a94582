#include "platform/backend.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "platform/system_backend.h"

namespace platform {
namespace {

std::uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

std::atomic<bool> closeRequested{false};
std::atomic<int> wakeDescriptor{-1};

void WakeDescriptor() {
    SignalDescriptor(wakeDescriptor.load());
}

extern "C" void OnTerminationSignal(int signal) {
    if (closeRequested.exchange(true)) {
        // The first request was never taken up (no window, or a program
        // that stopped reading its queue): this one ends the process.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    WakeDescriptor(); // write() is safe in a signal handler
}

// Answers the clock from CLOCK_MONOTONIC, which counts from boot: what
// timeGetTime's "milliseconds since the system started" means. Waits sleep
// in poll() on an eventfd that Wake() and the termination signals write to.
class OperatingSystemBackend final : public Backend {
public:
    OperatingSystemBackend() { wakeDescriptor.store(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

    std::uint32_t NowMilliseconds() override {
        return static_cast<std::uint32_t>(MonotonicNanoseconds() / 1000000u);
    }

    bool PollEvent(BackendEvent& out) override {
        if (!closeRequested.exchange(false)) {
            return false;
        }
        out = BackendEvent{};
        out.kind = BackendEvent::Kind::Close;
        return true;
    }

    void WaitUntil(std::uint32_t deadlineMs) override {
        WaitForClockOrDescriptor(deadlineMs, wakeDescriptor.load());
    }

    void Wake() override { WakeDescriptor(); }

    void Sleep(std::uint32_t ms) override {
        timespec remaining{static_cast<time_t>(ms / 1000u),
                           static_cast<long>(ms % 1000u) * 1000000L};
        while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
        }
    }

    int ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                       unsigned type) override {
        std::fprintf(stderr, "[%s] %s\n", captionUtf8.c_str(), textUtf8.c_str());
        return DefaultMessageBoxAnswer(type);
    }
};

OperatingSystemBackend& OperatingSystem() {
    static OperatingSystemBackend backend;
    return backend;
}

std::atomic<Backend*> installed{nullptr};

} // namespace

void WaitForClockOrDescriptor(std::uint32_t deadlineMs, int descriptor) {
    const std::uint64_t now = MonotonicNanoseconds();
    const auto remainingMs =
        static_cast<std::int32_t>(deadlineMs - static_cast<std::uint32_t>(now / 1000000u));
    if (remainingMs <= 0) {
        return;
    }
    // Until the clock reads the deadline: the start of that millisecond.
    const std::uint64_t target =
        (now / 1000000u + static_cast<std::uint64_t>(remainingMs)) * 1000000u;
    const std::uint64_t wait = target - now;
    const timespec timeout{static_cast<time_t>(wait / 1000000000u),
                           static_cast<long>(wait % 1000000000u)};
    pollfd fd{descriptor, POLLIN, 0};
    if (fd.fd < 0) {
        nanosleep(&timeout, nullptr);
        return;
    }
    if (ppoll(&fd, 1, &timeout, nullptr) > 0) {
        ClearDescriptor(fd.fd);
    }
}

void SignalDescriptor(int descriptor) {
    if (descriptor >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(descriptor, &one, sizeof one);
    }
}

void ClearDescriptor(int descriptor) {
    if (descriptor >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(descriptor, &count, sizeof count);
    }
}

Backend& SystemBackend() {
    return OperatingSystem();
}

void RouteTerminationSignalsToClose() {
    OperatingSystem(); // the wake descriptor exists before a signal can arrive
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int DefaultMessageBoxAnswer(unsigned type) {
    switch (type & 0xF) {
    case 2:       // MB_ABORTRETRYIGNORE
        return 3; // IDABORT
    case 3:       // MB_YESNOCANCEL
    case 4:       // MB_YESNO
        return 6; // IDYES
    case 5:       // MB_RETRYCANCEL
        return 4; // IDRETRY
    default:
        return 1; // IDOK
    }
}

Backend& CurrentBackend() {
    Backend* backend = installed.load();
    return backend ? *backend : OperatingSystem();
}

void InstallBackend(Backend* backend) {
    installed.store(backend);
}

} // namespace platform
