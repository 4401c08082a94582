// The DirectMusic objects and how they reach each other inside the audio
// layer.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio/com_object.h"
#include "audio/midi_file.h"
#include "audio/mixer.h"
#include "audio/music_port.h"
#include "lifetimes_internal.h"
#include "winapi/dmusic.h"

namespace platform::audio {

class Performance;

// ---------------------------------------------------------------- ports

class MusicPort final : public IDirectMusicPort,
                        public IKsControl,
                        private LiveObject<"IDirectMusicPort"> {
public:
    MusicPort(const DMUS_PORTCAPS& caps, DWORD groups, std::unique_ptr<MusicPortDriver> driver);
    ~MusicPort();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Activate(BOOL active) override;
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* bytesReturned) override;

    MusicPortDriver& Driver() { return *driver; }
    DWORD Groups() const { return groups; }
    bool TakesDownloads() const { return (caps.dwFlags & DMUS_PC_DLS) != 0; }

private:
    RefCount refs;
    DMUS_PORTCAPS caps;
    DWORD groups;
    std::unique_ptr<MusicPortDriver> driver;
    bool active = false;
};

class DirectMusicObject final : public IDirectMusic, private LiveObject<"IDirectMusic"> {
public:
    explicit DirectMusicObject(std::shared_ptr<Mixer> mixer) : mixer(std::move(mixer)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE EnumPort(DWORD index, LPDMUS_PORTCAPS caps) override;
    HRESULT STDMETHODCALLTYPE CreatePort(REFCLSID port, LPDMUS_PORTPARAMS params,
                                         LPDIRECTMUSICPORT* out, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE GetDefaultPort(LPGUID port) override;
    HRESULT SetDirectSound(LPDIRECTSOUND directSound, HWND window);

private:
    RefCount refs;
    std::shared_ptr<Mixer> mixer;
    std::vector<PortEntry> ports; // as listed by the last EnumPort at index 0
};

// ---------------------------------------------------------------- segments

class Segment final : public IDirectMusicSegment,
                      public IDirectMusicObject,
                      private LiveObject<"IDirectMusicSegment"> {
public:
    Segment(std::shared_ptr<const MidiSong> song, std::u16string fileName);
    ~Segment();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetLength(MUSIC_TIME* length) override;
    HRESULT STDMETHODCALLTYPE SetRepeats(DWORD repeats) override;
    HRESULT STDMETHODCALLTYPE SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time,
                                       void* data) override;
    HRESULT STDMETHODCALLTYPE SetStartPoint(MUSIC_TIME start) override;

    const MidiSong& Song() const { return *song; }
    bool IsStandardMidiFile() const { return standardMidiFile; }
    MUSIC_TIME Length() const { return length; }
    DWORD Repeats() const { return repeats; }
    MUSIC_TIME StartPoint() const { return startPoint; }

private:
    std::vector<InstrumentKey> InstrumentsUsed() const;
    HRESULT Download(Performance& performance);
    void Unload(MusicPort* port);

    RefCount refs;
    std::shared_ptr<const MidiSong> song;
    std::u16string fileName;
    GUID objectGuid;
    MUSIC_TIME length;
    DWORD repeats = 0;
    MUSIC_TIME startPoint = 0;
    bool standardMidiFile = false;
    std::map<MusicPort*, std::vector<InstrumentKey>> downloads; // each port held
};

class SegmentState final : public IDirectMusicSegmentState,
                           private LiveObject<"IDirectMusicSegmentState"> {
public:
    SegmentState(Segment* segment, MUSIC_TIME start);
    ~SegmentState();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetStartTime(MUSIC_TIME* start) override;

    // The playing state, kept by the performance under its lock.
    Segment* const segment;
    const MUSIC_TIME start;      // performance music time of the first note
    const MUSIC_TIME startPoint; // where in the segment play began
    const DWORD repeats;
    const MUSIC_TIME length;
    bool started = false;
    bool ended = false;
    DWORD repetition = 0;
    std::size_t nextEvent = 0;
    std::size_t nextTempo = 0;
    MUSIC_TIME seek = 0; // segment time reached

private:
    RefCount refs;
};

// ---------------------------------------------------------------- performance

class Performance final : public IDirectMusicPerformance,
                          public MixContributor,
                          private LiveObject<"IDirectMusicPerformance"> {
public:
    Performance() = default;
    ~Performance();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Init(IDirectMusic** directMusic, LPDIRECTSOUND directSound,
                                   HWND window) override;
    HRESULT STDMETHODCALLTYPE PlaySegment(IDirectMusicSegment* segment, DWORD flags,
                                          LONGLONG startTime,
                                          IDirectMusicSegmentState** state) override;
    HRESULT STDMETHODCALLTYPE Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state,
                                   MUSIC_TIME time, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* referenceNow, MUSIC_TIME* musicNow) override;
    HRESULT STDMETHODCALLTYPE AllocPMsg(ULONG size, DMUS_PMSG** message) override;
    HRESULT STDMETHODCALLTYPE FreePMsg(DMUS_PMSG* message) override;
    HRESULT STDMETHODCALLTYPE SendPMsg(DMUS_PMSG* message) override;
    HRESULT STDMETHODCALLTYPE MusicToReferenceTime(MUSIC_TIME music,
                                                   REFERENCE_TIME* reference) override;
    HRESULT STDMETHODCALLTYPE SetNotificationHandle(HANDLE event, REFERENCE_TIME minimum) override;
    HRESULT STDMETHODCALLTYPE GetNotificationPMsg(DMUS_NOTIFICATION_PMSG** message) override;
    HRESULT STDMETHODCALLTYPE AddNotificationType(REFGUID type) override;
    HRESULT STDMETHODCALLTYPE AddPort(IDirectMusicPort* port) override;
    HRESULT STDMETHODCALLTYPE RemovePort(IDirectMusicPort* port) override;
    HRESULT STDMETHODCALLTYPE AssignPChannelBlock(DWORD block, IDirectMusicPort* port,
                                                  DWORD group) override;
    HRESULT STDMETHODCALLTYPE CloseDown() override;

