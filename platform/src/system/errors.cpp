#include "system/errors.h"

#include "platform/faults.h"
#include "winapi/kernel.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError() {
    return lastError;
}

void WINAPI SetLastError(DWORD errorCode) {
    lastError = errorCode;
}

namespace platform {

bool FailedByInjection(std::string_view operation) {
    const auto fault = TakeFault(operation);
    if (!fault) {
        return false;
    }
    SetLastError(static_cast<DWORD>(*fault));
    return true;
}

} // namespace platform
