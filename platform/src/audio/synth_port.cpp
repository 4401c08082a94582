// The built-in software synthesizer: FluidSynth with the General MIDI
// SoundFont Debian installs, rendering into the mixer (it never opens an
// audio driver of its own).
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "audio/music_port.h"
#include "audio/port_instruments.h"

namespace platform::audio {
namespace {

bool FileExists(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

const char* FindSoundFont() {
    for (const std::string& place : SoundFontPlaces()) {
        if (FileExists(place.c_str())) {
            return place.c_str();
        }
    }
    return nullptr;
}

void WarnNoSoundFont() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::fprintf(stderr, "quorvane: no General MIDI SoundFont found (looked for "
                             "/usr/share/sounds/sf2/default-GM.sf2 and others; Debian's "
                             "timgm6mb-soundfont package provides one); music stays silent\n");
    });
}

// FluidSynth's own chatter goes to stderr only when it is an error.
void QuietFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

class SynthesizerPort final : public MusicPortDriver, public MixContributor {
public:
    SynthesizerPort(std::shared_ptr<Mixer> mixer, DWORD groups, DWORD effects)
        : mixer(std::move(mixer)), groups(groups), effects(effects) {}

    bool Open() {
        QuietFluidLog();
        settings = new_fluid_settings();
        if (!settings) {
            return false;
        }
        fluid_settings_setnum(settings, "synth.sample-rate",
                              mixer->Rate() ? static_cast<double>(mixer->Rate()) : 44100.0);
        fluid_settings_setint(settings, "synth.midi-channels", static_cast<int>(16 * groups));
        fluid_settings_setint(settings, "synth.reverb.active", 1);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        synth = new_fluid_synth(settings);
        if (!synth) {
            return false;
        }
        fluid_synth_reverb_on(synth, -1, (effects & DMUS_EFFECT_REVERB) ? 1 : 0);
        if (const char* font = FindSoundFont()) {
            soundFont = fluid_synth_sfload(synth, font, 1);
        }
        if (soundFont < 0) {
            WarnNoSoundFont();
        }
        instruments.ResetChoices();
        blockFrames = static_cast<std::uint32_t>(fluid_synth_get_internal_bufsize(synth));
        blockLeft.assign(blockFrames, 0.0f);
        blockRight.assign(blockFrames, 0.0f);
        blockRead = blockFrames;
        return true;
    }

    ~SynthesizerPort() override {
        Activate(false);
        if (synth) {
            delete_fluid_synth(synth);
        }
        if (settings) {
            delete_fluid_settings(settings);
        }
    }

    bool Activate(bool on) override {
        if (on == active) {
            return true;
        }
        active = on;
        if (on) {
            mixer->AddContributor(this);
        } else {
            mixer->RemoveContributor(this);
            fluid_synth_all_sounds_off(synth, -1);
            blockRead = blockFrames; // what was rendered ahead is not heard
        }
        return true;
    }

