// Key state, the joystick, the cursor, icons, stock objects, message boxes
// and rectangles.
#include <array>
#include <mutex>
#include <string>

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/text.h"
#include "system/window_state.h"
#include "winapi/kernel.h"
#include "winapi/mmsystem.h"
#include "winapi/user.h"

namespace {

std::mutex cursorLock;
int cursorCount = 0; // a mouse is attached: the cursor starts shown

// The system's own icon and cursor: IDI_APPLICATION and IDC_ARROW share the
// number 32512 but are different objects.
struct SystemImage {
    int id;
};
SystemImage applicationIcon{32512};
SystemImage arrowCursor{32512};

constexpr int kStockObjects = 18;
struct StockObject {
    int index;
};
constexpr std::array<StockObject, kStockObjects> MakeStockObjects() {
    std::array<StockObject, kStockObjects> objects{};
    for (int i = 0; i < kStockObjects; ++i) {
        objects[static_cast<std::size_t>(i)].index = i;
    }
    return objects;
}
std::array<StockObject, kStockObjects> stockObjects = MakeStockObjects();

bool IsSystemResource(HINSTANCE instance, LPCSTR name, int id) {
    return !instance && IS_INTRESOURCE(name) &&
           reinterpret_cast<ULONG_PTR>(name) == static_cast<ULONG_PTR>(id);
}

} // namespace

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 1 || virtualKey > 254) {
        return 0;
    }
    return platform::CurrentBackend().IsKeyDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0;
}

MMRESULT WINAPI joyGetPosEx(UINT id, LPJOYINFOEX info) {
    if (const auto fault = platform::TakeFault("joyGetPosEx")) {
        return static_cast<MMRESULT>(*fault);
    }
    if (!info || info->dwSize != sizeof(JOYINFOEX) || id > 15) {
        return JOYERR_PARMS;
    }
    platform::JoystickState state;
    if (!platform::CurrentBackend().ReadJoystick(id, state)) {
        return JOYERR_UNPLUGGED;
    }
    if (info->dwFlags & JOY_RETURNX) {
        info->dwXpos = state.x;
    }
    if (info->dwFlags & JOY_RETURNY) {
        info->dwYpos = state.y;
    }
    if (info->dwFlags & JOY_RETURNBUTTONS) {
        info->dwButtons = state.buttons;
        DWORD pressed = 0;
        for (std::uint32_t bits = state.buttons; bits != 0; bits &= bits - 1) {
            ++pressed;
        }
        info->dwButtonNumber = pressed;
    }
    return JOYERR_NOERROR;
}

int WINAPI ShowCursor(BOOL show) {
    std::lock_guard<std::mutex> hold(cursorLock);
    const bool wasVisible = cursorCount >= 0;
    cursorCount += show ? 1 : -1;
    const bool visible = cursorCount >= 0;
    if (visible != wasVisible) {
        platform::CurrentBackend().SetCursorVisible(visible);
    }
    return cursorCount;
}

void platform::windowing::ResetCursor() {
    std::lock_guard<std::mutex> hold(cursorLock);
    cursorCount = 0;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName) {
    if (platform::TakeFault("LoadIconA")) {
        return nullptr;
    }
    if (IsSystemResource(instance, iconName, 32512)) {
        return reinterpret_cast<HICON>(&applicationIcon);
    }
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    if (platform::TakeFault("LoadCursorA")) {
        return nullptr;
    }
    if (IsSystemResource(instance, cursorName, 32512)) {
        return reinterpret_cast<HCURSOR>(&arrowCursor);
    }
    return nullptr;
}

HGDIOBJ WINAPI GetStockObject(int object) {
    if (object < 0 || object >= kStockObjects || object == 9) {
        return nullptr; // 9 is no stock object
    }
    return &stockObjects[static_cast<std::size_t>(object)];
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (platform::TakeFault("MessageBoxA")) {
        return 0;
    }
    const std::string textUtf8 = platform::AnsiToUtf8(text ? text : "");
    const std::string captionUtf8 = platform::AnsiToUtf8(caption ? caption : "Error");
    return platform::CurrentBackend().ShowOwnedMessageBox(owner, captionUtf8, textUtf8, type);
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
