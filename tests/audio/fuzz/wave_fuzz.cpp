// libFuzzer target for the game's WAV reader: each input is written to a
// file and loaded into a sound slot by SoundEngine::LoadWave (through
// LoadSlot, which first releases the previous sound), on a DirectSound device
// whose output nobody pulls and whose message boxes are answered at once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/sound_engine.h"
#include "tests/support/fuzz_file.h"

namespace {

struct Reader {
    Reader() {
        platform::InstallBackend(&backend);
        path = fuzz::ScratchPath("wave_fuzz", ".wav");
        // Any non-null handle will do for the cooperative level; the
        // ready message to it goes nowhere.
        engine.window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
        if (engine.InitSound() != 1) {
            std::fprintf(stderr, "no sound device\n");
            std::abort();
        }
    }
    fuzz::SilentBackend backend;
    SoundEngine engine;
    std::string path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Reader reader;
    if (!fuzz::WriteInput(reader.path, data, size)) {
        return 0;
    }
    SoundSlot& slot = reader.engine.slots[BGM_SLOT];
    if (reader.engine.LoadSlot(slot, reader.path.c_str()) == 1) {
        reader.engine.PlaySlot(slot, 1);
        reader.engine.StopSlot(slot);
    }
    return 0;
}
