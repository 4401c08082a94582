// Choosing the MIDI output port: list the machine's ports, keep the output
// ports in the port table, take the default port if it is one of them (else
// the first), and set it up on channel group 1 with the reverb effect.
#include <cstring>

#include "audio/audio_messages.h"
#include "audio/audio_system.h"

namespace {

constexpr int PORT_NAME_SIZE = 256;

std::string NarrowName(const WCHAR* wide) {
    char name[PORT_NAME_SIZE] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, name, PORT_NAME_SIZE, nullptr, nullptr);
    name[PORT_NAME_SIZE - 1] = '\0';
    return name;
}

} // namespace

void AudioSystem::EnumerateMidiPorts() {
    GUID defaultPort{};
    const bool defaultKnown = SUCCEEDED(directMusic->GetDefaultPort(&defaultPort));
    bool defaultFound = false;
    int count = 0;
    HRESULT result = S_OK;
    for (DWORD index = 0; result == S_OK; ++index) {
        auto* caps = static_cast<DMUS_PORTCAPS*>(LocalAlloc(LPTR, sizeof(DMUS_PORTCAPS)));
        if (caps == nullptr) {
            ReportError(MSG_PORT_CAPS_NO_MEMORY);
            PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
        caps->dwSize = sizeof(DMUS_PORTCAPS);
        result = directMusic->EnumPort(index, caps);
        if (result == S_OK && caps->dwClass == DMUS_PC_OUTPUTCLASS) {
            // The table holds MIDI_PORT_CAPACITY output ports; any further
            // ones are passed over rather than written past its end.
            if (count == MIDI_PORT_CAPACITY) {
                LocalFree(caps);
                continue;
            }
            portCaps[count] = caps;
            portNames[count] = NarrowName(caps->wszDescription);
            lastPort = count;
            if (defaultKnown && caps->guidPort == defaultPort) {
                selectedPort = count;
                defaultFound = true;
            }
            ++count;
        } else if (result == S_FALSE || caps->dwClass == 0) {
            LocalFree(caps);
        } else {
            LocalFree(caps);
            ReportError(MSG_PORT_ENUMERATION_FAILED);
            PostMessageA(window, WM_CLOSE, 0, 0);
            return;
        }
    }
    reverbOnCreate = 1;
    reverbOn = 1;
    if (!defaultFound) {
        selectedPort = 0;
    }
    if (CreateAndAddPort() == 0) {
        ReportError(MSG_CREATE_AND_ADD_PORT_FAILED);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

int AudioSystem::CreateAndAddPort() {
    DMUS_PORTPARAMS8 params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS | DMUS_PORTPARAMS_EFFECTS;
    params.dwChannelGroups = 1;
    params.dwEffectFlags = reverbOnCreate != 0 ? DMUS_EFFECT_REVERB : 0;
    DMUS_PORTCAPS* caps = portCaps[selectedPort];
    if (caps == nullptr) {
        return FailMusic(MSG_PORT_NOT_CREATED);
    }
    if (FAILED(directMusic->CreatePort(caps->guidPort, reinterpret_cast<DMUS_PORTPARAMS*>(&params),
                                       &port, nullptr))) {
        return FailMusic(MSG_PORT_NOT_CREATED);
    }
    if (FAILED(port->Activate(TRUE))) {
        return FailMusic(MSG_PORT_ACTIVATE_FAILED);
    }
    if (FAILED(performance->AddPort(port))) {
        return FailMusic(MSG_ADD_PORT_FAILED);
    }
    if (FAILED(performance->AssignPChannelBlock(0, port, 1))) {
        return FailMusic(MSG_ASSIGN_PCHANNEL_FAILED);
    }
    currentPortCaps = caps;
    return 1;
}

void AudioSystem::SelectMidiPort(int index) {
    if (index == selectedPort || index < 0 || index > lastPort) {
        return;
    }
    if (segment != nullptr) {
        StopMusic();
    }
    if (port != nullptr) {
        ReleaseMidiPort();
    }
    selectedPort = index;
    if (CreateAndAddPort() == 0) {
        ReportError(MSG_SELECT_PORT_FAILED);
    }
}

void AudioSystem::ReleaseMidiPort() {
    if (instrumentsDownloaded != 0) {
        UnloadInstruments();
    }
    performance->RemovePort(port);
    port->Release();
    port = nullptr;
}

void AudioSystem::ToggleReverb() {
    DWORD effects = 0;
    if (reverbOn != 0) {
        reverbOn = 0;
    } else {
        effects = DMUS_EFFECT_REVERB;
        reverbOn = 1;
    }
    IKsControl* control = nullptr;
    if (port == nullptr ||
        FAILED(port->QueryInterface(IID_IKsControl, reinterpret_cast<void**>(&control)))) {
        return;
    }
    KSPROPERTY property;
    std::memset(&property, 0, sizeof property);
    property.Set = GUID_DMUS_PROP_Effects;
    property.Id = 0;
    property.Flags = KSPROPERTY_TYPE_SET;
    ULONG returned = 0;
    control->KsProperty(&property, sizeof property, &effects, sizeof effects, &returned);
    control->Release();
}

// Frees the port records, from the last filled entry down to the first.
void AudioSystem::FreeMidiPortTable() {
    for (int i = lastPort; i >= 0; --i) {
        if (portCaps[i] != nullptr) {
            LocalFree(portCaps[i]);
            portCaps[i] = nullptr;
        }
    }
}
