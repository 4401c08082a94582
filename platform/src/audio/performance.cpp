// The DirectMusic performance: its set-up on the game's DirectSound device,
// its close-down, and the ports it plays through with the channel blocks
// routed to them. The sequencer (time, segments) and the messages it sends
// and hands back (notifications) have files of their own.
#include <algorithm>
#include <cstdlib>

#include "audio/dmusic_internal.h"
#include "audio/dsound_device.h"
#include "audio/reference_clock.h"
#include "platform/faults.h"

namespace platform::audio {

Performance::~Performance() {
    CloseDown();
    for (auto& [message, bytes] : allocatedBytes) {
        if (message->punkUser) {
            message->punkUser->Release();
        }
        std::free(message);
    }
    allocatedBytes.clear();
    ReleaseRetired();
}

HRESULT Performance::QueryInterface(REFIID iid, void** out) {
    return QueryOneInterface(static_cast<IDirectMusicPerformance*>(this),
                             IID_IDirectMusicPerformance, iid, out);
}

ULONG Performance::Release() {
    NoteRelease("IDirectMusicPerformance::Release");
    const ULONG left = refs.Drop();
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT Performance::CheckOpen() const {
    return initialised && !closed ? S_OK : DMUS_E_NOT_INIT;
}

void Performance::ReleaseRetired() {
    std::vector<IUnknown*> dropping;
    {
        std::lock_guard<std::mutex> hold(lock);
        dropping.swap(retired);
    }
    for (IUnknown* object : dropping) {
        object->Release();
    }
}

std::vector<MusicPort*> Performance::Ports() {
    std::lock_guard<std::mutex> hold(lock);
    return ports;
}

// ---------------------------------------------------------------- set-up

HRESULT Performance::Init(IDirectMusic** directMusicOut, LPDIRECTSOUND directSound, HWND window) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::Init")) {
        return static_cast<HRESULT>(*fault);
    }
    if (initialised) {
        return DMUS_E_ALREADY_ACTIVATED;
    }
    std::shared_ptr<Mixer> deviceMixer;
    if (directSound) {
        deviceMixer = MixerOfDevice(directSound);
        if (!deviceMixer) {
            return E_INVALIDARG;
        }
    } else {
        // Without the caller's device the performance opens its own.
        const HRESULT created = DirectSoundCreate(nullptr, &ownDevice, nullptr);
        if (FAILED(created)) {
            return created;
        }
        HWND owner = window ? window : reinterpret_cast<HWND>(this);
        ownDevice->SetCooperativeLevel(owner, DSSCL_PRIORITY);
        deviceMixer = MixerOfDevice(ownDevice);
    }
    IDirectMusic* music = directMusicOut ? *directMusicOut : nullptr;
    if (music) {
        auto* ours = dynamic_cast<DirectMusicObject*>(music);
        if (!ours) {
            return E_INVALIDARG;
        }
        music->AddRef();
        ours->SetDirectSound(directSound ? directSound : ownDevice, window);
    } else {
        music = new DirectMusicObject(deviceMixer);
        if (directMusicOut) {
            music->AddRef();
            *directMusicOut = music;
        }
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        directMusic = music;
        mixer = deviceMixer;
        const REFERENCE_TIME now = ReferenceNow();
        tempos.assign(1, TempoPoint{0, now, kDefaultBeatsPerMinute});
        advancedTo = now;
        initialised = true;
    }
    mixer->AddContributor(this);
    return S_OK;
}

HRESULT Performance::CloseDown() {
    if (!initialised || closed) {
        return S_OK;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        StopLocked(nullptr, nullptr);
        for (DMUS_PMSG* message : queue) {
            Discard(message);
        }
        queue.clear();
        for (DMUS_NOTIFICATION_PMSG* message : notifications) {
            Discard(reinterpret_cast<DMUS_PMSG*>(message));
        }
        notifications.clear();
        routes.clear();
        for (MusicPort* port : ports) {
            retired.push_back(static_cast<IDirectMusicPort*>(port));
        }
        ports.clear();
        if (directMusic) {
            retired.push_back(directMusic);
            directMusic = nullptr;
        }
        notificationEvent = nullptr;
        closed = true;
    }
    // From here the audio thread no longer calls in.
    mixer->RemoveContributor(this);
    ReleaseRetired();
    if (ownDevice) {
        ownDevice->Release();
        ownDevice = nullptr;
    }
    return S_OK;
}

