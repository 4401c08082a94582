// The machine's MIDI ports, through the ALSA sequencer: its output ports
// become DirectMusic output ports (external, without downloadable
// instruments), its input ports are listed with the input class. A machine
// without a sequencer (no /dev/snd/seq) simply has none.
#include <alsa/asoundlib.h>

#include <cstdarg>
#include <mutex>
#include <string>

#include "audio/music_port.h"

namespace platform::audio {
namespace {

// ALSA reports a missing sequencer on stderr by itself; a machine without
// MIDI hardware is normal here, so its messages are not shown.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

snd_seq_t* OpenSequencer(int streams) {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&QuietAlsaErrors); });
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", streams, SND_SEQ_NONBLOCK) < 0) {
        return nullptr;
    }
    return seq;
}

GUID AlsaPortGuid(int client, int port, DWORD portClass) {
    GUID guid{0x51A7A15A,
              static_cast<WORD>(client),
              static_cast<WORD>(port),
              {'A', 'L', 'S', 'A', 'S', 'E', 'Q', static_cast<BYTE>(portClass)}};
    return guid;
}

void FillName(WCHAR (&out)[DMUS_MAX_DESCRIPTION], const std::string& utf8) {
    // Client and port names are ASCII in practice; anything else shows as '?'.
    std::size_t i = 0;
    for (; i < utf8.size() && i < DMUS_MAX_DESCRIPTION - 1; ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        out[i] = c < 0x80 ? static_cast<WCHAR>(c) : static_cast<WCHAR>('?');
    }
    out[i] = 0;
}

class AlsaOutputPort final : public MusicPortDriver {
public:
    AlsaOutputPort(snd_seq_t* seq, int ownPort) : seq(seq), ownPort(ownPort) {}
    ~AlsaOutputPort() override { snd_seq_close(seq); }

    bool Activate(bool on) override {
        active = on;
        if (!on) {
            AllNotesOff();
        }
        return true;
    }

    void ShortMessage(std::uint32_t group, std::uint8_t status, std::uint8_t data1,
                      std::uint8_t data2) override {
        if (group != 1 || !active) {
            return; // an external MIDI port has one group of 16 channels
        }
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        const auto channel = static_cast<unsigned char>(status & 0x0Fu);
        switch (status & 0xF0u) {
        case 0x80:
            snd_seq_ev_set_noteoff(&event, channel, data1, data2);
            break;
        case 0x90:
            snd_seq_ev_set_noteon(&event, channel, data1, data2);
            break;
        case 0xA0:
            snd_seq_ev_set_keypress(&event, channel, data1, data2);
            break;
        case 0xB0:
            snd_seq_ev_set_controller(&event, channel, data1, data2);
            break;
        case 0xC0:
            snd_seq_ev_set_pgmchange(&event, channel, data1);
            break;
        case 0xD0:
            snd_seq_ev_set_chanpress(&event, channel, data1);
            break;
        case 0xE0:
            snd_seq_ev_set_pitchbend(&event, channel, (data1 | (data2 << 7)) - 8192);
            break;
        default:
            return;
        }
        Send(event);
    }

    void SystemExclusive(std::uint32_t group, const std::uint8_t* data,
                         std::size_t length) override {
        if (group != 1 || !active || length == 0) {
            return;
        }
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(length),
                             const_cast<std::uint8_t*>(data));
        Send(event);
    }

    void AllNotesOff() override {
        const bool was = active;
        active = true;
        for (std::uint8_t channel = 0; channel < 16; ++channel) {
            ShortMessage(1, static_cast<std::uint8_t>(0xB0 | channel), 123, 0);
            ShortMessage(1, static_cast<std::uint8_t>(0xB0 | channel), 64, 0);
        }
        active = was;
    }

private:
    void Send(snd_seq_event_t& event) {
        std::lock_guard<std::mutex> hold(lock);
        snd_seq_ev_set_source(&event, ownPort);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_event_output_direct(seq, &event);
    }

    std::mutex lock;
    snd_seq_t* seq;
    int ownPort;
    bool active = false;
};

class AlsaSequencer final : public Sequencer {
public:
    void AppendPorts(std::vector<PortEntry>& ports) override;
    std::unique_ptr<MusicPortDriver> OpenPort(int client, int port) override;
};

Sequencer* replacement = nullptr;

} // namespace

Sequencer& CurrentSequencer() {
    static AlsaSequencer alsa;
    return replacement ? *replacement : alsa;
}

void ReplaceSequencer(Sequencer* sequencer) {
    replacement = sequencer;
}

void AlsaSequencer::AppendPorts(std::vector<PortEntry>& ports) {
    snd_seq_t* seq = OpenSequencer(SND_SEQ_OPEN_DUPLEX);
    if (!seq) {
        return;
    }
    const int self = snd_seq_client_id(seq);
    std::vector<PortEntry> inputs;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self) {
            continue;
        }
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned type = snd_seq_port_info_get_type(port);
            if (!(type & SND_SEQ_PORT_TYPE_MIDI_GENERIC) || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) {
                continue;
            }
            const int number = snd_seq_port_info_get_port(port);
            const std::string name = std::string(snd_seq_client_info_get_name(client)) + ": " +
                                     snd_seq_port_info_get_name(port);
            PortEntry entry;
            entry.caps.dwSize = sizeof(DMUS_PORTCAPS);
            entry.caps.dwType = DMUS_PORT_WINMM_DRIVER;
            entry.caps.dwMaxChannelGroups = 1;
            entry.sequencerClient = id;
            entry.sequencerPort = number;
            FillName(entry.caps.wszDescription, name);
            const unsigned writable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            const unsigned readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
            if ((caps & writable) == writable) {
                entry.caps.dwClass = DMUS_PC_OUTPUTCLASS;
                entry.caps.dwFlags = DMUS_PC_EXTERNAL;
                entry.caps.guidPort = AlsaPortGuid(id, number, DMUS_PC_OUTPUTCLASS);
                ports.push_back(entry);
            }
            if ((caps & readable) == readable) {
                entry.caps.dwClass = DMUS_PC_INPUTCLASS;
                entry.caps.dwFlags = DMUS_PC_EXTERNAL;
                entry.caps.guidPort = AlsaPortGuid(id, number, DMUS_PC_INPUTCLASS);
                inputs.push_back(entry);
            }
        }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
    snd_seq_close(seq);
    ports.insert(ports.end(), inputs.begin(), inputs.end());
}

std::unique_ptr<MusicPortDriver> AlsaSequencer::OpenPort(int client, int port) {
    snd_seq_t* seq = OpenSequencer(SND_SEQ_OPEN_OUTPUT);
    if (!seq) {
        return nullptr;
    }
    snd_seq_set_client_name(seq, "Quorvane");
    const int own = snd_seq_create_simple_port(
        seq, "DirectMusic out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (own < 0 || snd_seq_connect_to(seq, own, client, port) < 0) {
        snd_seq_close(seq);
        return nullptr;
    }
    return std::make_unique<AlsaOutputPort>(seq, own);
}

} // namespace platform::audio
