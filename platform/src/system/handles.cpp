#include "system/handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "lifetimes_internal.h"
#include "platform/faults.h"
#include "platform/lifetimes.h"

namespace platform {
namespace {

std::mutex tableLock;
std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> table;
// Handle values are multiples of 4, as on Windows, and start well above the
// small integers a caller might mistake for handles.
std::uintptr_t nextHandle = 0x1000;

} // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> hold(tableLock);
    const std::uintptr_t value = nextHandle;
    nextHandle += 4;
    table.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
    std::lock_guard<std::mutex> hold(tableLock);
    const auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == table.end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> closing; // destroyed after the lock is dropped
    std::lock_guard<std::mutex> hold(tableLock);
    const auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.end()) {
        return false;
    }
    closing = std::move(it->second);
    table.erase(it);
    return true;
}

void CloseAllHandles() {
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> closing;
    {
        std::lock_guard<std::mutex> hold(tableLock);
        closing.swap(table);
    }
}

int OpenHandles() {
    std::lock_guard<std::mutex> hold(tableLock);
    return static_cast<int>(table.size());
}

} // namespace platform

BOOL WINAPI CloseHandle(HANDLE object) {
    platform::NoteRelease("CloseHandle");
    if (platform::TakeFault("CloseHandle")) {
        return FALSE;
    }
    if (!platform::RemoveHandle(object)) {
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    if (platform::TakeFault("WaitForSingleObject")) {
        return WAIT_FAILED;
    }
    const auto target = platform::FindHandle(object);
    if (!target || !target->IsWaitable()) {
        return WAIT_FAILED;
    }
    return target->Wait(milliseconds);
}