// ---------------------------------------------------------------- ports

HRESULT Performance::AddPort(IDirectMusicPort* port) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::AddPort")) {
        return static_cast<HRESULT>(*fault);
    }
    if (FAILED(CheckOpen())) {
        return DMUS_E_NOT_INIT;
    }
    if (!port) {
        // No port named: the default one, activated, on channel block 0.
        DMUS_PORTPARAMS8 params{};
        params.dwSize = sizeof params;
        params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS;
        params.dwChannelGroups = 1;
        GUID guid{};
        IDirectMusicPort* created = nullptr;
        HRESULT result = directMusic->GetDefaultPort(&guid);
        if (SUCCEEDED(result)) {
            result = directMusic->CreatePort(guid, &params, &created, nullptr);
        }
        if (SUCCEEDED(result)) {
            result = created->Activate(TRUE);
        }
        if (SUCCEEDED(result)) {
            result = AddPort(created);
        }
        if (SUCCEEDED(result)) {
            result = AssignPChannelBlock(0, created, 1);
        }
        if (created) {
            created->Release();
        }
        return result;
    }
    auto* own = dynamic_cast<MusicPort*>(port);
    if (!own) {
        return E_INVALIDARG;
    }
    std::lock_guard<std::mutex> hold(lock);
    if (std::find(ports.begin(), ports.end(), own) != ports.end()) {
        return S_FALSE;
    }
    own->AddRef();
    ports.push_back(own);
    return S_OK;
}

HRESULT Performance::RemovePort(IDirectMusicPort* port) {
    auto* own = dynamic_cast<MusicPort*>(port);
    {
        std::lock_guard<std::mutex> hold(lock);
        auto it = std::find(ports.begin(), ports.end(), own);
        if (!own || it == ports.end()) {
            return E_INVALIDARG;
        }
        for (auto route = routes.begin(); route != routes.end();) {
            route = route->second.port == own ? routes.erase(route) : std::next(route);
        }
        own->Driver().AllNotesOff();
        ports.erase(it);
        retired.push_back(static_cast<IDirectMusicPort*>(own));
    }
    ReleaseRetired();
    return S_OK;
}

HRESULT Performance::AssignPChannelBlock(DWORD block, IDirectMusicPort* port, DWORD group) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::AssignPChannelBlock")) {
        return static_cast<HRESULT>(*fault);
    }
    auto* own = dynamic_cast<MusicPort*>(port);
    std::lock_guard<std::mutex> hold(lock);
    if (!own || std::find(ports.begin(), ports.end(), own) == ports.end()) {
        return E_INVALIDARG; // the port must have been added
    }
    if (group < 1 || group > own->Groups()) {
        return E_INVALIDARG;
    }
    routes[block] = Route{own, group};
    return S_OK;
}

void Performance::SendShort(DWORD pchannel, std::uint8_t status, std::uint8_t data1,
                            std::uint8_t data2) {
    auto route = routes.find(pchannel / 16);
    if (route == routes.end()) {
        return; // a channel no port plays
    }
    const auto channel = static_cast<std::uint8_t>(pchannel % 16);
    route->second.port->Driver().ShortMessage(
        route->second.group, static_cast<std::uint8_t>((status & 0xF0u) | channel), data1, data2);
}

void Performance::SendSysEx(DWORD pchannel, const std::uint8_t* data, std::size_t length) {
    auto route = routes.find(pchannel / 16);
    if (route == routes.end()) {
        return;
    }
    route->second.port->Driver().SystemExclusive(route->second.group, data, length);
}

} // namespace platform::audio
