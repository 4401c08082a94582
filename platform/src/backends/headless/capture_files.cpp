// The files a headless run leaves behind: a captured frame as an 8-bit PNG
// through its palette, and the captured sound as a 16-bit PCM WAV file.
#include <png.h>

#include <cstdio>

#include "platform/headless.h"

namespace platform {
namespace {

void PutLittleEndian(std::FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
    }
}

} // namespace

bool WritePng(const std::string& path, const CapturedFrame& frame, std::string& error) {
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.indices.size() <
            static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height)) {
        error = "no picture to write";
        return false;
    }
    std::array<png_byte, 256 * 3> colourMap{};
    for (std::size_t i = 0; i < 256; ++i) {
        colourMap[i * 3] = frame.palette[i].red;
        colourMap[i * 3 + 1] = frame.palette[i].green;
        colourMap[i * 3 + 2] = frame.palette[i].blue;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame.width);
    image.height = static_cast<png_uint_32>(frame.height);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = 256;
    if (!png_image_write_to_file(&image, path.c_str(), 0, frame.indices.data(), frame.width,
                                 colourMap.data())) {
        error = image.message[0] ? image.message : "cannot write the PNG file";
        png_image_free(&image);
        return false;
    }
    return true;
}

bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples,
              std::uint32_t sampleRate, std::uint32_t channels, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path;
        return false;
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    PutLittleEndian(file, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    PutLittleEndian(file, 16, 4);
    PutLittleEndian(file, 1, 2); // PCM
    PutLittleEndian(file, channels, 2);
    PutLittleEndian(file, sampleRate, 4);
    PutLittleEndian(file, sampleRate * channels * 2, 4);
    PutLittleEndian(file, channels * 2, 2);
    PutLittleEndian(file, 16, 2);
    std::fwrite("data", 1, 4, file);
    PutLittleEndian(file, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        PutLittleEndian(file, static_cast<std::uint16_t>(sample), 2);
    }
    const bool ok = std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !ok) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace platform
