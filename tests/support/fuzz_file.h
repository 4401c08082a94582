// What the fuzz targets for the game's file readers share: a backend with
// a still clock, a sound output nobody pulls and message boxes answered at
// once and forgotten (a fuzzing run shows millions), and a scratch file of
// this process's own that each input is written to before the reader opens
// it.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "test_backend.h"

namespace fuzz {

class SilentBackend final : public TestBackend {
public:
    int ShowMessageBox(const std::string&, const std::string&, unsigned) override { return 1; }
};

// "/tmp/qv_<name>_<pid><extension>": parallel fuzzing jobs do not share it.
inline std::string ScratchPath(const char* name, const char* extension) {
    return std::string("/tmp/qv_") + name + "_" + std::to_string(getpid()) + extension;
}

// Writes the input to `path`; false when the file cannot be written.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace fuzz
