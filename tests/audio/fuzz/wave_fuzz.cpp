// libFuzzer target for the game's WAV reader: each input is written to a
// file and loaded into a sound slot by SoundEngine::LoadWave (through
// LoadSlot, which first releases the previous sound), on a DirectSound device
// whose output nobody pulls and whose message boxes are answered at once.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/sound_engine.h"
#include "platform/backend.h"

namespace {

class SilentBackend final : public platform::Backend {
public:
    std::uint32_t NowMilliseconds() override { return 0; }
    bool OpenAudio(std::uint32_t, std::uint32_t, platform::AudioSource*) override { return true; }
    int ShowMessageBox(const std::string&, const std::string&, unsigned) override { return 1; }
};

struct Reader {
    Reader() {
        platform::InstallBackend(&backend);
        path = "/tmp/qv_wave_fuzz_" + std::to_string(getpid()) + ".wav";
        // Any non-null handle will do for the cooperative level; the
        // ready message to it goes nowhere.
        engine.window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
        if (engine.InitSound() != 1) {
            std::fprintf(stderr, "no sound device\n");
            std::abort();
        }
    }
    SilentBackend backend;
    SoundEngine engine;
    std::string path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Reader reader;
    std::FILE* file = std::fopen(reader.path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    SoundSlot& slot = reader.engine.slots[BGM_SLOT];
    if (reader.engine.LoadSlot(slot, reader.path.c_str()) == 1) {
        reader.engine.PlaySlot(slot, 1);
        reader.engine.StopSlot(slot);
    }
    return 0;
}
