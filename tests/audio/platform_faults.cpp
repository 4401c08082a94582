#include <atomic>

#include "audio_test_support.h"

namespace {
std::atomic<std::uint32_t> failingSize{0};
std::atomic<const CLSID*> failingClass{nullptr};
} // namespace

void FailReadsOfSize(std::uint32_t bytes) {
    failingSize = bytes;
}

void FailCreationOf(const CLSID* classId) {
    failingClass = classId;
}

// The linker's names for the platform's ReadFile and CoCreateInstance (C++
// functions) and for the wrappers that --wrap puts in front of them.
extern "C" BOOL __real__Z8ReadFilePvS_jPjP10OVERLAPPED(HANDLE, LPVOID, DWORD, LPDWORD,
                                                       LPOVERLAPPED);
extern "C" HRESULT __real__Z16CoCreateInstanceRK4GUIDP8IUnknownjS1_PPv(REFCLSID, LPUNKNOWN, DWORD,
                                                                       REFIID, LPVOID*);

extern "C" BOOL __wrap__Z8ReadFilePvS_jPjP10OVERLAPPED(HANDLE file, LPVOID buffer, DWORD count,
                                                       LPDWORD read, LPOVERLAPPED overlapped) {
    if (count != 0 && count == failingSize.load()) {
        *read = 0;
        return FALSE;
    }
    return __real__Z8ReadFilePvS_jPjP10OVERLAPPED(file, buffer, count, read, overlapped);
}

extern "C" HRESULT __wrap__Z16CoCreateInstanceRK4GUIDP8IUnknownjS1_PPv(REFCLSID classId,
                                                                       LPUNKNOWN outer,
                                                                       DWORD context, REFIID iid,
                                                                       LPVOID* object) {
    const CLSID* failing = failingClass.load();
    if (failing != nullptr && *failing == classId) {
        static int stale = 0;
        *object = &stale; // what a failed creation leaves in the out place is not an object
        return E_OUTOFMEMORY;
    }
    return __real__Z16CoCreateInstanceRK4GUIDP8IUnknownjS1_PPv(classId, outer, context, iid,
                                                               object);
}
