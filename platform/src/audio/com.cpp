// COM start-up and the class factory for the DirectMusic objects.
#include "audio/dmusic_internal.h"
#include "lifetimes_internal.h"
#include "platform/faults.h"

namespace {

// COM is started per thread; each successful CoInitialize counts once.
thread_local int comStarts = 0;

template <typename Object> HRESULT CreateAs(REFIID iid, LPVOID* object) {
    auto* created = new Object();
    const HRESULT result = created->QueryInterface(iid, object);
    created->Release(); // the caller's reference, if any, keeps it
    return result;
}

} // namespace

HRESULT WINAPI CoInitialize(LPVOID reserved) {
    if (const auto fault = platform::TakeFault("CoInitialize")) {
        return static_cast<HRESULT>(*fault);
    }
    if (reserved) {
        return E_INVALIDARG;
    }
    return comStarts++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize() {
    platform::NoteRelease("CoUninitialize");
    if (comStarts > 0) {
        --comStarts;
    }
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                LPVOID* object) {
    if (const auto fault = platform::TakeFault("CoCreateInstance")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (outer) {
        return CLASS_E_NOAGGREGATION;
    }
    if (!(context & CLSCTX_INPROC)) {
        return REGDB_E_CLASSNOTREG; // everything here lives in-process
    }
    if (comStarts == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (clsid == CLSID_DirectMusicPerformance) {
        return CreateAs<platform::audio::Performance>(iid, object);
    }
    if (clsid == CLSID_DirectMusicLoader) {
        return CreateAs<platform::audio::Loader>(iid, object);
    }
    return REGDB_E_CLASSNOTREG;
}
