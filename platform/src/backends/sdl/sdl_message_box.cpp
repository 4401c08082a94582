// MessageBoxA as a native dialog.
#include "backends/sdl/sdl_backend.h"

#include <cstdio>
#include <vector>

#include "platform/system_backend.h"
#include "winapi/user.h"

namespace platform::sdl {

int SdlBackend::ShowMessageBox(const std::string& captionUtf8, const std::string& textUtf8,
                               unsigned type) {
    if (OnMainThread()) {
        ShowStagedFrame(); // the box stands over what the program last showed
    }
    const MessageBoxLayout layout = LayoutOfMessageBox(type);
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const MessageBoxButton& button : layout.buttons) {
        Uint32 flags = 0;
        flags |= button.returnKeyDefault ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        flags |= button.escapeKeyDefault ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0;
        buttons.push_back(SDL_MessageBoxButtonData{flags, button.id, button.text});
    }
    SDL_MessageBoxData box{};
    box.flags = layout.flags | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    // Owned by the window (kept above it, modal to it) when asked on the
    // window's own thread.
    box.window = shown && OnMainThread() ? window : nullptr;
    box.title = captionUtf8.c_str();
    box.message = textUtf8.c_str();
    box.numbuttons = static_cast<int>(buttons.size());
    box.buttons = buttons.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        std::fprintf(stderr, "[%s] %s\n(no message box: %s)\n", captionUtf8.c_str(),
                     textUtf8.c_str(), SDL_GetError());
        return DefaultMessageBoxAnswer(type);
    }
    return MessageBoxAnswer(type, pressed);
}

} // namespace platform::sdl
