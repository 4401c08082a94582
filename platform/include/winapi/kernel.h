// kernel32: handles, named mutexes, files, the current directory, code-page
// conversion, local memory, threads, events, modules and a string helper,
// with the SDK's names, constants and signatures.
#pragma once

#include "winapi/types.h"

// The program's entry point, defined by the game and called by the platform's
// start-up code with the instance handle, no previous instance, the command
// line and the show command.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

// ---------------------------------------------------------------- handles
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Closes a mutex, event, thread or file handle. The object lives on while
// another handle or a waiting thread still refers to it.
BOOL WINAPI CloseHandle(HANDLE object);

// ---------------------------------------------------------------- waiting
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_ABANDONED = 0x80;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Waits on a mutex, event or thread; `milliseconds` counts real time.
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);

// Sleeps on the platform's clock (virtual under the headless backend).
void WINAPI Sleep(DWORD milliseconds);

// ---------------------------------------------------------------- mutexes
inline constexpr DWORD SYNCHRONIZE = 0x00100000;
inline constexpr DWORD MUTEX_MODIFY_STATE = 0x0001;
inline constexpr DWORD MUTEX_ALL_ACCESS = 0x1F0001;

// A named mutex is visible to every process of this user on the machine and
// exists while any process holds a handle to it; it vanishes with the last
// holder, also when that process dies. Ownership (initial owner, waits,
// ReleaseMutex) is counted per thread within the process.
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE WINAPI OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);
BOOL WINAPI ReleaseMutex(HANDLE mutex);

// ---------------------------------------------------------------- events
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                           LPCSTR name);
BOOL WINAPI SetEvent(HANDLE event);

// ---------------------------------------------------------------- threads
using LPTHREAD_START_ROUTINE = DWORD(WINAPI*)(LPVOID parameter);
inline constexpr DWORD CREATE_SUSPENDED = 0x4;

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                           LPTHREAD_START_ROUTINE startAddress, LPVOID parameter,
                           DWORD creationFlags, LPDWORD threadId);

// ---------------------------------------------------------------- files
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
inline constexpr DWORD MAX_PATH = 260;

// Overlapped (asynchronous) input and output is not offered: callers pass null.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

// File names are code-page-932 strings; `\` and `/` both separate folders,
// a relative name is taken from the current directory, and letter case is
// ignored where the exact name does not exist. Share modes are not enforced.
HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES attributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh,
                            DWORD moveMethod);

// The current directory as a code-page-932 string: its length without the
// terminator, or the buffer size needed (terminator included) when
// `bufferLength` is too small, or 0 on failure.
DWORD WINAPI GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);

// ---------------------------------------------------------------- code pages
// The ANSI code page is 932 (Japanese Shift-JIS, Microsoft's variant).
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_UTF8 = 65001;
inline constexpr DWORD MB_PRECOMPOSED = 0x1;
inline constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
inline constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteLength,
                               LPWSTR wide, int wideLength);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength,
                               LPSTR multiByte, int multiByteLength, LPCSTR defaultChar,
                               LPBOOL usedDefaultChar);

// ---------------------------------------------------------------- memory
inline constexpr UINT LMEM_FIXED = 0x0;
inline constexpr UINT LMEM_MOVEABLE = 0x2;
inline constexpr UINT LMEM_ZEROINIT = 0x40;
inline constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
// Returns null when freed, the handle itself when it is no local allocation.
HLOCAL WINAPI LocalFree(HLOCAL memory);

// ---------------------------------------------------------------- modules
// Null names the running executable.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);

// ---------------------------------------------------------------- strings
int WINAPI lstrlenA(LPCSTR text);
