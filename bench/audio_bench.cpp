// The audio thread's cost: one pull of 512 frames (11.6 ms of sound at
// 44100 Hz) from the mixer with several DirectSound buffers playing in
// different formats, with and without the synthesizer sounding a chord.
// The pull must stay far below its 11.6 ms of real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "support/test_backend.h"
#include "winapi.h"

namespace {

struct ToneSet {
    DWORD rate;
    WORD channels;
    WORD bits;
};

HWND FakeWindow() {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(1));
}

void AddTone(IDirectSound* sound, DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX format{
        WAVE_FORMAT_PCM, channels, rate, 0, static_cast<WORD>(channels * bits / 8), bits, 0};
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = rate * format.nBlockAlign; // one second
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    sound->CreateSoundBuffer(&desc, &buffer, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER);
    for (DWORD i = 0; i < n1; ++i) {
        static_cast<std::uint8_t*>(p1)[i] =
            static_cast<std::uint8_t>(std::lround(127.0 + 100.0 * std::sin(i * 0.05)));
    }
    buffer->Unlock(p1, n1, p2, n2);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
}

void MixerPull(benchmark::State& state) {
    TestBackend backend;
    IDirectSound* sound = nullptr;
    DirectSoundCreate(nullptr, &sound, nullptr);
    sound->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY);
    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = sizeof primaryDesc;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    sound->CreateSoundBuffer(&primaryDesc, &primary, nullptr);
    WAVEFORMATEX output{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    primary->SetFormat(&output);
    const ToneSet formats[] = {{11025, 1, 8}, {22050, 1, 16}, {44100, 2, 16}, {48000, 2, 16}};
    for (int i = 0; i < state.range(0); ++i) {
        const ToneSet& f = formats[i % 4];
        AddTone(sound, f.rate, f.channels, f.bits);
    }

    IDirectMusicPerformance* performance = nullptr;
    IDirectMusic* music = nullptr;
    IDirectMusicSegment* segment = nullptr;
    CoInitialize(nullptr);
    if (state.range(1)) {
        CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                         IID_IDirectMusicPerformance, reinterpret_cast<void**>(&performance));
        performance->Init(&music, sound, FakeWindow());
        performance->AddPort(nullptr);
        // A four-note chord held for a bar, repeating: the synthesizer
        // always has four voices sounding.
        static std::uint8_t song[] = {
            'M',  'T',  'h',  'd', 0,   0,  0,   6, 0,  0,   0,    1,  0x01,
            0xE0, 'M',  'T',  'r', 'k', 0,  0,   0, 33, 0,   0xC0, 0,       // piano
            0,    0x90, 60,   100, 0,   64, 100, 0, 67, 100, 0,    72, 100, // chord on
            0x8F, 0x00, 60,   0,   0,   64, 0,   0, 67, 0,   0,    72, 0,   // off after 1920 ticks
            0,    0xFF, 0x2F, 0};
        IDirectMusicLoader* loader = nullptr;
        CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader,
                         reinterpret_cast<void**>(&loader));
        DMUS_OBJECTDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_MEMORY;
        desc.guidClass = CLSID_DirectMusicSegment;
        desc.pbMemData = song;
        desc.llMemLength = sizeof song;
        loader->GetObject(&desc, IID_IDirectMusicSegment, reinterpret_cast<void**>(&segment));
        loader->Release();
        segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr);
        segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance);
        segment->SetRepeats(1000000);
        performance->PlaySegment(segment, 0, 0, nullptr);
    }

    std::vector<std::int16_t> out(512 * 2);
    for (auto _ : state) {
        backend.now += 12;
        backend.audio.load()->Mix(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
    if (performance) {
        performance->CloseDown();
        segment->Release();
        performance->Release();
        music->Release();
    }
    CoUninitialize();
    sound->Release();
}

} // namespace

// Arguments: DirectSound buffers playing, synthesizer chord (1) or not (0).
BENCHMARK(MixerPull)->Args({2, 0})->Args({8, 0})->Args({8, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
