#include "app/window_base.h"

int WindowBase::ReportError(LPCSTR message) {
    char caption[32];
    wsprintfA(caption, "%x", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)));
    return MessageBoxA(window, message, caption, MB_OK);
}
