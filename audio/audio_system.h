// AudioSystem: the sound engine extended with DirectMusic: the performance,
// the loader, the MIDI output port chosen from the machine's ports, one music
// segment, and a thread that turns the performance's notifications into
// window messages.
#pragma once

#include <atomic>
#include <string>

#include "audio/sound_engine.h"

enum MusicState : int {
    MusicEmpty = 0,   // no segment
    MusicStopped = 1, // loaded, not playing, start point 0
    MusicPlaying = 4,
    MusicPaused = 5, // stopped part-way; the start point is where it stopped
};

inline constexpr int MIDI_PORT_CAPACITY = 20;
inline constexpr int MUSIC_FILE_NAME_SIZE = 260;
inline constexpr DWORD MUSIC_REPEATS = 1000000;

class AudioSystem : public SoundEngine {
public:
    AudioSystem();
    ~AudioSystem() override = default;

    // Performance, loader and notification thread.
    int InitMusic();
    void ShutdownMusic();
    static DWORD WINAPI MusicNotificationThread(LPVOID unused);
    void OnMusicNotification();

    // The MIDI output port.
    void EnumerateMidiPorts();
    int CreateAndAddPort();
    void SelectMidiPort(int index);
    void ReleaseMidiPort();
    void ToggleReverb();
    void FreeMidiPortTable();

    // The music segment.
    void SetMusicFile(LPCSTR name);
    void LoadMusic();
    void PlayMusic();
    void StopMusic();
    void PauseMusic();
    void ToggleMusicPause();
    void RepeatMusic();
    void SendGmReset();

    IDirectMusic* directMusic;
    IDirectMusicPerformance* performance;
    DMUS_PORTCAPS* currentPortCaps;
    IDirectMusicPort* port;
    IDirectMusicLoader* loader;
    IDirectMusicSegment* segment;
    IDirectMusicSegmentState* segmentState;
    int standardMidiSet;
    int reverbOnCreate;
    int instrumentsDownloaded;
    MusicState musicState;
    MUSIC_TIME startMusicTime;
    MUSIC_TIME playedMusicTime;
    MUSIC_TIME segmentLength;
    REFERENCE_TIME startReferenceTime;
    REFERENCE_TIME playedReferenceTime;
    int reverbOn;
    int selectedPort;
    int lastPort;
    DMUS_PORTCAPS* portCaps[MIDI_PORT_CAPACITY];
    std::string portNames[MIDI_PORT_CAPACITY];
    HANDLE notificationEvent;
    char musicFileName[MUSIC_FILE_NAME_SIZE];

private:
    // Kept (not closed at once) so that shutdown can wake the thread, wait
    // for it to end and only then close the event it waits on.
    HANDLE notificationThread = nullptr;
    std::atomic<bool> notificationsEnding{false};

    void EndNotificationThread();
    bool PortTakesInstruments() const;
    void UnloadInstruments();
    void TakeStartTimes();
    int FailMusic(LPCSTR message);
};
