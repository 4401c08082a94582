// Creating the display as the game does, and every start-up call failing on
// demand.
#include "display_fixture.h"

namespace {

TEST(DirectDrawDevice, GameStartUpSequenceGivesAPrimaryWithBackBufferAndPalette) {
    CaptureBackend backend;
    GameDisplay display;
    ASSERT_NE(display.back, nullptr);

    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    ASSERT_EQ(display.primary->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.dwHeight, 480u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);

    desc = DDSURFACEDESC{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(display.back->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    EXPECT_GE(desc.lPitch, 640);
}

TEST(DirectDrawDevice, APrimaryNeedsACooperativeLevelThereIsOnlyOneAndBadRequestsFail) {
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface* primary = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(primary, nullptr);

    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), 0x13), DD_OK);
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawSurface* second = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    // Without a back buffer there is nothing attached.
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &back), DDERR_NOTFOUND);
    EXPECT_EQ(back, nullptr);
    primary->Release();
    // Once released, a new primary can be made.
    ASSERT_EQ(dd->CreateSurface(&desc, &second, nullptr), DD_OK);
    second->Release();

    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, 0x13), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 16), DDERR_INVALIDMODE);
    desc = DDSURFACEDESC{};
    desc.dwSize = 50; // no DDSURFACEDESC has this size
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 8;
    desc.dwHeight = 8;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    desc.dwSize = 108;
    desc.dwWidth = 0;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);

    PALETTEENTRY entries[256]{};
    IDirectDrawPalette* palette = nullptr;
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, nullptr, &palette, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->CreatePalette(0, entries, &palette, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(palette, nullptr);
    dd->Release();
}

// Each call the game checks at start-up fails with the injected result and
// hands out nothing.
TEST(DirectDrawDevice, EveryStartUpCallHonoursAnInjectedFault) {
    const HRESULT failure = DDERR_GENERIC;
    IDirectDraw* dd = nullptr;
    platform::InjectFault("DirectDrawCreate", failure, 1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), failure);
    EXPECT_EQ(dd, nullptr);
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);

    platform::InjectFault("IDirectDraw::SetCooperativeLevel", failure, 1);
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), 0x13), failure);
    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), 0x13), DD_OK);

    platform::InjectFault("IDirectDraw::SetDisplayMode", failure, 1);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 8), failure);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 8), DD_OK);

    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = 0x218;
    IDirectDrawSurface* primary = nullptr;
    platform::InjectFault("IDirectDraw::CreateSurface", failure, 1);
    EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), failure);
    EXPECT_EQ(primary, nullptr);
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);

    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    platform::InjectFault("IDirectDrawSurface::GetAttachedSurface", failure, 1);
    EXPECT_EQ(primary->GetAttachedSurface(&caps, &back), failure);
    EXPECT_EQ(back, nullptr);

    auto entries = RampEntries();
    IDirectDrawPalette* palette = nullptr;
    platform::InjectFault("IDirectDraw::CreatePalette", failure, 1);
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr), failure);
    EXPECT_EQ(palette, nullptr);
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT, entries.data(), &palette, nullptr), DD_OK);

    platform::InjectFault("IDirectDrawSurface::SetPalette", failure, 1);
    EXPECT_EQ(primary->SetPalette(palette), failure);

    DDCOLORKEY key{255, 255};
    platform::InjectFault("IDirectDrawSurface::SetColorKey", failure, 1);
    EXPECT_EQ(primary->SetColorKey(DDCKEY_SRCBLT, &key), failure);

    platform::InjectFault("IDirectDrawSurface::Restore", failure, 1);
    EXPECT_EQ(primary->Restore(), failure);

    HDC dc = nullptr;
    platform::InjectFault("IDirectDrawSurface::GetDC", failure, 1);
    EXPECT_EQ(primary->GetDC(&dc), failure);
    EXPECT_EQ(dc, nullptr);

    void* second = nullptr;
    platform::InjectFault("IDirectDraw::QueryInterface", E_NOINTERFACE, 1);
    EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw2, &second), E_NOINTERFACE);
    EXPECT_EQ(second, nullptr);

    palette->Release();
    primary->Release();
    dd->Release();
}

TEST(DirectDrawDevice, SecondInterfaceReportsVideoMemoryThatSurfacesUse) {
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    void* object = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw2, &object), S_OK);
    auto* dd2 = static_cast<IDirectDraw2*>(object);
    DDSCAPS caps{DDSCAPS_OFFSCREENPLAIN};
    DWORD total = 0, freeBefore = 0, freeAfter = 0;
    ASSERT_EQ(dd2->GetAvailableVidMem(&caps, &total, &freeBefore), DD_OK);
    EXPECT_GT(total, 0u);
    EXPECT_LE(freeBefore, total);

    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    desc.dwWidth = 640;
    desc.dwHeight = 1440;
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    ASSERT_EQ(dd2->GetAvailableVidMem(&caps, &total, &freeAfter), DD_OK);
    EXPECT_EQ(freeBefore - freeAfter, 640u * 1440u);

    platform::InjectFault("IDirectDraw2::GetAvailableVidMem", DDERR_GENERIC, 1);
    EXPECT_EQ(dd2->GetAvailableVidMem(&caps, &total, &freeAfter), DDERR_GENERIC);

    // An unknown interface is refused.
    void* other = &object;
    EXPECT_EQ(dd->QueryInterface(IID_IDirectDrawSurface, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    surface->Release();
    dd2->Release();
    dd->Release();
}

} // namespace