    std::int64_t Advance(std::int64_t until) override;

    // The ports added to this performance (for downloading instruments).
    std::vector<MusicPort*> Ports();

private:
    struct TempoPoint {
        MUSIC_TIME music;
        REFERENCE_TIME reference;
        double beatsPerMinute;
    };
    struct Route {
        MusicPort* port = nullptr;
        DWORD group = 0;
    };

    REFERENCE_TIME ToReference(MUSIC_TIME music) const;
    MUSIC_TIME ToMusic(REFERENCE_TIME reference) const;
    void SetTempo(MUSIC_TIME at, double beatsPerMinute);
    void AdvanceLocked(REFERENCE_TIME until);
    // What a playing state does next, due at music time `at`.
    enum class ItemKind { Start, Tempo, Event, End };
    struct Item {
        ItemKind kind;
        MUSIC_TIME at;
    };
    static Item NextItem(const SegmentState& state);
    REFERENCE_TIME NextDueLocked() const;
    bool StepState(SegmentState& state, REFERENCE_TIME until);
    void BeginState(SegmentState& state);
    void PlayEvent(const SegmentState& state, const MidiEvent& event);
    void EndPass(SegmentState& state, MUSIC_TIME end);
    bool StepQueue(REFERENCE_TIME until);
    void SendShort(DWORD pchannel, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void SendSysEx(DWORD pchannel, const std::uint8_t* data, std::size_t length);
    void Deliver(DMUS_PMSG* message);
    void Notify(SegmentState& state, DWORD option, MUSIC_TIME at);
    void StopLocked(Segment* segment, SegmentState* state);
    DMUS_PMSG* Allocate(ULONG size);
    void Discard(DMUS_PMSG* message);
    HRESULT CheckOpen() const;
    void ChaseTo(const SegmentState& state);
    static MUSIC_TIME RepetitionBase(const SegmentState& state);
    // Releases what the locked code retired; called without the lock.
    void ReleaseRetired();

    RefCount refs;
    std::mutex lock; // everything below; taken after the mixer's lock, never before
    bool initialised = false;
    bool closed = false;
    std::shared_ptr<Mixer> mixer;
    IDirectSound* ownDevice = nullptr; // made here when Init was given none
    std::vector<TempoPoint> tempos;
    std::vector<MusicPort*> ports;      // each held
    std::map<DWORD, Route> routes;      // by channel block
    std::vector<SegmentState*> playing; // each held
    std::vector<DMUS_PMSG*> queue;      // sent messages waiting for their time
    std::deque<DMUS_NOTIFICATION_PMSG*> notifications;
    std::unordered_map<DMUS_PMSG*, std::size_t> allocatedBytes;
    // Objects let go of under the lock (or on the audio thread), released
    // later on the game thread: a release can end a port, which takes the
    // mixer's lock.
    std::vector<IUnknown*> retired;
    IDirectMusic* directMusic = nullptr;
    HANDLE notificationEvent = nullptr;
    bool segmentNotifications = false;
    REFERENCE_TIME advancedTo = 0;
};

// ---------------------------------------------------------------- loader

class Loader final : public IDirectMusicLoader, private LiveObject<"IDirectMusicLoader"> {
public:
    ~Loader();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return refs.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetObject(LPDMUS_OBJECTDESC desc, REFIID iid,
                                        LPVOID* object) override;
    HRESULT STDMETHODCALLTYPE SetSearchDirectory(REFGUID objectClass, WCHAR* path,
                                                 BOOL clear) override;
    HRESULT STDMETHODCALLTYPE ReleaseObject(IDirectMusicObject* object) override;
    HRESULT ClearCache(REFGUID objectClass);

private:
    RefCount refs;
    std::string searchDirectory = ".";
    std::map<std::string, Segment*> cache; // each held
};

// UTF-16 (as WCHAR strings are kept here) to UTF-8, up to the terminator or
// `limit` characters.
std::string Utf8FromWide(const WCHAR* text, std::size_t limit);

} // namespace platform::audio
