// Messages of the performance: those the caller allocates and sends (MIDI
// and system-exclusive, played at their time or at once), and the segment
// notifications it hands back, each setting the registered event.
#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "audio/dmusic_internal.h"
#include "audio/reference_clock.h"
#include "platform/event_signal.h"
#include "platform/faults.h"

namespace platform::audio {
namespace {

// DMUS_PMSG in a 32-bit Windows program is this much smaller than here (its
// two interface pointers and the 64-bit padding); a size counted for that
// layout still gets room for the same payload.
constexpr ULONG kPMsgSizeWin32 = 56;
constexpr std::size_t kLayoutGrowth = sizeof(DMUS_PMSG) - kPMsgSizeWin32;

} // namespace

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
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::AllocPMsg")) {
        return static_cast<HRESULT>(*fault);
    }
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
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::SendPMsg")) {
        return static_cast<HRESULT>(*fault);
    }
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
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::SetNotificationHandle")) {
        return static_cast<HRESULT>(*fault);
    }
    (void)minimum; // notifications wait until they are read, however long that takes
    std::lock_guard<std::mutex> hold(lock);
    notificationEvent = event;
    return S_OK;
}

HRESULT Performance::AddNotificationType(REFGUID type) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::AddNotificationType")) {
        return static_cast<HRESULT>(*fault);
    }
    if (type != GUID_NOTIFICATION_SEGMENT) {
        return DMUS_E_TYPE_UNSUPPORTED; // segment notifications are the ones made here
    }
    std::lock_guard<std::mutex> hold(lock);
    const bool already = segmentNotifications;
    segmentNotifications = true;
    return already ? S_FALSE : S_OK;
}

HRESULT Performance::GetNotificationPMsg(DMUS_NOTIFICATION_PMSG** message) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::GetNotificationPMsg")) {
        return static_cast<HRESULT>(*fault);
    }
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

} // namespace platform::audio
