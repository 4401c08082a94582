// The one music segment: loading it through the loader, playing it through
// the performance and the chosen port, pausing and resuming at the music time
// reached, and the General MIDI reset sent between segments.
#include <cstring>

#include "audio/audio_messages.h"
#include "audio/audio_system.h"

namespace {

constexpr DWORD ALL_GROUPS = 0xFFFFFFFF;
constexpr BYTE GM_SYSTEM_ON[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

} // namespace

bool AudioSystem::PortTakesInstruments() const {
    return currentPortCaps != nullptr && (currentPortCaps->dwFlags & DMUS_PC_DLS) != 0;
}

void AudioSystem::UnloadInstruments() {
    segment->SetParam(GUID_Unload, ALL_GROUPS, 0, 0, performance);
    instrumentsDownloaded = 0;
}

void AudioSystem::TakeStartTimes() {
    segmentState->GetStartTime(&startMusicTime);
    performance->MusicToReferenceTime(startMusicTime, &startReferenceTime);
}

void AudioSystem::SetMusicFile(LPCSTR name) {
    // The name is cut to the buffer, never written past it.
    std::strncpy(musicFileName, name, MUSIC_FILE_NAME_SIZE - 1);
    musicFileName[MUSIC_FILE_NAME_SIZE - 1] = '\0';
    LoadMusic();
}

void AudioSystem::LoadMusic() {
    if (segment != nullptr) {
        performance->Stop(nullptr, nullptr, 0, 0);
        if (segmentState != nullptr) {
            segmentState->Release();
            segmentState = nullptr;
        }
        if (instrumentsDownloaded != 0) {
            UnloadInstruments();
        }
        IDirectMusicObject* object = nullptr;
        if (SUCCEEDED(segment->QueryInterface(IID_IDirectMusicObject,
                                              reinterpret_cast<void**>(&object)))) {
            loader->ReleaseObject(object);
            object->Release();
        }
        segment->Release();
        segment = nullptr;
        SendGmReset();
        playedReferenceTime = 0;
        playedMusicTime = 0;
        musicState = MusicEmpty;
    }
    standardMidiSet = 0;

    DMUS_OBJECTDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicSegment;
    MultiByteToWideChar(CP_ACP, 0, musicFileName, -1, desc.wszFileName, DMUS_MAX_FILENAME);
    if (FAILED(loader->GetObject(&desc, IID_IDirectMusicSegment,
                                 reinterpret_cast<void**>(&segment)))) {
        segment = nullptr;
        ReportError(MSG_GET_OBJECT_FAILED);
        return;
    }
    segment->GetLength(&segmentLength);
    musicState = MusicStopped;
}

void AudioSystem::PlayMusic() {
    if (port == nullptr || segment == nullptr) {
        return;
    }
    if (PortTakesInstruments()) {
        if (standardMidiSet == 0 &&
            segment->SetParam(GUID_StandardMIDIFile, ALL_GROUPS, 0, 0, nullptr) == S_OK) {
            standardMidiSet = 1;
        }
        if (instrumentsDownloaded != 0) {
            UnloadInstruments();
        }
    } else if (standardMidiSet != 0) {
        LoadMusic(); // a fresh segment, without the standard-MIDI-file setting
        if (musicState != MusicStopped) {
            return;
        }
    }
    if (PortTakesInstruments() && instrumentsDownloaded == 0) {
        if (FAILED(segment->SetParam(GUID_Download, ALL_GROUPS, 0, 0, performance))) {
            ReportError(MSG_DOWNLOAD_FAILED);
            return;
        }
        instrumentsDownloaded = 1;
    }
    if (FAILED(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &segmentState))) {
        ReportError(MSG_PLAY_SEGMENT_FAILED);
        return;
    }
    TakeStartTimes();
    musicState = MusicPlaying;
}

void AudioSystem::StopMusic() {
    if (performance == nullptr || segment == nullptr) {
        return; // nothing loaded: nothing to stop or rewind
    }
    performance->Stop(nullptr, nullptr, 0, 0);
    segment->SetStartPoint(0);
    if (segmentState != nullptr) {
        segmentState->Release();
        segmentState = nullptr;
    }
    playedReferenceTime = 0;
    playedMusicTime = 0;
    musicState = MusicStopped;
}

void AudioSystem::PauseMusic() {
    if (performance == nullptr || segment == nullptr) {
        return;
    }
    performance->Stop(nullptr, nullptr, 0, 0);
    REFERENCE_TIME nowReference = 0;
    MUSIC_TIME nowMusic = 0;
    performance->GetTime(&nowReference, &nowMusic);
    playedMusicTime += nowMusic - startMusicTime;
    playedReferenceTime += nowReference - startReferenceTime;
    while (segmentLength > 0 && segmentLength < playedMusicTime) {
        playedMusicTime -= segmentLength;
    }
    segment->SetStartPoint(playedMusicTime);
    if (segmentState != nullptr) {
        segmentState->Release();
        segmentState = nullptr;
    }
    musicState = MusicPaused;
}

void AudioSystem::ToggleMusicPause() {
    if (musicState == MusicPaused) {
        if (SUCCEEDED(performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &segmentState))) {
            TakeStartTimes();
            musicState = MusicPlaying;
        }
    } else if (musicState == MusicPlaying) {
        PauseMusic();
    }
}

void AudioSystem::RepeatMusic() {
    if (musicState != MusicStopped) {
        return;
    }
    segment->SetRepeats(MUSIC_REPEATS);
    PlayMusic();
}

void AudioSystem::SendGmReset() {
    DMUS_SYSEX_PMSG* message = nullptr;
    const DWORD size = sizeof(DMUS_SYSEX_PMSG) - sizeof message->abData + sizeof GM_SYSTEM_ON;
    if (FAILED(performance->AllocPMsg(size, reinterpret_cast<DMUS_PMSG**>(&message)))) {
        return;
    }
    message->dwSize = sizeof(DMUS_SYSEX_PMSG);
    message->dwPChannel = 0;
    message->dwVirtualTrackID = 0;
    message->dwType = DMUS_PMSGT_SYSEX;
    message->dwVoiceID = 0;
    message->dwGroupID = ALL_GROUPS;
    message->dwLen = sizeof GM_SYSTEM_ON;
    std::memcpy(message->abData, GM_SYSTEM_ON, sizeof GM_SYSTEM_ON);
    if (SUCCEEDED(performance->GetTime(nullptr, &message->mtTime))) {
        message->dwFlags = DMUS_PMSGF_MUSICTIME | DMUS_PMSGF_TOOL_IMMEDIATE;
    }
    performance->SendPMsg(reinterpret_cast<DMUS_PMSG*>(message));
}
