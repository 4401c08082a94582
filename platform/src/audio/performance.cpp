// The DirectMusic performance: a sequencer on the backend's clock that plays
// segment states and sent messages through its ports, keeps music time in
// step with reference time through the tempo, and queues segment
// notifications, setting the registered event for each.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "audio/dmusic_internal.h"
#include "audio/dsound_device.h"
#include "audio/reference_clock.h"
#include "platform/event_signal.h"

namespace platform::audio {
namespace {

// DMUS_PMSG in a 32-bit Windows program is this much smaller than here (its
// two interface pointers and the 64-bit padding); a size counted for that
// layout still gets room for the same payload.
constexpr ULONG kPMsgSizeWin32 = 56;
constexpr std::size_t kLayoutGrowth = sizeof(DMUS_PMSG) - kPMsgSizeWin32;
constexpr std::size_t kMaxTempoPoints = 256;
constexpr MUSIC_TIME kBeat = DMUS_PPQ;
constexpr MUSIC_TIME kMeasure = 4 * DMUS_PPQ; // 4/4 unless told otherwise
constexpr MUSIC_TIME kGrid = DMUS_PPQ / 4;

MUSIC_TIME RoundUpTo(MUSIC_TIME time, MUSIC_TIME step) {
    const MUSIC_TIME rest = time % step;
    return rest == 0 ? time : time + (step - rest);
}

double TempoAtStart(const MidiSong& song, MUSIC_TIME point) {
    double beatsPerMinute = kDefaultBeatsPerMinute;
    for (const TempoChange& change : song.tempos) {
        if (change.time > point) {
            break;
        }
        beatsPerMinute = change.beatsPerMinute;
    }
    return beatsPerMinute;
}

} // namespace

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
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDirectMusicPerformance) {
        AddRef();
        *out = static_cast<IDirectMusicPerformance*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG Performance::Release() {
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
    QV_RETURN_IF_FAULT("Init");
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
        if (!dynamic_cast<DirectMusicObject*>(music)) {
            return E_INVALIDARG;
        }
        music->AddRef();
        music->SetDirectSound(directSound ? directSound : ownDevice, window);
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

// ---------------------------------------------------------------- time

REFERENCE_TIME Performance::ToReference(MUSIC_TIME music) const {
    auto point = tempos.begin();
    for (auto it = tempos.begin(); it != tempos.end() && it->music <= music; ++it) {
        point = it;
    }
    const double seconds = (static_cast<double>(music) - point->music) * 60.0 /
                           (point->beatsPerMinute * kTicksPerQuarter);
    return point->reference + static_cast<REFERENCE_TIME>(std::llround(
                                  seconds * static_cast<double>(kReferenceUnitsPerSecond)));
}

MUSIC_TIME Performance::ToMusic(REFERENCE_TIME reference) const {
    auto point = tempos.begin();
    for (auto it = tempos.begin(); it != tempos.end() && it->reference <= reference; ++it) {
        point = it;
    }
    const double seconds = static_cast<double>(reference - point->reference) /
                           static_cast<double>(kReferenceUnitsPerSecond);
    return point->music + static_cast<MUSIC_TIME>(std::floor(seconds * point->beatsPerMinute *
                                                             kTicksPerQuarter / 60.0));
}

void Performance::SetTempo(MUSIC_TIME at, double beatsPerMinute) {
    const REFERENCE_TIME reference = ToReference(at);
    while (tempos.size() > 1 && tempos.back().music >= at) {
        tempos.pop_back();
    }
    if (tempos.size() == 1 && tempos.front().music >= at) {
        tempos.front() = TempoPoint{at, reference, beatsPerMinute};
        return;
    }
    tempos.push_back(TempoPoint{at, reference, beatsPerMinute});
    if (tempos.size() > kMaxTempoPoints) {
        tempos.erase(tempos.begin(), tempos.begin() + kMaxTempoPoints / 2);
    }
}

HRESULT Performance::GetTime(REFERENCE_TIME* referenceNow, MUSIC_TIME* musicNow) {
    QV_RETURN_IF_FAULT("GetTime");
    if (FAILED(CheckOpen())) {
        return DMUS_E_NO_MASTER_CLOCK;
    }
    const REFERENCE_TIME now = ReferenceNow();
    {
        std::lock_guard<std::mutex> hold(lock);
        AdvanceLocked(now);
        if (referenceNow) {
            *referenceNow = now;
        }
        if (musicNow) {
            *musicNow = ToMusic(now);
        }
    }
    ReleaseRetired();
    return S_OK;
}

HRESULT Performance::MusicToReferenceTime(MUSIC_TIME music, REFERENCE_TIME* reference) {
    if (!reference) {
        return E_POINTER;
    }
    if (FAILED(CheckOpen())) {
        return DMUS_E_NO_MASTER_CLOCK;
    }
    std::lock_guard<std::mutex> hold(lock);
    *reference = ToReference(music);
    return S_OK;
}

HRESULT Performance::ReferenceToMusicTime(REFERENCE_TIME reference, MUSIC_TIME* music) {
    if (!music) {
        return E_POINTER;
    }
    if (FAILED(CheckOpen())) {
        return DMUS_E_NO_MASTER_CLOCK;
    }
    std::lock_guard<std::mutex> hold(lock);
    *music = ToMusic(reference);
    return S_OK;
}

// ---------------------------------------------------------------- ports

HRESULT Performance::AddPort(IDirectMusicPort* port) {
    QV_RETURN_IF_FAULT("AddPort");
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
    QV_RETURN_IF_FAULT("AssignPChannelBlock");
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

// ---------------------------------------------------------------- messages

DMUS_PMSG* Performance::Allocate(ULONG size) {
    const std::size_t bytes = std::max<std::size_t>(size + kLayoutGrowth, sizeof(DMUS_PMSG));
    auto* message = static_cast<DMUS_PMSG*>(std::calloc(1, bytes));
    if (!message) {
        return nullptr;
    }
    message->dwSize = size;
    allocatedBytes.emplace(message, bytes);
    return message;
}

void Performance::Discard(DMUS_PMSG* message) {
    if (message->punkUser) {
        retired.push_back(message->punkUser);
    }
    allocatedBytes.erase(message);
    std::free(message);
}

HRESULT Performance::AllocPMsg(ULONG size, DMUS_PMSG** message) {
    QV_RETURN_IF_FAULT("AllocPMsg");
    if (!message) {
        return E_POINTER;
    }
    *message = nullptr;
    if (size < kPMsgSizeWin32) {
        return E_INVALIDARG;
    }
    std::lock_guard<std::mutex> hold(lock);
    *message = Allocate(size);
    return *message ? S_OK : E_OUTOFMEMORY;
}

HRESULT Performance::FreePMsg(DMUS_PMSG* message) {
    if (!message) {
        return E_POINTER;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!allocatedBytes.count(message) ||
            std::find(queue.begin(), queue.end(), message) != queue.end()) {
            return DMUS_E_CANNOT_FREE; // not ours, or the performance still holds it
        }
        Discard(message);
    }
    ReleaseRetired();
    return S_OK;
}

HRESULT Performance::SendPMsg(DMUS_PMSG* message) {
    QV_RETURN_IF_FAULT("SendPMsg");
    if (!message) {
        return E_POINTER;
    }
    if (FAILED(CheckOpen())) {
        return DMUS_E_NOT_INIT;
    }
    std::lock_guard<std::mutex> hold(lock);
    auto found = allocatedBytes.find(message);
    if (found == allocatedBytes.end()) {
        return E_INVALIDARG; // only messages from AllocPMsg can be sent
    }
    if (std::find(queue.begin(), queue.end(), message) != queue.end()) {
        return DMUS_E_ALREADY_SENT;
    }
    const std::size_t bytes = found->second;
    if (message->dwType == DMUS_PMSGT_MIDI) {
        if (bytes < sizeof(DMUS_MIDI_PMSG)) {
            return E_INVALIDARG;
        }
    } else if (message->dwType == DMUS_PMSGT_SYSEX) {
        const auto* sysex = reinterpret_cast<DMUS_SYSEX_PMSG*>(message);
        if (bytes < offsetof(DMUS_SYSEX_PMSG, abData) ||
            sysex->dwLen > bytes - offsetof(DMUS_SYSEX_PMSG, abData)) {
            return E_INVALIDARG; // the data would run past the message
        }
    } else {
        return DMUS_E_TYPE_UNSUPPORTED;
    }
    if (!(message->dwFlags & (DMUS_PMSGF_REFTIME | DMUS_PMSGF_MUSICTIME))) {
        return E_INVALIDARG; // a message without a time cannot be scheduled
    }
    if (!(message->dwFlags & DMUS_PMSGF_REFTIME)) {
        message->rtTime = ToReference(message->mtTime);
        message->dwFlags |= DMUS_PMSGF_REFTIME;
    } else if (!(message->dwFlags & DMUS_PMSGF_MUSICTIME)) {
        message->mtTime = ToMusic(message->rtTime);
        message->dwFlags |= DMUS_PMSGF_MUSICTIME;
    }
    if (message->dwFlags & DMUS_PMSGF_TOOL_IMMEDIATE) {
        Deliver(message);
        Discard(message);
        return S_OK;
    }
    auto at = std::upper_bound(
        queue.begin(), queue.end(), message,
        [](const DMUS_PMSG* a, const DMUS_PMSG* b) { return a->rtTime < b->rtTime; });
    queue.insert(at, message);
    return S_OK;
}

void Performance::Deliver(DMUS_PMSG* message) {
    if (message->dwType == DMUS_PMSGT_MIDI) {
        const auto* midi = reinterpret_cast<DMUS_MIDI_PMSG*>(message);
        SendShort(midi->dwPChannel, midi->bStatus, midi->bByte1 & 0x7Fu, midi->bByte2 & 0x7Fu);
    } else if (message->dwType == DMUS_PMSGT_SYSEX) {
        const auto* sysex = reinterpret_cast<DMUS_SYSEX_PMSG*>(message);
        SendSysEx(sysex->dwPChannel, sysex->abData, sysex->dwLen);
    }
}

// ---------------------------------------------------------------- notifications

HRESULT Performance::SetNotificationHandle(HANDLE event, REFERENCE_TIME minimum) {
    QV_RETURN_IF_FAULT("SetNotificationHandle");
    (void)minimum; // notifications wait until they are read, however long that takes
    std::lock_guard<std::mutex> hold(lock);
    notificationEvent = event;
    return S_OK;
}

HRESULT Performance::AddNotificationType(REFGUID type) {
    QV_RETURN_IF_FAULT("AddNotificationType");
    if (type != GUID_NOTIFICATION_SEGMENT) {
        return DMUS_E_TYPE_UNSUPPORTED; // segment notifications are the ones made here
    }
    std::lock_guard<std::mutex> hold(lock);
    const bool already = segmentNotifications;
    segmentNotifications = true;
    return already ? S_FALSE : S_OK;
}

HRESULT Performance::RemoveNotificationType(REFGUID type) {
    std::lock_guard<std::mutex> hold(lock);
    if (type != GUID_NOTIFICATION_SEGMENT || !segmentNotifications) {
        return S_FALSE;
    }
    segmentNotifications = false;
    return S_OK;
}

HRESULT Performance::GetNotificationPMsg(DMUS_NOTIFICATION_PMSG** message) {
    QV_RETURN_IF_FAULT("GetNotificationPMsg");
    if (!message) {
        return E_POINTER;
    }
    *message = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (initialised && !closed) {
            AdvanceLocked(ReferenceNow());
        }
        if (!notifications.empty()) {
            *message = notifications.front();
            notifications.pop_front();
        }
    }
    ReleaseRetired();
    return *message ? S_OK : S_FALSE;
}

void Performance::Notify(SegmentState& state, DWORD option, MUSIC_TIME at) {
    if (!segmentNotifications) {
        return;
    }
    auto* message = reinterpret_cast<DMUS_NOTIFICATION_PMSG*>(
        Allocate(sizeof(DMUS_NOTIFICATION_PMSG) - kLayoutGrowth));
    if (!message) {
        return;
    }
    message->dwSize = sizeof(DMUS_NOTIFICATION_PMSG);
    message->mtTime = at;
    message->rtTime = ToReference(at);
    message->dwFlags = DMUS_PMSGF_REFTIME | DMUS_PMSGF_MUSICTIME;
    message->dwType = DMUS_PMSGT_NOTIFICATION;
    message->dwGroupID = 0xFFFFFFFF;
    state.AddRef();
    message->punkUser = &state;
    message->guidNotificationType = GUID_NOTIFICATION_SEGMENT;
    message->dwNotificationOption = option;
    message->dwField1 = state.repetition;
    notifications.push_back(message);
    if (notificationEvent) {
        platform::SignalEventHandle(notificationEvent);
    }
}

// ---------------------------------------------------------------- playing

HRESULT Performance::PlaySegment(IDirectMusicSegment* segmentInterface, DWORD flags,
                                 LONGLONG startTime, IDirectMusicSegmentState** stateOut) {
    QV_RETURN_IF_FAULT("PlaySegment");
    if (FAILED(CheckOpen())) {
        return DMUS_E_NOT_INIT;
    }
    auto* segment = dynamic_cast<Segment*>(segmentInterface);
    if (!segment) {
        return E_POINTER;
    }
    const REFERENCE_TIME now = ReferenceNow();
    {
        std::lock_guard<std::mutex> hold(lock);
        AdvanceLocked(now);
        const MUSIC_TIME musicNow = ToMusic(now);
        MUSIC_TIME at = musicNow;
        if (startTime != 0) {
            at = (flags & DMUS_SEGF_REFTIME) ? ToMusic(startTime)
                                             : static_cast<MUSIC_TIME>(startTime);
            at = std::max(at, musicNow);
        }
        if (flags & DMUS_SEGF_MEASURE) {
            at = RoundUpTo(at, kMeasure);
        } else if (flags & DMUS_SEGF_BEAT) {
            at = RoundUpTo(at, kBeat);
        } else if (flags & DMUS_SEGF_GRID) {
            at = RoundUpTo(at, kGrid);
        }
        if (!(flags & DMUS_SEGF_SECONDARY)) {
            // A primary segment takes over from the one playing.
            StopLocked(nullptr, nullptr);
        }
        auto* state = new SegmentState(segment, at);
        playing.push_back(state);
        if (stateOut) {
            state->AddRef();
            *stateOut = state;
        }
    }
    ReleaseRetired();
    return S_OK;
}

HRESULT Performance::Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state,
                          MUSIC_TIME time, DWORD flags) {
    (void)time, (void)flags; // stops now
    if (FAILED(CheckOpen())) {
        return DMUS_E_NOT_INIT;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        AdvanceLocked(ReferenceNow());
        StopLocked(dynamic_cast<Segment*>(segment), dynamic_cast<SegmentState*>(state));
        if (!segment && !state) {
            for (DMUS_PMSG* message : queue) {
                Discard(message);
            }
            queue.clear();
        }
    }
    ReleaseRetired();
    return S_OK;
}

