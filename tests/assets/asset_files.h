// Reading the generated asset files in the tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// The whole file, or nothing if it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.tellg()));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file ? bytes : std::vector<std::uint8_t>{};
}

inline std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b.at(at)) | std::uint32_t(b.at(at + 1)) << 8 |
           std::uint32_t(b.at(at + 2)) << 16 | std::uint32_t(b.at(at + 3)) << 24;
}

inline std::uint16_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint16_t(b.at(at) | b.at(at + 1) << 8);
}
