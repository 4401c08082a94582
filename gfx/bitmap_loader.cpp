// Loading the artwork: the bitmap into an off-screen surface of its own size,
// and the display palette from its colour table. A name that is no resource
// of the executable is tried as the path of a bitmap file.
#include <cstring>

#include "gfx/gfx_messages.h"
#include "gfx/graphics_device.h"

namespace {

constexpr DWORD BITMAP_INFO_HEADER_SIZE = 40;
constexpr DWORD BITMAP_FILE_HEADER_SIZE = 14;

// The 3-3-2 colour cube used wherever no colour table can be read.
void FillDefaultPalette(PALETTEENTRY* entries) {
    for (int i = 0; i < 256; ++i) {
        entries[i].peRed = static_cast<BYTE>(((i >> 5) & 7) * 255 / 7);
        entries[i].peGreen = static_cast<BYTE>(((i >> 2) & 7) * 255 / 7);
        entries[i].peBlue = static_cast<BYTE>((i & 3) * 255 / 3);
        entries[i].peFlags = 0;
    }
}

// How many colour-table entries a header announces: none for a header too
// short or a picture of more than 8 bits, else biClrUsed or 2^biBitCount.
DWORD ColourCount(const BITMAPINFOHEADER& header, bool sizeMustBeExact) {
    const bool sizeOk = sizeMustBeExact ? header.biSize == BITMAP_INFO_HEADER_SIZE
                                        : header.biSize >= BITMAP_INFO_HEADER_SIZE;
    if (!sizeOk || header.biBitCount > 8) {
        return 0;
    }
    if (header.biClrUsed != 0) {
        return header.biClrUsed;
    }
    return 1u << header.biBitCount;
}

bool IsIntegerResource(LPCSTR name) {
    return (reinterpret_cast<UINT_PTR>(name) >> 16) == 0;
}

} // namespace

HBITMAP GraphicsDevice::LoadArtworkImage(LPCSTR name, int width, int height) {
    HANDLE image = LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, width, height,
                              LR_CREATEDIBSECTION);
    if (image == nullptr) {
        image = LoadImageA(nullptr, name, IMAGE_BITMAP, width, height,
                           LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    }
    return static_cast<HBITMAP>(image);
}

IDirectDrawSurface* GraphicsDevice::Zeb_LoadBitmap(LPCSTR name, HBITMAP* handleOut, int width,
                                                   int height) {
    *handleOut = LoadArtworkImage(name, width, height);
    if (*handleOut == nullptr) {
        return nullptr;
    }
    BITMAP image;
    GetObjectA(*handleOut, sizeof image, &image);

    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    desc.dwWidth = static_cast<DWORD>(image.bmWidth);
    desc.dwHeight = static_cast<DWORD>(image.bmHeight);
    IDirectDrawSurface* surface = nullptr;
    if (directDraw->CreateSurface(&desc, &surface, nullptr) != DD_OK) {
        return nullptr;
    }
    if (Zeb_CopyBitmap(surface, *handleOut, 0, 0, 0, 0) != DD_OK) {
        surface->Release();
        return nullptr;
    }
    return surface;
}

HRESULT GraphicsDevice::Zeb_ReloadBitmap(IDirectDrawSurface* surface, LPCSTR name) {
    HBITMAP image = LoadArtworkImage(name, 0, 0);
    if (image == nullptr) {
        ReportError(MSG_BITMAP_HANDLE_NULL);
        return E_FAIL;
    }
    const HRESULT result = Zeb_CopyBitmap(surface, image, 0, 0, 0, 0);
    if (result != DD_OK) {
        ReportError(MSG_COPY_BITMAP_FAILED);
    }
    DeleteObject(image);
    return result;
}

HRESULT GraphicsDevice::Zeb_CopyBitmap(IDirectDrawSurface* surface, HBITMAP image, int x, int y,
                                       int width, int height) {
    if (image == nullptr || surface == nullptr) {
        return E_FAIL;
    }
    surface->Restore();
    HDC imageDc = CreateCompatibleDC(nullptr);
    if (imageDc == nullptr) {
        ReportError(MSG_CREATE_COMPATIBLE_DC_FAILED);
        return E_FAIL;
    }
    SelectObject(imageDc, image);

    BITMAP info;
    GetObjectA(image, sizeof info, &info);
    if (width == 0) {
        width = info.bmWidth;
    }
    if (height == 0) {
        height = info.bmHeight;
    }
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&desc);

    HDC surfaceDc = nullptr;
    const HRESULT result = surface->GetDC(&surfaceDc);
    if (result != DD_OK) {
        ReportError(MSG_GET_DC_FAILED);
        DeleteDC(imageDc);
        return E_FAIL;
    }
    StretchBlt(surfaceDc, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
               imageDc, x, y, width, height, SRCCOPY);
    surface->ReleaseDC(surfaceDc);
    DeleteDC(imageDc);
    return result;
}

IDirectDrawPalette* GraphicsDevice::Zeb_LoadPalette(LPCSTR name) {
    FillDefaultPalette(paletteEntries);
    if (name != nullptr) {
        if (FindResourceA(nullptr, name, RT_BITMAP) != nullptr) {
            ReadPaletteFromResource(name);
        } else if (!IsIntegerResource(name)) {
            ReadPaletteFromFile(name);
        }
    }
    IDirectDrawPalette* created = nullptr;
    if (directDraw->CreatePalette(DDPCAPS_8BIT, paletteEntries, &created, nullptr) != DD_OK) {
        return nullptr;
    }
    return created;
}

void GraphicsDevice::ReadPaletteFromResource(LPCSTR name) {
    HRSRC resource = FindResourceA(nullptr, name, RT_BITMAP);
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes == nullptr) {
        ReportError(MSG_LOCK_RESOURCE_FAILED);
        return;
    }
    // The resource may be shorter than its header claims: only colours that
    // lie inside it are taken.
    const DWORD size = SizeofResource(nullptr, resource);
    if (size < BITMAP_INFO_HEADER_SIZE) {
        return;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    const DWORD count = ColourCount(header, false);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        const std::size_t at = std::size_t{header.biSize} + i * sizeof(RGBQUAD);
        if (at + sizeof(RGBQUAD) > size) {
            break;
        }
        RGBQUAD colour;
        std::memcpy(&colour, bytes + at, sizeof colour);
        paletteEntries[i].peRed = colour.rgbRed;
        paletteEntries[i].peGreen = colour.rgbGreen;
        paletteEntries[i].peBlue = colour.rgbBlue;
        paletteEntries[i].peFlags = 0;
    }
}

void GraphicsDevice::ReadPaletteFromFile(LPCSTR name) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    BYTE fileHeader[BITMAP_FILE_HEADER_SIZE];
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    DWORD read = 0;
    ReadFile(file, fileHeader, sizeof fileHeader, &read, nullptr);
    ReadFile(file, &header, sizeof header, &read, nullptr);
    // The colour table goes straight into the entries (blue, green, red,
    // reserved in the places of red, green, blue, flags); red and blue are
    // swapped back below for the colours the header announces.
    ReadFile(file, paletteEntries, sizeof paletteEntries, &read, nullptr);
    CloseHandle(file);
    const DWORD count = ColourCount(header, true);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        const BYTE blue = paletteEntries[i].peRed;
        paletteEntries[i].peRed = paletteEntries[i].peBlue;
        paletteEntries[i].peBlue = blue;
    }
}
