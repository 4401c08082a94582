// Mutexes, auto- and manual-reset events, and threads as kernel objects.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "lifetimes_internal.h"
#include "platform/faults.h"
#include "system/file_descriptor.h"
#include "system/handles.h"

namespace {

using platform::FileDescriptor;

using Clock = std::chrono::steady_clock;

// Waits on `cv` until `ready()` or until `milliseconds` (INFINITE: forever).
template <class Ready>
bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD milliseconds,
             Ready ready) {
    if (milliseconds == INFINITE) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

// ------------------------------------------------------------------ threads

std::atomic<DWORD> nextThreadId{0x104};
thread_local DWORD currentThreadId = 0;

DWORD NewThreadId() {
    return nextThreadId.fetch_add(4);
}

class ThreadObject final : public platform::KernelObject {
public:
    bool IsWaitable() const override { return true; }
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(m);
        return WaitFor(cv, lock, milliseconds, [&] { return finished; }) ? WAIT_OBJECT_0
                                                                         : WAIT_TIMEOUT;
    }
    void Finish() {
        std::lock_guard<std::mutex> hold(m);
        finished = true;
        cv.notify_all();
    }

private:
    std::mutex m;
    std::condition_variable cv;
    bool finished = false;
};

// ------------------------------------------------------------------ events

class EventObject final : public platform::KernelObject {
public:
    EventObject(bool manualReset, bool initialState)
        : manual(manualReset), signalled(initialState) {}
    bool IsWaitable() const override { return true; }
    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> lock(m);
        if (!WaitFor(cv, lock, milliseconds, [&] { return signalled; })) {
            return WAIT_TIMEOUT;
        }
        if (!manual) {
            signalled = false; // an auto-reset event releases one waiter per signal
        }
        return WAIT_OBJECT_0;
    }
    void Set() {
        std::lock_guard<std::mutex> hold(m);
        signalled = true;
        if (manual) {
            cv.notify_all();
        } else {
            cv.notify_one();
        }
    }
    void Reset() {
        std::lock_guard<std::mutex> hold(m);
        signalled = false;
    }

private:
    std::mutex m;
    std::condition_variable cv;
    const bool manual;
    bool signalled;
};

std::mutex namedEventsLock;
std::map<std::string, std::weak_ptr<EventObject>> namedEvents;

// ------------------------------------------------------------------ mutexes

// Ownership of a mutex within this process, shared by all its handles.
struct MutexOwnership {
    std::mutex m;
    std::condition_variable cv;
    DWORD ownerThread = 0;
    unsigned count = 0;
};

// What this process knows about a named mutex: ownership, and a reservation
// (see OpenMutexA).
struct NamedMutexState {
    std::shared_ptr<MutexOwnership> ownership = std::make_shared<MutexOwnership>();
    FileDescriptor reservation;
};

std::mutex namedMutexesLock; // guards the map and every state's reservation
std::map<std::string, NamedMutexState> namedMutexes;

class MutexObject final : public platform::KernelObject {
public:
    MutexObject(std::shared_ptr<MutexOwnership> ownership, FileDescriptor existence)
        : ownership(std::move(ownership)), existence(std::move(existence)) {}
    bool IsWaitable() const override { return true; }
    DWORD Wait(DWORD milliseconds) override {
        const DWORD me = platform::CurrentThreadId();
        std::unique_lock<std::mutex> lock(ownership->m);
        const bool got = WaitFor(ownership->cv, lock, milliseconds, [&] {
            return ownership->count == 0 || ownership->ownerThread == me;
        });
        if (!got) {
            return WAIT_TIMEOUT;
        }
        ownership->ownerThread = me;
        ++ownership->count;
        return WAIT_OBJECT_0;
    }
    bool Release() {
        std::lock_guard<std::mutex> hold(ownership->m);
        if (ownership->count == 0 || ownership->ownerThread != platform::CurrentThreadId()) {
            return false;
        }
        if (--ownership->count == 0) {
            ownership->ownerThread = 0;
            ownership->cv.notify_one();
        }
        return true;
    }

private:
    std::shared_ptr<MutexOwnership> ownership;
    FileDescriptor existence; // holds a shared lock on the name's file while open
};

// A named mutex exists while some process holds a shared flock on the name's
// lock file: the lock goes with the process, however it ends. Checking for
// existence and taking the lock happen under an exclusive lock on a second
// "gate" file, so two processes can never both find the name free.
std::string LockDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime && *runtime && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) &&
        access(runtime, W_OK) == 0) {
        return runtime;
    }
    return "/tmp";
}

std::string LockFilePath(const std::string& name) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a over the raw name bytes
    std::string readable;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        if (readable.size() < 32) {
            const bool plain =
                (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            readable += plain ? c : '_';
        }
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%016llx", static_cast<unsigned long long>(hash));
    return LockDirectory() + "/quorvane-mutex-" + std::to_string(getuid()) + "-" + readable +
           suffix;
}

