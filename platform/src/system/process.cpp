// Local memory, the module handle, Sleep and lstrlenA.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

#include "lifetimes_internal.h"
#include "platform/backend.h"
#include "platform/faults.h"
#include "winapi/kernel.h"

namespace {

// Live local allocations, so that LocalFree can refuse what it never handed
// out instead of corrupting the heap.
std::mutex localLock;
std::unordered_set<void*> localBlocks;

// The executable's module handle: the address Windows loads programs at.
HINSTANCE const executableModule = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x400000));

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string ExecutableName() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return {};
    }
    path[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    return Lower(slash ? slash + 1 : path);
}

} // namespace

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    if (platform::TakeFault("LocalAlloc")) {
        return nullptr;
    }
    if (flags & ~(LMEM_ZEROINIT | LMEM_MOVEABLE)) {
        return nullptr;
    }
    if (flags & LMEM_MOVEABLE) {
        return nullptr;
    }
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                          : std::malloc(bytes ? bytes : 1);
    if (!block) {
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(localLock);
    localBlocks.insert(block);
    return block;
}

HLOCAL WINAPI LocalFree(HLOCAL memory) {
    platform::NoteRelease("LocalFree");
    if (!memory) {
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> hold(localLock);
        if (localBlocks.erase(memory) == 0) {
            return memory;
        }
    }
    std::free(memory);
    return nullptr;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (platform::TakeFault("GetModuleHandleA")) {
        return nullptr;
    }
    if (!moduleName) {
        return executableModule;
    }
    // The executable by its file name, with or without ".exe".
    const std::string wanted = Lower(moduleName);
    const std::string own = ExecutableName();
    if (!own.empty() && (wanted == own || wanted == own + ".exe")) {
        return executableModule;
    }
    return nullptr;
}

void WINAPI Sleep(DWORD milliseconds) {
    platform::CurrentBackend().Sleep(milliseconds);
}

int WINAPI lstrlenA(LPCSTR text) {
    return text ? static_cast<int>(std::strlen(text)) : 0;
}
