// The performance's sequencer: music time kept in step with reference time
// through the tempo, and segment states played through the ports, each item
// at its time, on the mixer's audio thread as well as on the game's.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "audio/dmusic_internal.h"
#include "audio/reference_clock.h"
#include "platform/faults.h"

namespace platform::audio {
namespace {

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
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::GetTime")) {
        return static_cast<HRESULT>(*fault);
    }
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

// ---------------------------------------------------------------- playing

HRESULT Performance::PlaySegment(IDirectMusicSegment* segmentInterface, DWORD flags,
                                 LONGLONG startTime, IDirectMusicSegmentState** stateOut) {
    if (const auto fault = platform::TakeFault("IDirectMusicPerformance::PlaySegment")) {
        return static_cast<HRESULT>(*fault);
    }
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

std::int64_t Performance::Advance(std::int64_t until) {
    std::lock_guard<std::mutex> hold(lock);
    if (!initialised || closed) {
        return kNothingDue;
    }
    AdvanceLocked(until);
    return NextDueLocked();
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

Performance::Item Performance::NextItem(const SegmentState& state) {
    if (!state.started) {
        return {ItemKind::Start, state.start};
    }
    const MidiSong& song = state.segment->Song();
    const MUSIC_TIME base = RepetitionBase(state);
    const bool tempoDue =
        state.nextTempo < song.tempos.size() && song.tempos[state.nextTempo].time <= state.length;
    const bool eventDue =
        state.nextEvent < song.events.size() && song.events[state.nextEvent].time <= state.length;
    if (tempoDue &&
        (!eventDue || song.tempos[state.nextTempo].time <= song.events[state.nextEvent].time)) {
        return {ItemKind::Tempo, base + song.tempos[state.nextTempo].time};
    }
    if (eventDue) {
        return {ItemKind::Event, base + song.events[state.nextEvent].time};
    }
    return {ItemKind::End, base + state.length};
}

REFERENCE_TIME Performance::NextDueLocked() const {
    REFERENCE_TIME next = queue.empty() ? kNothingDue : queue.front()->rtTime;
    for (const SegmentState* state : playing) {
        if (!state->ended) {
            next = std::min(next, ToReference(NextItem(*state).at));
        }
    }
    return next;
}

bool Performance::StepState(SegmentState& state, REFERENCE_TIME until) {
    if (state.ended) {
        return false;
    }
    const Item item = NextItem(state);
    if (ToReference(item.at) > until) {
        return false;
    }
    const MidiSong& song = state.segment->Song();
    switch (item.kind) {
    case ItemKind::Start:
        BeginState(state);
        break;
    case ItemKind::Tempo:
        SetTempo(item.at, song.tempos[state.nextTempo++].beatsPerMinute);
        break;
    case ItemKind::Event:
        PlayEvent(state, song.events[state.nextEvent++]);
        break;
    case ItemKind::End:
        EndPass(state, item.at);
        break;
    }
    return true;
}

void Performance::BeginState(SegmentState& state) {
    const MidiSong& song = state.segment->Song();
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
}

void Performance::PlayEvent(const SegmentState& state, const MidiEvent& event) {
    const MidiSong& song = state.segment->Song();
    if (event.status == 0xF0) {
        SendSysEx(0, song.sysex.data() + event.sysexOffset, event.sysexLength);
    } else if (!(state.segment->IsStandardMidiFile() && (event.status & 0xF0u) == 0xB0 &&
                 (event.data1 == 0 || event.data1 == 32))) {
        SendShort(event.status & 0x0Fu, event.status, event.data1, event.data2);
    }
}

void Performance::EndPass(SegmentState& state, MUSIC_TIME end) {
    const MidiSong& song = state.segment->Song();
    if (state.repetition < state.repeats) {
        ++state.repetition;
        state.nextEvent = 0;
        state.nextTempo = 0;
        if (song.tempos.empty() || song.tempos.front().time > 0) {
            SetTempo(end, kDefaultBeatsPerMinute);
        }
        Notify(state, DMUS_NOTIFICATION_SEGLOOP, end);
        return;
    }
    state.ended = true;
    state.seek = state.length;
    Notify(state, DMUS_NOTIFICATION_SEGEND, end);
}

} // namespace platform::audio
