// The audio tests' stand-in for the kernel's events: each set of an event
// handle is counted, so a test sees the performance signalling the handle
// the game registered.
#include "event_signal_recorder.h"

#include <map>
#include <mutex>

namespace {
std::mutex recorderLock;
std::map<HANDLE, int> signalCounts;
} // namespace

namespace platform {
void SignalEventHandle(HANDLE event) {
    std::lock_guard<std::mutex> hold(recorderLock);
    ++signalCounts[event];
}
} // namespace platform

int SignalsOf(HANDLE event) {
    std::lock_guard<std::mutex> hold(recorderLock);
    auto it = signalCounts.find(event);
    return it == signalCounts.end() ? 0 : it->second;
}