FileDescriptor OpenLockFile(const std::string& path) {
    return FileDescriptor(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

bool LockShared(const FileDescriptor& fd) {
    int result = 0;
    do {
        result = flock(fd.Get(), LOCK_SH);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

// Held while a process checks for a name and takes (or reserves) it.
class Gate {
public:
    explicit Gate(const std::string& path) : fd(OpenLockFile(path + ".gate")) {
        while (fd.Valid() && flock(fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    bool Valid() const { return fd.Valid(); }

private:
    FileDescriptor fd; // closing it drops the lock
};

// Whether any process (this one included) holds the name, not counting this
// process's own reservation. Called under the gate.
bool NameHeld(const std::string& path, NamedMutexState& state) {
    if (state.reservation.Valid()) {
        flock(state.reservation.Get(), LOCK_UN);
    }
    FileDescriptor probe = OpenLockFile(path);
    const bool free = probe.Valid() && flock(probe.Get(), LOCK_EX | LOCK_NB) == 0;
    probe.Reset();
    if (state.reservation.Valid()) {
        LockShared(state.reservation); // only shared holders exist outside the gate
    }
    return !free;
}

HANDLE NewMutexHandle(std::shared_ptr<MutexOwnership> ownership, FileDescriptor existence,
                      bool owned) {
    if (owned) {
        ownership->ownerThread = platform::CurrentThreadId();
        ownership->count = 1;
    }
    return platform::AddHandle(
        std::make_shared<MutexObject>(std::move(ownership), std::move(existence)));
}

} // namespace

DWORD platform::CurrentThreadId() {
    if (currentThreadId == 0) {
        currentThreadId = NewThreadId();
    }
    return currentThreadId;
}

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE startAddress,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
    if (platform::TakeFault("CreateThread")) {
        return nullptr;
    }
    if (!startAddress || (creationFlags & CREATE_SUSPENDED)) {
        return nullptr;
    }
    auto thread = std::make_shared<ThreadObject>();
    const DWORD id = NewThreadId();
    try {
        std::thread([thread, id, startAddress, parameter] {
            currentThreadId = id;
            startAddress(parameter);
            thread->Finish();
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    if (threadId) {
        *threadId = id;
    }
    return platform::AddHandle(std::move(thread));
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                           LPCSTR name) {
    if (platform::TakeFault("CreateEventA")) {
        return nullptr;
    }
    if (!name) {
        return platform::AddHandle(std::make_shared<EventObject>(manualReset, initialState));
    }
    // Named events are shared within this process.
    std::lock_guard<std::mutex> hold(namedEventsLock);
    if (auto existing = namedEvents[name].lock()) {
        return platform::AddHandle(std::move(existing));
    }
    auto event = std::make_shared<EventObject>(manualReset, initialState);
    namedEvents[name] = event;
    return platform::AddHandle(std::move(event));
}

BOOL WINAPI SetEvent(HANDLE event) {
    const auto object = platform::FindHandleOf<EventObject>(event);
    if (!object) {
        return FALSE;
    }
    object->Set();
    return TRUE;
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    if (platform::TakeFault("CreateMutexA")) {
        return nullptr;
    }
    if (!name) {
        return NewMutexHandle(std::make_shared<MutexOwnership>(), FileDescriptor(),
                              initialOwner != FALSE);
    }
    const std::string path = LockFilePath(name);
    std::lock_guard<std::mutex> hold(namedMutexesLock);
    NamedMutexState& state = namedMutexes[name];
    const Gate gate(path);
    if (!gate.Valid()) {
        return nullptr;
    }
    const bool existed = NameHeld(path, state);
    FileDescriptor existence;
    if (!existed && state.reservation.Valid()) {
        existence = std::move(state.reservation); // the name was kept for us
    } else {
        existence = OpenLockFile(path);
        if (!existence.Valid() || !LockShared(existence)) {
            return nullptr;
        }
    }
    std::lock_guard<std::mutex> own(state.ownership->m);
    HANDLE handle = NewMutexHandle(state.ownership, std::move(existence),
                                   !existed && initialOwner && state.ownership->count == 0);
    return handle;
}

// Opens an existing named mutex. When the name is free, this also reserves it
// for the calling process until the process calls CreateMutexA with it (or
// ends): a single-instance check of the usual "OpenMutexA, and CreateMutexA
// when that failed" shape then lets exactly one of two processes starting at
// the same moment through, where the bare Windows calls let both pass.
HANDLE WINAPI OpenMutexA(DWORD, BOOL, LPCSTR name) {
    if (platform::TakeFault("OpenMutexA")) {
        return nullptr;
    }
    if (!name) {
        return nullptr;
    }
    const std::string path = LockFilePath(name);
    std::lock_guard<std::mutex> hold(namedMutexesLock);
    NamedMutexState& state = namedMutexes[name];
    const Gate gate(path);
    if (!gate.Valid()) {
        return nullptr;
    }
    if (NameHeld(path, state)) {
        FileDescriptor existence = OpenLockFile(path);
        if (existence.Valid() && LockShared(existence)) {
            return NewMutexHandle(state.ownership, std::move(existence), false);
        }
        return nullptr;
    }
    if (!state.reservation.Valid()) {
        FileDescriptor reservation = OpenLockFile(path);
        if (reservation.Valid() && LockShared(reservation)) {
            state.reservation = std::move(reservation);
        }
    }
    return nullptr;
}

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
    platform::NoteRelease("ReleaseMutex");
    if (platform::TakeFault("ReleaseMutex")) {
        return FALSE;
    }
    const auto object = platform::FindHandleOf<MutexObject>(mutex);
    if (!object) {
        return FALSE;
    }
    if (!object->Release()) {
        return FALSE;
    }
    return TRUE;
}

namespace platform {

// The DirectMusic performance sets the game's notification event from the
// audio thread through this, exactly as SetEvent would.
void SignalEventHandle(HANDLE event) {
    if (const auto object = FindHandleOf<EventObject>(event)) {
        object->Set();
    }
}

} // namespace platform
