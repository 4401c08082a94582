#include <cstring>

#include "platform/faults.h"
#include "video/objects.h"

namespace platform::video {

Palette::Palette(const PALETTEENTRY* initial) {
    std::memcpy(entries.data(), initial, sizeof entries);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        colours[i] = PaletteColour{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    }
    createdColours = colours;
}

HRESULT Palette::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (const auto fault = platform::TakeFault("IDirectDrawPalette::QueryInterface")) {
        return static_cast<HRESULT>(*fault);
    }
    if (riid == IID_IUnknown || riid == IID_IDirectDrawPalette) {
        AddRef();
        *object = static_cast<IDirectDrawPalette*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG Palette::AddRef() {
    return ++references;
}

ULONG Palette::Release() {
    NoteRelease("IDirectDrawPalette::Release");
    const ULONG left = --references;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT Palette::SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY in) {
    if (const auto fault = platform::TakeFault("IDirectDrawPalette::SetEntries")) {
        return static_cast<HRESULT>(*fault);
    }
    if (flags != 0 || in == nullptr || start > 256 || count > 256 - start) {
        return DDERR_INVALIDPARAMS;
    }
    for (DWORD i = 0; i < count; ++i) {
        entries[start + i] = in[i];
        colours[start + i] = PaletteColour{in[i].peRed, in[i].peGreen, in[i].peBlue};
    }
    // A hardware palette changes the colours on screen without a redraw.
    Surface* display = PrimarySurface();
    if (display != nullptr && display->UsesPalette(this)) {
        display->PresentIfPrimary();
    }
    return DD_OK;
}

} // namespace platform::video
