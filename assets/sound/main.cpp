// Generates the game's two sounds: the looping background tune "BGM00.wav"
// and the shot sound "shooting.wav".
//
//   quorvane_soundgen OUTPUT_DIR
//
// Every run writes the same bytes.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "assets/binary_output.h"
#include "assets/sound/music.h"
#include "assets/sound/shot.h"
#include "assets/sound/wav_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "quorvane_soundgen: %s is not a folder\n", dir.c_str());
        return 1;
    }
    try {
        assets::WriteFile(dir + "/BGM00.wav", sound::EncodeWav(sound::RenderTune(), 2, 44100));
        assets::WriteFile(dir + "/shooting.wav", sound::EncodeWav(sound::RenderShot(), 1, 44100));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvane_soundgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
