// libFuzzer target for the BMP reader behind the artwork loaders: each input
// is written to a file, loaded as a DIB section with LoadImageA
// (LR_LOADFROMFILE, as the artwork loader falls back to), copied onto an
// 8-bit surface by GraphicsDevice::Zeb_CopyBitmap and read for its palette
// by GraphicsDevice::Zeb_LoadPalette; without its 14-byte file header it is
// also loaded and copied as the artwork resource, a packed DIB.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gfx/graphics_device.h"
#include "platform/resources.h"
#include "tests/support/fuzz_file.h"

namespace {

struct Reader {
    Reader() {
        platform::InstallBackend(&backend);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = 48;
        desc.dwHeight = 32;
        if (DirectDrawCreate(nullptr, &device.directDraw, nullptr) != DD_OK ||
            device.directDraw->CreateSurface(&desc, &surface, nullptr) != DD_OK) {
            std::abort();
        }
    }

    void LoadAndCopy(LPCSTR name, UINT flags) {
        if (HANDLE image = LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, flags)) {
            device.Zeb_CopyBitmap(surface, static_cast<HBITMAP>(image), 0, 0, 0, 0);
            DeleteObject(image);
        }
    }

    fuzz::SilentBackend backend;
    GraphicsDevice device;
    std::string path = fuzz::ScratchPath("bmp_fuzz", ".bmp");
    IDirectDrawSurface* surface = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Reader reader;
    if (!fuzz::WriteInput(reader.path, data, size)) {
        return 0;
    }
    reader.LoadAndCopy(reader.path.c_str(), LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (size > sizeof(BITMAPFILEHEADER)) {
        platform::RegisterResource(RT_BITMAP, 109, data + sizeof(BITMAPFILEHEADER),
                                   size - sizeof(BITMAPFILEHEADER));
        reader.LoadAndCopy(MAKEINTRESOURCE(109), LR_CREATEDIBSECTION);
    }
    if (IDirectDrawPalette* palette = reader.device.Zeb_LoadPalette(reader.path.c_str())) {
        palette->Release();
    }
    return 0;
}
