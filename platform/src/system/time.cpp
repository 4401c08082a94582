#include "platform/backend.h"
#include "winapi/mmsystem.h"

DWORD WINAPI timeGetTime() {
    return platform::CurrentBackend().NowMilliseconds();
}
