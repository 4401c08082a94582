#include "audio_test_support.h"

#include <atomic>

#include "winapi.h"

namespace {
std::atomic<std::uint32_t> failingSize{0};
}

void FailReadsOfSize(std::uint32_t bytes) {
    failingSize = bytes;
}

// The linker's names for ReadFile (a C++ function of the platform) and for
// the wrapper that --wrap puts in front of it.
extern "C" BOOL __real__Z8ReadFilePvS_jPjP10OVERLAPPED(HANDLE, LPVOID, DWORD, LPDWORD,
                                                       LPOVERLAPPED);

extern "C" BOOL __wrap__Z8ReadFilePvS_jPjP10OVERLAPPED(HANDLE file, LPVOID buffer, DWORD count,
                                                       LPDWORD read, LPOVERLAPPED overlapped) {
    if (count != 0 && count == failingSize.load()) {
        if (read != nullptr) {
            *read = 0;
        }
        return FALSE;
    }
    return __real__Z8ReadFilePvS_jPjP10OVERLAPPED(file, buffer, count, read, overlapped);
}