HRESULT Performance::IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) {
    if (FAILED(CheckOpen())) {
        return DMUS_E_NOT_INIT;
    }
    if (!segment && !state) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> hold(lock);
    AdvanceLocked(ReferenceNow());
    for (SegmentState* playingState : playing) {
        if (playingState->started && !playingState->ended &&
            (!segment || playingState->segment == dynamic_cast<Segment*>(segment)) &&
            (!state || playingState == dynamic_cast<SegmentState*>(state))) {
            return S_OK;
        }
    }
    return S_FALSE;
}

void Performance::StopLocked(Segment* segment, SegmentState* state) {
    const MUSIC_TIME now = ToMusic(std::max(advancedTo, tempos.front().reference));
    bool any = false;
    for (SegmentState* playingState : playing) {
        if ((segment && playingState->segment != segment) || (state && playingState != state)) {
            continue;
        }
        if (!playingState->ended) {
            if (playingState->started) {
                Notify(*playingState, DMUS_NOTIFICATION_SEGABORT, now);
            }
            playingState->ended = true;
            any = true;
        }
    }
    if (any) {
        for (MusicPort* port : ports) {
            port->Driver().AllNotesOff();
        }
    }
    for (auto it = playing.begin(); it != playing.end();) {
        if ((*it)->ended) {
            retired.push_back(*it);
            it = playing.erase(it);
        } else {
            ++it;
        }
    }
}

