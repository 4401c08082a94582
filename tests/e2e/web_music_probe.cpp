// A small program for the web build's browser test: a message box and
// DirectMusic on the page's synthesizer. It asks, in Japanese, whether to
// play (OK goes on, Cancel ends it with 3), writes a Standard MIDI File (an
// organ chord held for three seconds), waits for Space (which also lets the
// page's sound start), loads the file through the loader, downloads its
// instruments to the default port, plays it as a segment and, once the
// performance says it ended, closes. It says on its standard output what it
// is doing, and exits with 0 when every call succeeded.
#include <cstdio>
#include <fstream>

#include "winapi.h"

namespace {

// Format 0, 480 ticks a beat at 120 beats a minute: program 19 (church
// organ) on channel 0, C major held for six beats.
const unsigned char kChord[] = {
    'M',  'T',  'h',  'd',  0,    0,    0,    6,   0,    0,    0,    1,   0x01, 0xE0, //
    'M',  'T',  'r',  'k',  0,    0,    0,    32,                                     //
    0x00, 0xC0, 19,                                                                   //
    0x00, 0x90, 60,   100,  0x00, 0x90, 64,   100, 0x00, 0x90, 67,   100,             //
    0x96, 0x40, 0x80, 60,   0,    0x00, 0x80, 64,  0,    0x00, 0x80, 67,  0,          //
    0x00, 0xFF, 0x2F, 0x00,                                                           //
};

int Fail(const char* what, HRESULT result) {
    std::printf("music probe: %s failed (0x%08lx)\n", what, static_cast<unsigned long>(result));
    return 1;
}

bool SpaceHeld() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    return (GetAsyncKeyState(VK_SPACE) & 0x8000) != 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // 音楽を鳴らします ("the music will play"), captioned ミュージックの試験
    // ("music test"), in code page 932 as the game writes its boxes.
    const int answer = MessageBoxA(
        nullptr, "\x89\xB9\x8A\x79\x82\xF0\x96\xC2\x82\xE7\x82\xB5\x82\xDC\x82\xB7",
        "\x83\x7E\x83\x85\x81\x5B\x83\x57\x83\x62\x83\x4E\x82\xCC\x8E\x8E\x8C\xB1", MB_OKCANCEL);
    if (answer != IDOK) {
        std::printf("music probe: answered %d\n", answer);
        return 3;
    }
    {
        std::ofstream file("/tmp/chord.mid", std::ios::binary);
        file.write(reinterpret_cast<const char*>(kChord), sizeof kChord);
    }
    if (FAILED(CoInitialize(nullptr))) {
        return Fail("CoInitialize", E_FAIL);
    }
    IDirectMusicPerformance* performance = nullptr;
    IDirectMusic* music = nullptr;
    HRESULT hr =
        CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                         IID_IDirectMusicPerformance, reinterpret_cast<void**>(&performance));
    if (FAILED(hr) || FAILED(hr = performance->Init(&music, nullptr, nullptr))) {
        return Fail("the performance", hr);
    }
    GUID portGuid{};
    music->GetDefaultPort(&portGuid);
    DMUS_PORTPARAMS8 params{};
    params.dwSize = sizeof params;
    params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS;
    params.dwChannelGroups = 1;
    IDirectMusicPort* port = nullptr;
    if (FAILED(hr = music->CreatePort(portGuid, reinterpret_cast<DMUS_PORTPARAMS*>(&params), &port,
                                      nullptr)) ||
        FAILED(hr = port->Activate(TRUE)) || FAILED(hr = performance->AddPort(port)) ||
        FAILED(hr = performance->AssignPChannelBlock(0, port, 1))) {
        return Fail("the default port", hr);
    }
    HANDLE ended = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    performance->SetNotificationHandle(ended, 0);
    performance->AddNotificationType(GUID_NOTIFICATION_SEGMENT);

    std::printf("music probe: press Space\n");
    std::fflush(stdout);
    while (!SpaceHeld()) {
        Sleep(10);
    }

    IDirectMusicLoader* loader = nullptr;
    WCHAR folder[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, "/tmp", -1, folder, MAX_PATH);
    if (FAILED(hr = CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC,
                                     IID_IDirectMusicLoader, reinterpret_cast<void**>(&loader))) ||
        FAILED(hr = loader->SetSearchDirectory(GUID_DirectMusicAllTypes, folder, FALSE))) {
        return Fail("the loader", hr);
    }
    DMUS_OBJECTDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicSegment;
    MultiByteToWideChar(CP_ACP, 0, "chord.mid", -1, desc.wszFileName, DMUS_MAX_FILENAME);
    IDirectMusicSegment* segment = nullptr;
    IDirectMusicSegmentState* state = nullptr;
    if (FAILED(hr = loader->GetObject(&desc, IID_IDirectMusicSegment,
                                      reinterpret_cast<void**>(&segment))) ||
        FAILED(hr = segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr)) ||
        FAILED(hr = segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, performance)) ||
        FAILED(hr = performance->PlaySegment(segment, DMUS_SEGF_BEAT, 0, &state))) {
        return Fail("playing the segment", hr);
    }
    std::printf("music probe: playing\n");
    std::fflush(stdout);

    bool over = false;
    for (int waited = 0; !over && waited < 10000; waited += 50) {
        if (WaitForSingleObject(ended, 50) != WAIT_OBJECT_0) {
            continue;
        }
        DMUS_NOTIFICATION_PMSG* note = nullptr;
        while (performance->GetNotificationPMsg(&note) == S_OK) {
            over = over || note->dwNotificationOption == DMUS_NOTIFICATION_SEGEND;
            performance->FreePMsg(reinterpret_cast<DMUS_PMSG*>(note));
        }
    }
    std::printf("music probe: %s\n", over ? "ended" : "no end in 10 s");
    std::fflush(stdout);

    segment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, performance);
    state->Release();
    segment->Release();
    loader->Release();
    performance->CloseDown();
    port->Release();
    music->Release();
    performance->Release();
    CloseHandle(ended);
    CoUninitialize();
    return over ? 0 : 1;
}
