#include "platform/lifetimes.h"

#include <map>
#include <mutex>

#include "lifetimes_internal.h"
#include "platform/faults.h"
#include "system/handles.h"
#include "system/window_state.h"

namespace platform {

namespace {

std::mutex lock;
std::map<std::string, int, std::less<>> live;
std::vector<std::string> releases;

} // namespace

void CountLiveObject(const char* interfaceName, int change) {
    std::lock_guard<std::mutex> hold(lock);
    live[interfaceName] += change;
}

void NoteRelease(const char* what) {
    std::lock_guard<std::mutex> hold(lock);
    releases.emplace_back(what);
}

int LiveObjects(std::string_view interfaceName) {
    std::lock_guard<std::mutex> hold(lock);
    const auto it = live.find(interfaceName);
    return it == live.end() ? 0 : it->second;
}

int LiveObjects() {
    std::lock_guard<std::mutex> hold(lock);
    int total = 0;
    for (const auto& [name, count] : live) {
        total += count;
    }
    return total;
}

std::vector<std::string> ReleaseLog() {
    std::lock_guard<std::mutex> hold(lock);
    return releases;
}

void ClearReleaseLog() {
    std::lock_guard<std::mutex> hold(lock);
    releases.clear();
}

void ResetProcessState() {
    CloseAllHandles();
    windowing::ForgetAllWindows();
    windowing::ResetCursor();
    ClearFaults();
    ClearReleaseLog();
}

} // namespace platform
