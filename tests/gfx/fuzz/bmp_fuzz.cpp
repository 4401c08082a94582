// libFuzzer target for the BMP reader behind the file path of the artwork
// loaders: each input is written to a file, loaded as a DIB section with
// LoadImageA (LR_LOADFROMFILE, as the artwork loader falls back to) and read
// for its palette by GraphicsDevice::Zeb_LoadPalette.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/graphics_device.h"
#include "tests/support/fuzz_file.h"

namespace {

struct Reader {
    Reader() {
        platform::InstallBackend(&backend);
        path = fuzz::ScratchPath("bmp_fuzz", ".bmp");
        if (DirectDrawCreate(nullptr, &device.directDraw, nullptr) != DD_OK) {
            std::fprintf(stderr, "no DirectDraw\n");
            std::abort();
        }
    }
    fuzz::SilentBackend backend;
    GraphicsDevice device;
    std::string path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Reader reader;
    if (!fuzz::WriteInput(reader.path, data, size)) {
        return 0;
    }

    HANDLE image = LoadImageA(nullptr, reader.path.c_str(), IMAGE_BITMAP, 0, 0,
                              LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (image != nullptr) {
        BITMAP info{};
        GetObjectA(image, sizeof info, &info);
        DeleteObject(image);
    }
    IDirectDrawPalette* palette = reader.device.Zeb_LoadPalette(reader.path.c_str());
    if (palette != nullptr) {
        palette->Release();
    }
    return 0;
}