void Performance::Advance(std::int64_t until) {
    std::lock_guard<std::mutex> hold(lock);
    if (initialised && !closed) {
        AdvanceLocked(until);
    }
}

void Performance::AdvanceLocked(REFERENCE_TIME until) {
    // One item at a time, always the earliest due, so that tempo changes
    // move the times of everything after them.
    for (;;) {
        bool progressed = StepQueue(until);
        for (SegmentState* state : playing) {
            progressed = StepState(*state, until) || progressed;
        }
        if (!progressed) {
            break;
        }
    }
    advancedTo = std::max(advancedTo, until);
    const MUSIC_TIME musicNow = ToMusic(advancedTo);
    for (SegmentState* state : playing) {
        if (state->started && !state->ended) {
            const MUSIC_TIME base = RepetitionBase(*state);
            state->seek = std::clamp(musicNow - base,
                                     state->repetition == 0 ? state->startPoint : 0, state->length);
        }
    }
    for (auto it = playing.begin(); it != playing.end();) {
        if ((*it)->ended) {
            retired.push_back(*it);
            it = playing.erase(it);
        } else {
            ++it;
        }
    }
}

bool Performance::StepQueue(REFERENCE_TIME until) {
    bool progressed = false;
    while (!queue.empty() && queue.front()->rtTime <= until) {
        DMUS_PMSG* message = queue.front();
        queue.erase(queue.begin());
        Deliver(message);
        Discard(message);
        progressed = true;
    }
    return progressed;
}

