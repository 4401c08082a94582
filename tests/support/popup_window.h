// A window for tests that need one to post to, draw for or own a message
// box: a top-level popup of a fresh class that leaves every message to
// DefWindowProcA.
#pragma once

#include "winapi.h"

// Null when the class or the window cannot be made (a class of that name
// registered already, say).
inline HWND MakePopupWindow(const char* className, int width, int height, const char* title = "") {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className;
    if (RegisterClassExA(&windowClass) == 0) {
        return nullptr;
    }
    return CreateWindowExA(0, className, title, WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           nullptr, nullptr);
}
