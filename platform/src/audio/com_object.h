// Helpers shared by the COM-style objects of the audio layer.
#pragma once

#include <atomic>

#include "winapi/base.h"

namespace platform::audio {

class RefCount {
public:
    ULONG Add() { return ++count; }
    ULONG Drop() { return --count; }

private:
    std::atomic<ULONG> count{1};
};

// QueryInterface of an object that offers one interface besides IUnknown.
template <class Interface>
HRESULT QueryOneInterface(Interface* self, REFIID offered, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (iid != IID_IUnknown && iid != offered) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    self->AddRef();
    *out = self;
    return S_OK;
}

} // namespace platform::audio
