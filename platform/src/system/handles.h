// Kernel handles: every mutex, event, thread and file the API hands out is an
// object in one process-wide table, named by a number that is never reused,
// so a closed or made-up handle is recognised instead of followed.
#pragma once

#include <memory>

#include "winapi/kernel.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Objects that can be waited on (mutexes, events, threads) answer a wait
    // of up to `milliseconds` (INFINITE: no limit) with a WAIT_ result.
    virtual bool IsWaitable() const { return false; }
    virtual DWORD Wait(DWORD milliseconds) { return (void)milliseconds, WAIT_FAILED; }
};

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);
// Removes the handle from the table; false when it names no open handle.
bool RemoveHandle(HANDLE handle);
// Closes every handle, as the end of a process does.
void CloseAllHandles();

// The calling thread's number, as the message queues and mutex ownership know it.
DWORD CurrentThreadId();

template <class T> std::shared_ptr<T> FindHandleOf(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

} // namespace platform
