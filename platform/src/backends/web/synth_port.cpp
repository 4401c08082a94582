// The built-in synthesizer in a browser: FluidSynth compiled to WebAssembly
// (js-synthesizer) on the page, playing the same General MIDI SoundFont as on
// the desktop through its own AudioWorklet beside the mixer's. Our sequencer
// still decides what sounds when; this port passes each message on.
#include <chrono>
#include <mutex>
#include <thread>

#include "audio/music_port.h"
#include "audio/port_instruments.h"

extern "C" {
void quorvane_js_synth_open(int channelGroups, int reverb);
void quorvane_js_synth_close();
void quorvane_js_synth_message(int channel, int status, int data1, int data2);
void quorvane_js_synth_reverb(int on);
void quorvane_js_synth_all_notes_off();
int quorvane_js_synth_has_preset(int bank, int program);
}

namespace platform::audio {
namespace {

// The page loads the SoundFont after the first frame; asking which presets
// it has waits for that, this long at most.
constexpr auto kSoundFontWait = std::chrono::seconds(20);

class PageSynthesizerPort final : public MusicPortDriver {
public:
    PageSynthesizerPort(DWORD groups, DWORD effects) : groups(groups), effects(effects) {
        quorvane_js_synth_open(static_cast<int>(groups), (effects & DMUS_EFFECT_REVERB) ? 1 : 0);
    }
    ~PageSynthesizerPort() override { quorvane_js_synth_close(); }

    bool Activate(bool on) override {
        if (!on && active) {
            quorvane_js_synth_all_notes_off();
        }
        active = on;
        return true;
    }

    void ShortMessage(std::uint32_t group, std::uint8_t status, std::uint8_t data1,
                      std::uint8_t data2) override {
        if (group < 1 || group > groups || !active) {
            return;
        }
        const int channel = static_cast<int>((group - 1) * 16 + (status & 0x0Fu));
        std::lock_guard<std::mutex> hold(lock);
        switch (status & 0xF0u) {
        case 0x90:
            // A note whose instrument was never downloaded stays silent.
            if (data2 != 0 && !instruments.Downloaded(channel)) {
                return;
            }
            break;
        default:
            instruments.Follow(channel, status, data1, data2);
            break;
        }
        quorvane_js_synth_message(channel, status & 0xF0, data1, data2);
    }

    void SystemExclusive(std::uint32_t, const std::uint8_t* data, std::size_t length) override {
        if (IsGmSystemOn(data, length)) {
            std::lock_guard<std::mutex> hold(lock);
            instruments.ResetChoices();
            for (int channel = 0; channel < static_cast<int>(16 * groups); ++channel) {
                quorvane_js_synth_message(channel, 0xC0, 0, 0);
            }
        }
    }

    void AllNotesOff() override { quorvane_js_synth_all_notes_off(); }

    DWORD Effects() const override { return effects; }
    bool SetEffects(DWORD wanted) override {
        if (wanted & ~DMUS_EFFECT_REVERB) {
            return false;
        }
        effects = wanted;
        quorvane_js_synth_reverb((wanted & DMUS_EFFECT_REVERB) ? 1 : 0);
        return true;
    }

    HRESULT Download(const std::vector<InstrumentKey>& keys) override {
        bool complete = true;
        for (const InstrumentKey& key : keys) {
            if (HasPreset(key) != 1) {
                complete = false;
            }
        }
        std::lock_guard<std::mutex> hold(lock);
        instruments.Download(keys);
        return complete ? S_OK : DMUS_S_PARTIALDOWNLOAD;
    }

    void Unload(const std::vector<InstrumentKey>& keys) override {
        std::lock_guard<std::mutex> hold(lock);
        instruments.Unload(keys);
    }

private:
    static int HasPreset(const InstrumentKey& key) {
        const auto until = std::chrono::steady_clock::now() + kSoundFontWait;
        int answer = quorvane_js_synth_has_preset(key.bank, key.program);
        while (answer < 0 && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            answer = quorvane_js_synth_has_preset(key.bank, key.program);
        }
        return answer;
    }

    const DWORD groups;
    DWORD effects;
    bool active = false;
    std::mutex lock; // the instruments below
    PortInstruments instruments;
};

} // namespace

std::unique_ptr<MusicPortDriver> OpenSynthesizerPort(std::shared_ptr<Mixer> mixer,
                                                     DWORD channelGroups, DWORD effects) {
    if (!mixer || channelGroups < 1 || channelGroups > 16) {
        return nullptr;
    }
    return std::make_unique<PageSynthesizerPort>(channelGroups, effects);
}

namespace {

// A browser shows a page no MIDI ports of the machine's sequencer.
class NoSequencer final : public Sequencer {
public:
    void AppendPorts(std::vector<PortEntry>&) override {}
    std::unique_ptr<MusicPortDriver> OpenPort(int, int) override { return nullptr; }
};

Sequencer* replacement = nullptr;

} // namespace

Sequencer& CurrentSequencer() {
    static NoSequencer none;
    return replacement ? *replacement : none;
}

void ReplaceSequencer(Sequencer* sequencer) {
    replacement = sequencer;
}

} // namespace platform::audio