void Performance::ChaseTo(const SegmentState& state) {
    // Starting part-way: the channels get the program, controllers and pitch
    // bend they would have had at the start point.
    const MidiSong& song = state.segment->Song();
    std::map<std::pair<unsigned, unsigned>, std::uint8_t> controllers;
    std::map<unsigned, std::uint8_t> programs;
    std::map<unsigned, std::pair<std::uint8_t, std::uint8_t>> bends;
    for (const MidiEvent& event : song.events) {
        if (event.time >= state.startPoint) {
            break;
        }
        const unsigned channel = event.status & 0x0Fu;
        switch (event.status & 0xF0u) {
        case 0xB0:
            controllers[{channel, event.data1}] = event.data2;
            break;
        case 0xC0:
            programs[channel] = event.data1;
            break;
        case 0xE0:
            bends[channel] = {event.data1, event.data2};
            break;
        default:
            break;
        }
    }
    const bool standard = state.segment->IsStandardMidiFile();
    for (auto& [key, value] : controllers) {
        if (!(standard && (key.second == 0 || key.second == 32))) {
            SendShort(key.first, 0xB0, static_cast<std::uint8_t>(key.second), value);
        }
    }
    for (auto& [channel, program] : programs) {
        SendShort(channel, 0xC0, program, 0);
    }
    for (auto& [channel, bend] : bends) {
        SendShort(channel, 0xE0, bend.first, bend.second);
    }
}

