// Helpers shared by the COM-style objects of the audio layer.
#pragma once

#include <atomic>

#include "platform/faults.h"
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

// Makes the operation fail with the result a test injected for it, if any.
#define QV_RETURN_IF_FAULT(operation)                                                              \
    do {                                                                                           \
        if (auto injected = ::platform::TakeFault(operation)) {                                    \
            return static_cast<HRESULT>(*injected);                                                \
        }                                                                                          \
    } while (0)
