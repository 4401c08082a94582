// IDirectMusic and its ports.
#include <algorithm>
#include <cstring>

#include "audio/dmusic_internal.h"
#include "audio/dsound_device.h"
#include "platform/faults.h"

namespace platform::audio {
namespace {

// Lowers a port request to what the port has, as DirectMusic does rather
// than refusing it: channel groups to the port's own, effects to those it
// offers (an external MIDI port has none), and the parameters no port here
// takes (voices, audio channels, sample rate, sharing, features) dropped from
// the valid set. True when anything asked for was lowered.
bool LowerToWhatThePortHas(const DMUS_PORTCAPS& caps, DMUS_PORTPARAMS8& params) {
    bool lowered = false;
    if ((params.dwValidParams & DMUS_PORTPARAMS_CHANNELGROUPS) &&
        params.dwChannelGroups > caps.dwMaxChannelGroups) {
        params.dwChannelGroups = caps.dwMaxChannelGroups;
        lowered = true;
    }
    if ((params.dwValidParams & DMUS_PORTPARAMS_EFFECTS) &&
        (params.dwEffectFlags & ~caps.dwEffectFlags)) {
        params.dwEffectFlags &= caps.dwEffectFlags;
        lowered = true;
    }
    const DWORD untaken =
        params.dwValidParams & ~(DMUS_PORTPARAMS_CHANNELGROUPS | DMUS_PORTPARAMS_EFFECTS);
    if (untaken) {
        params.dwValidParams &= ~untaken;
        lowered = true;
    }
    return lowered;
}

} // namespace

// ---------------------------------------------------------------- MusicPort

MusicPort::MusicPort(const DMUS_PORTCAPS& caps, DWORD groups,
                     std::unique_ptr<MusicPortDriver> driver)
    : caps(caps), groups(groups), driver(std::move(driver)) {}

MusicPort::~MusicPort() {
    driver->Activate(false);
}

HRESULT MusicPort::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDirectMusicPort) {
        *out = static_cast<IDirectMusicPort*>(this);
    } else if (iid == IID_IKsControl) {
        *out = static_cast<IKsControl*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG MusicPort::Release() {
    NoteRelease("IDirectMusicPort::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT MusicPort::Activate(BOOL on) {
    if (const auto fault = platform::TakeFault("IDirectMusicPort::Activate")) {
        return static_cast<HRESULT>(*fault);
    }
    if ((on != 0) == active) {
        return S_FALSE;
    }
    if (!driver->Activate(on != 0)) {
        return DMUS_E_DRIVER_FAILED;
    }
    active = on != 0;
    return S_OK;
}

HRESULT MusicPort::KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                              ULONG dataLength, ULONG* bytesReturned) {
    if (const auto fault = platform::TakeFault("IKsControl::KsProperty")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!property || propertyLength < sizeof(KSPROPERTY)) {
        return E_INVALIDARG;
    }
    if (property->Set != GUID_DMUS_PROP_Effects || property->Id != 0) {
        return DMUS_E_TYPE_UNSUPPORTED;
    }
    if (!data || dataLength < sizeof(DWORD)) {
        return E_INVALIDARG;
    }
    if (property->Flags & KSPROPERTY_TYPE_SET) {
        DWORD effects = 0;
        std::memcpy(&effects, data, sizeof effects);
        if (!driver->SetEffects(effects)) {
            return E_INVALIDARG;
        }
        if (bytesReturned) {
            *bytesReturned = 0;
        }
        return S_OK;
    }
    if (property->Flags & KSPROPERTY_TYPE_GET) {
        const DWORD effects = driver->Effects();
        std::memcpy(data, &effects, sizeof effects);
        if (bytesReturned) {
            *bytesReturned = sizeof effects;
        }
        return S_OK;
    }
    return E_INVALIDARG;
}

// ---------------------------------------------------------------- DirectMusicObject

HRESULT DirectMusicObject::QueryInterface(REFIID iid, void** out) {
    return QueryOneInterface(static_cast<IDirectMusic*>(this), IID_IDirectMusic, iid, out);
}

ULONG DirectMusicObject::Release() {
    NoteRelease("IDirectMusic::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT DirectMusicObject::EnumPort(DWORD index, LPDMUS_PORTCAPS caps) {
    if (const auto fault = platform::TakeFault("IDirectMusic::EnumPort")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!caps || caps->dwSize != sizeof(DMUS_PORTCAPS)) {
        return E_INVALIDARG;
    }
    if (index == 0 || ports.empty()) {
        ports = ListMusicPorts(); // a fresh look at the machine each enumeration
    }
    if (index >= ports.size()) {
        return S_FALSE;
    }
    *caps = ports[index].caps;
    return S_OK;
}

HRESULT DirectMusicObject::GetDefaultPort(LPGUID port) {
    if (const auto fault = platform::TakeFault("IDirectMusic::GetDefaultPort")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!port) {
        return E_POINTER;
    }
    *port = SynthesizerPortGuid();
    return S_OK;
}

HRESULT DirectMusicObject::SetDirectSound(LPDIRECTSOUND directSound, HWND window) {
    (void)window;
    auto deviceMixer = MixerOfDevice(directSound);
    if (directSound && !deviceMixer) {
        return E_INVALIDARG;
    }
    mixer = std::move(deviceMixer);
    return S_OK;
}

HRESULT DirectMusicObject::CreatePort(REFCLSID portGuid, LPDMUS_PORTPARAMS params,
                                      LPDIRECTMUSICPORT* out, LPUNKNOWN outer) {
    if (const auto fault = platform::TakeFault("IDirectMusic::CreatePort")) {
        return static_cast<HRESULT>(*fault);
    }
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (outer) {
        return CLASS_E_NOAGGREGATION;
    }
    if (!params ||
        (params->dwSize != sizeof(DMUS_PORTPARAMS8) && params->dwSize != DMUS_PORTPARAMS7_SIZE)) {
        return E_INVALIDARG;
    }
    if (ports.empty()) {
        ports = ListMusicPorts();
    }
    auto entry = std::find_if(ports.begin(), ports.end(),
                              [&](const PortEntry& p) { return p.caps.guidPort == portGuid; });
    if (entry == ports.end() || entry->caps.dwClass != DMUS_PC_OUTPUTCLASS) {
        return E_INVALIDARG; // unknown port, or an input port (nothing here reads MIDI)
    }
    if ((params->dwValidParams & DMUS_PORTPARAMS_CHANNELGROUPS) && params->dwChannelGroups == 0) {
        return E_INVALIDARG;
    }
    DMUS_PORTPARAMS8 granted{}; // a 32-byte record of DirectX 7 has no dwFeatures
    std::memcpy(&granted, params, params->dwSize);
    const bool lowered = LowerToWhatThePortHas(entry->caps, granted);
    const DWORD groups =
        (granted.dwValidParams & DMUS_PORTPARAMS_CHANNELGROUPS) ? granted.dwChannelGroups : 1;
    const DWORD effects =
        (granted.dwValidParams & DMUS_PORTPARAMS_EFFECTS) ? granted.dwEffectFlags : 0;
    std::unique_ptr<MusicPortDriver> driver;
    if (entry->sequencerClient < 0) {
        if (!mixer || !mixer->IsOpen()) {
            return DMUS_E_NOT_INIT; // the synthesizer sounds through DirectSound
        }
        driver = OpenSynthesizerPort(mixer, groups, effects);
    } else {
        driver = CurrentSequencer().OpenPort(entry->sequencerClient, entry->sequencerPort);
    }
    if (!driver) {
        return DMUS_E_DRIVER_FAILED;
    }
    // Tell the caller what it got; S_FALSE says it is less than was asked.
    params->dwValidParams =
        granted.dwValidParams | DMUS_PORTPARAMS_CHANNELGROUPS | DMUS_PORTPARAMS_EFFECTS;
    params->dwChannelGroups = groups;
    params->dwEffectFlags = effects;
    *out = new MusicPort(entry->caps, groups, std::move(driver));
    return lowered ? S_FALSE : S_OK;
}

} // namespace platform::audio