    void ShortMessage(std::uint32_t group, std::uint8_t status, std::uint8_t data1,
                      std::uint8_t data2) override {
        if (group < 1 || group > groups) {
            return;
        }
        const int channel = static_cast<int>((group - 1) * 16 + (status & 0x0Fu));
        std::lock_guard<std::mutex> hold(lock);
        switch (status & 0xF0u) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, data1);
            break;
        case 0x90:
            if (data2 == 0) {
                fluid_synth_noteoff(synth, channel, data1);
            } else if (instruments.Downloaded(channel)) {
                if (fluid_synth_get_active_voice_count(synth) == 0) {
                    startFromSilence = true;
                }
                fluid_synth_noteon(synth, channel, data1, data2);
            }
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, data1, data2);
            break;
        case 0xB0:
            instruments.Follow(channel, status, data1, data2);
            fluid_synth_cc(synth, channel, data1, data2);
            break;
        case 0xC0:
            instruments.Follow(channel, status, data1, data2);
            fluid_synth_program_change(synth, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
            break;
        default:
            break;
        }
    }

    void SystemExclusive(std::uint32_t group, const std::uint8_t* data,
                         std::size_t length) override {
        (void)group;
        if (length < 3 || data[0] != 0xF0 || data[length - 1] != 0xF7) {
            return;
        }
        std::lock_guard<std::mutex> hold(lock);
        // FluidSynth takes the message without its F0 and F7.
        fluid_synth_sysex(synth, reinterpret_cast<const char*>(data + 1),
                          static_cast<int>(length - 2), nullptr, nullptr, nullptr, 0);
        if (IsGmSystemOn(data, length)) {
            instruments.ResetChoices();
        }
    }

    void AllNotesOff() override {
        std::lock_guard<std::mutex> hold(lock);
        fluid_synth_all_notes_off(synth, -1);
        for (int channel = 0; channel < static_cast<int>(16 * groups); ++channel) {
            fluid_synth_cc(synth, channel, 64, 0); // sustain pedal up
        }
    }

    DWORD Effects() const override { return effects; }
    bool SetEffects(DWORD wanted) override {
        if (wanted & ~DMUS_EFFECT_REVERB) {
            return false; // only reverb is offered
        }
        std::lock_guard<std::mutex> hold(lock);
        effects = wanted;
        fluid_synth_reverb_on(synth, -1, (wanted & DMUS_EFFECT_REVERB) ? 1 : 0);
        return true;
    }

    HRESULT Download(const std::vector<InstrumentKey>& keys) override {
        std::lock_guard<std::mutex> hold(lock);
        fluid_sfont_t* font =
            soundFont >= 0 ? fluid_synth_get_sfont_by_id(synth, soundFont) : nullptr;
        instruments.Download(keys);
        const bool complete = std::all_of(keys.begin(), keys.end(), [&](const InstrumentKey& key) {
            return font && fluid_sfont_get_preset(font, key.bank, key.program);
        });
        return complete ? S_OK : DMUS_S_PARTIALDOWNLOAD;
    }

    void Unload(const std::vector<InstrumentKey>& keys) override {
        std::lock_guard<std::mutex> hold(lock);
        instruments.Unload(keys);
    }

    // FluidSynth renders in blocks of its own and starts a note only at the
    // start of one, so a note would wait for the block after the frame it was
    // sent at. A note that sounds out of silence starts a fresh block at once:
    // what is dropped of the block rendered ahead is silent.
    void Render(float* accum, std::uint32_t frames, std::uint32_t channels) override {
        if (startFromSilence.exchange(false) && RestOfBlockIsSilent()) {
            blockRead = blockFrames;
        }
        for (std::uint32_t done = 0; done < frames;) {
            if (blockRead == blockFrames) {
                fluid_synth_write_float(synth, static_cast<int>(blockFrames), blockLeft.data(), 0,
                                        1, blockRight.data(), 0, 1);
                blockRead = 0;
            }
            const std::uint32_t take = std::min(frames - done, blockFrames - blockRead);
            AddBlock(accum + static_cast<std::size_t>(done) * channels, take, channels);
            blockRead += take;
            done += take;
        }
    }

    void OutputRateChanged(std::uint32_t rate) override {
        if (rate == 0) {
            return;
        }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        fluid_synth_set_sample_rate(synth, static_cast<float>(rate));
#pragma GCC diagnostic pop
    }

private:
    bool RestOfBlockIsSilent() const {
        constexpr float kBelowOneStep = 1.0f / 32768; // of the 16-bit output
        for (std::uint32_t i = blockRead; i < blockFrames; ++i) {
            if (std::fabs(blockLeft[i]) >= kBelowOneStep ||
                std::fabs(blockRight[i]) >= kBelowOneStep) {
                return false;
            }
        }
        return true;
    }

    // Adds the next `frames` frames of the rendered block.
    void AddBlock(float* accum, std::uint32_t frames, std::uint32_t channels) const {
        const float* left = blockLeft.data() + blockRead;
        const float* right = blockRight.data() + blockRead;
        if (channels == 2) {
            for (std::uint32_t i = 0; i < frames; ++i) {
                accum[2 * i] += left[i];
                accum[2 * i + 1] += right[i];
            }
        } else {
            for (std::uint32_t i = 0; i < frames; ++i) {
                accum[i] += 0.5f * (left[i] + right[i]);
            }
        }
    }

    std::shared_ptr<Mixer> mixer;
    const DWORD groups;
    DWORD effects;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    int soundFont = -1;
    bool active = false;
    // The block FluidSynth rendered last and how much of it was heard; only
    // the audio thread touches them while the port is in the mix.
    std::uint32_t blockFrames = 0;
    std::vector<float> blockLeft;
    std::vector<float> blockRight;
    std::uint32_t blockRead = 0;
    std::atomic<bool> startFromSilence{false};
    std::mutex lock; // the instruments below
    PortInstruments instruments;
};

} // namespace

std::vector<std::string>& SoundFontPlaces() {
    // Where Debian's General MIDI SoundFont packages put their files.
    static std::vector<std::string> places = {
        "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/default.sf2",
        "/usr/share/soundfonts/FluidR3_GM.sf2",
    };
    return places;
}

std::unique_ptr<MusicPortDriver> OpenSynthesizerPort(std::shared_ptr<Mixer> mixer,
                                                     DWORD channelGroups, DWORD effects) {
    if (!mixer || channelGroups < 1 || channelGroups > 16) {
        return nullptr;
    }
    auto port = std::make_unique<SynthesizerPort>(std::move(mixer), channelGroups, effects);
    if (!port->Open()) {
        return nullptr;
    }
    return port;
}

} // namespace platform::audio
