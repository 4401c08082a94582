// The work of a frame, once warmed up, allocates nothing: the clear, the
// keyed background blit, the title's fonts made and deleted with their text,
// the frame-rate text, and the copy to the screen.
#include <cstdlib>
#include <new>

#include "../video/display_fixture.h"

namespace {
bool counting = false;
long allocations = 0;
} // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr const char* kGothic = "\x82\x6C\x82\x72\x81\x40\x83\x53\x83\x56\x83\x62\x83\x4E";

void DrawFrame(GameDisplay& display, IDirectDrawSurface* artwork) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = 246;
    display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    RECT src{0, 480, 640, 960};
    RECT dest{0, 0, 640, 480};
    display.back->Blt(&dest, artwork, &src, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    RECT sprite{42, 960, 75, 990};
    RECT edge{-10, 225, 22, 255}; // scaled and clipped at the screen's edge
    display.back->Blt(&edge, artwork, &sprite, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);

    HDC dc = nullptr;
    display.back->GetDC(&dc);
    SetTextColor(dc, 0);
    SetBkColor(dc, 0xFFFFFF);
    SetBkMode(dc, OPAQUE);
    TextOutA(dc, 50, 20, "60FPS", 5);
    display.back->ReleaseDC(dc);

    display.back->GetDC(&dc);
    HFONT title = CreateFontA(96, 0, 0, 0, 900, 0, 0, 0, 128, 4, 0, 1, 0x12, kGothic);
    SelectObject(dc, title);
    SetTextAlign(dc, TA_CENTER);
    SetTextColor(dc, 0xFAA040);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 320, 100, "Quorvane", 8);
    display.back->ReleaseDC(dc);
    DeleteObject(title);
    display.back->GetDC(&dc);
    HFONT prompt = CreateFontA(16, 0, 0, 0, 100, 0, 0, 0, 128, 4, 0, 1, 0x12, kGothic);
    SelectObject(dc, prompt);
    SetTextAlign(dc, TA_CENTER);
    TextOutA(dc, 320, 340, "START GAME", 10);
    TextOutA(dc, 320, 360, "PRESS Z X KEY", 13);
    display.back->ReleaseDC(dc);
    DeleteObject(prompt);

    RECT whole{0, 0, 640, 480};
    display.primary->BltFast(0, 0, display.back, &whole, DDBLTFAST_WAIT);
}

TEST(FrameWork, AWarmFrameAllocatesNothing) {
    CaptureBackend backend;
    GameDisplay display;
    IDirectDrawSurface* artwork = display.OffScreen(640, 1440);
    DDCOLORKEY key{255, 255};
    artwork->SetColorKey(DDCKEY_SRCBLT, &key);
    DrawFrame(display, artwork);
    DrawFrame(display, artwork);
    const int presents = backend.presents;

    counting = true;
    for (int frame = 0; frame < 10; ++frame) {
        DrawFrame(display, artwork);
    }
    counting = false;
    EXPECT_EQ(backend.presents, presents + 10);
    // The capturing backend copies into vectors already sized.
    EXPECT_EQ(allocations, 0);
    artwork->Release();
}

} // namespace
