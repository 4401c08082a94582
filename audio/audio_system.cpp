// DirectMusic start-up and shutdown, and the notification thread: the
// performance signals an event, the thread posts a message for each signal,
// and the main thread reads the notification when it handles the message.
#include "audio/audio_system.h"

#include <cstring>

#include "audio/audio_messages.h"

namespace {

// The AudioSystem whose event the notification thread waits on; set before
// the thread starts and never changed while it runs.
AudioSystem* notified = nullptr;

} // namespace

AudioSystem::AudioSystem()
    : directMusic(nullptr), performance(nullptr), currentPortCaps(nullptr), port(nullptr),
      loader(nullptr), segment(nullptr), segmentState(nullptr), standardMidiSet(0),
      reverbOnCreate(0), instrumentsDownloaded(0), musicState(MusicEmpty), startMusicTime(0),
      playedMusicTime(0), segmentLength(0), startReferenceTime(0), playedReferenceTime(0),
      reverbOn(0), selectedPort(0), lastPort(0), portCaps{},
      notificationEvent(nullptr), musicFileName{} {}

int AudioSystem::FailMusic(LPCSTR message) {
    ReportError(message);
    return 0;
}

int AudioSystem::InitMusic() {
    if (FAILED(CoInitialize(nullptr))) {
        return FailMusic(MSG_CO_INITIALIZE_FAILED);
    }
    if (FAILED(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                                IID_IDirectMusicPerformance,
                                reinterpret_cast<void**>(&performance)))) {
        performance = nullptr;
        return FailMusic(MSG_PERFORMANCE_NOT_CREATED);
    }
    directMusic = nullptr;
    if (FAILED(performance->Init(&directMusic, device, window))) {
        return FailMusic(MSG_PERFORMANCE_INIT_FAILED);
    }
    notificationEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (notificationEvent == nullptr) {
        return FailMusic(MSG_CREATE_EVENT_FAILED);
    }
    notified = this;
    DWORD threadId = 0;
    notificationsEnding = false;
    notificationThread = CreateThread(nullptr, 0, MusicNotificationThread, nullptr, 0, &threadId);
    if (notificationThread == nullptr) {
        return FailMusic(MSG_CREATE_THREAD_FAILED);
    }
    if (FAILED(performance->SetNotificationHandle(notificationEvent, 0))) {
        return FailMusic(MSG_SET_NOTIFICATION_HANDLE_FAILED);
    }
    if (FAILED(performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT))) {
        return FailMusic(MSG_ADD_NOTIFICATION_FAILED);
    }
    if (FAILED(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC,
                                IID_IDirectMusicLoader, reinterpret_cast<void**>(&loader)))) {
        loader = nullptr;
        return FailMusic(MSG_LOADER_NOT_CREATED);
    }
    // A directory too long for the buffer comes back as the length it would
    // need, with nothing written: that is as much a failed read as a 0.
    char directory[MAX_PATH];
    const DWORD directoryLength = GetCurrentDirectoryA(MAX_PATH, directory);
    if (directoryLength == 0 || directoryLength >= MAX_PATH) {
        return FailMusic(MSG_CURRENT_DIRECTORY_FAILED);
    }
    WCHAR wideDirectory[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, directory, -1, wideDirectory, MAX_PATH);
    if (FAILED(loader->SetSearchDirectory(GUID_DirectMusicAllTypes, wideDirectory, FALSE))) {
        return FailMusic(MSG_SEARCH_DIRECTORY_FAILED);
    }
    instrumentsDownloaded = 0;
    SendMessageA(window, UM_MUSIC_READY, 0, 0);
    return 1;
}

DWORD WINAPI AudioSystem::MusicNotificationThread(LPVOID) {
    AudioSystem& audio = *notified;
    for (;;) {
        if (WaitForSingleObject(audio.notificationEvent, INFINITE) != WAIT_OBJECT_0) {
            audio.ReportError(MSG_WAIT_FAILED);
            return 1;
        }
        if (audio.notificationsEnding) {
            return 1;
        }
        PostMessageA(audio.window, UM_MUSIC_NOTIFY, 0, 0);
    }
}

void AudioSystem::OnMusicNotification() {
    if (performance == nullptr || segment == nullptr) {
        return;
    }
    DMUS_NOTIFICATION_PMSG* message = nullptr;
    if (performance->GetNotificationPMsg(&message) != S_OK) {
        return;
    }
    if (message->guidNotificationType == GUID_NOTIFICATION_SEGMENT &&
        message->dwNotificationOption == DMUS_NOTIFICATION_SEGEND) {
        StopMusic();
        RepeatMusic();
    }
    performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(message));
}

void AudioSystem::ShutdownMusic() {
    if (segmentState != nullptr) {
        segmentState->Release();
        segmentState = nullptr;
    }
    if (segment != nullptr && performance != nullptr) {
        performance->Stop(nullptr, nullptr, 0, 0);
        if (instrumentsDownloaded != 0) {
            segment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, performance);
        }
        segment->Release();
        segment = nullptr;
    }
    if (performance != nullptr) {
        performance->CloseDown();
        performance->Release();
        performance = nullptr;
    }
    if (port != nullptr) {
        port->Release();
        port = nullptr;
    }
    if (loader != nullptr) {
        loader->Release();
        loader = nullptr;
    }
    if (directMusic != nullptr) {
        directMusic->Release();
        directMusic = nullptr;
    }
    EndNotificationThread();
    if (notificationEvent != nullptr) {
        CloseHandle(notificationEvent);
        notificationEvent = nullptr;
    }
    CoUninitialize();
}

// The thread may be waiting on the event: it is woken with the ending flag
// set and waited for, so the event is never closed under a waiter.
void AudioSystem::EndNotificationThread() {
    if (notificationThread == nullptr) {
        return;
    }
    notificationsEnding = true;
    SetEvent(notificationEvent);
    WaitForSingleObject(notificationThread, INFINITE);
    CloseHandle(notificationThread);
    notificationThread = nullptr;
}