MUSIC_TIME Performance::RepetitionBase(const SegmentState& state) {
    // Where time 0 of the segment lies in the current repetition.
    return state.repetition == 0 ? state.start - state.startPoint
                                 : state.start + (state.length - state.startPoint) +
                                       static_cast<MUSIC_TIME>(state.repetition - 1) * state.length;
}

bool Performance::StepState(SegmentState& state, REFERENCE_TIME until) {
    if (state.ended) {
        return false;
    }
    const MidiSong& song = state.segment->Song();
    if (!state.started) {
        if (ToReference(state.start) > until) {
            return false;
        }
        state.started = true;
        SetTempo(state.start, TempoAtStart(song, state.startPoint));
        ChaseTo(state);
        state.nextEvent = static_cast<std::size_t>(
            std::lower_bound(song.events.begin(), song.events.end(), state.startPoint,
                             [](const MidiEvent& e, MUSIC_TIME t) { return e.time < t; }) -
            song.events.begin());
        state.nextTempo = static_cast<std::size_t>(
            std::upper_bound(song.tempos.begin(), song.tempos.end(), state.startPoint,
                             [](MUSIC_TIME t, const TempoChange& c) { return t < c.time; }) -
            song.tempos.begin());
        Notify(state, DMUS_NOTIFICATION_SEGSTART, state.start);
        return true;
    }
    const MUSIC_TIME base = RepetitionBase(state);
    const bool tempoDue =
        state.nextTempo < song.tempos.size() && song.tempos[state.nextTempo].time <= state.length;
    const bool eventDue =
        state.nextEvent < song.events.size() && song.events[state.nextEvent].time <= state.length;
    if (tempoDue &&
        (!eventDue || song.tempos[state.nextTempo].time <= song.events[state.nextEvent].time)) {
        const TempoChange& change = song.tempos[state.nextTempo];
        if (ToReference(base + change.time) > until) {
            return false;
        }
        SetTempo(base + change.time, change.beatsPerMinute);
        ++state.nextTempo;
        return true;
    }
    if (eventDue) {
        const MidiEvent& event = song.events[state.nextEvent];
        if (ToReference(base + event.time) > until) {
            return false;
        }
        ++state.nextEvent;
        if (event.status == 0xF0) {
            SendSysEx(0, song.sysex.data() + event.sysexOffset, event.sysexLength);
        } else if (!(state.segment->IsStandardMidiFile() && (event.status & 0xF0u) == 0xB0 &&
                     (event.data1 == 0 || event.data1 == 32))) {
            SendShort(event.status & 0x0Fu, event.status, event.data1, event.data2);
        }
        return true;
    }
    const MUSIC_TIME end = base + state.length;
    if (ToReference(end) > until) {
        return false;
    }
    if (state.repetition < state.repeats) {
        ++state.repetition;
        state.nextEvent = 0;
        state.nextTempo = 0;
        if (song.tempos.empty() || song.tempos.front().time > 0) {
            SetTempo(end, kDefaultBeatsPerMinute);
        }
        Notify(state, DMUS_NOTIFICATION_SEGLOOP, end);
        return true;
    }
    state.ended = true;
    state.seek = state.length;
    Notify(state, DMUS_NOTIFICATION_SEGEND, end);
    return true;
}

} // namespace platform::audio
