// Device contexts and the object handles selected into them.
#include <algorithm>
#include <cstring>

#include "gdi/fonts.h"
#include "gdi/objects.h"
#include "platform/faults.h"
#include "platform/gdi.h"
#include "platform/lifetimes.h"

namespace platform::gdi {
namespace {

HandleTable<FontObject, ObjectKind::Font>& FontTable() {
    static HandleTable<FontObject, ObjectKind::Font> table;
    return table;
}
HandleTable<DibBitmap, ObjectKind::Bitmap>& BitmapTable() {
    static HandleTable<DibBitmap, ObjectKind::Bitmap> table;
    return table;
}
HandleTable<DeviceContext, ObjectKind::DeviceContext>& DCTable() {
    static HandleTable<DeviceContext, ObjectKind::DeviceContext> table;
    return table;
}

// The font handle a fresh device context has selected.
HFONT StockFont() {
    static const HFONT font = static_cast<HFONT>(FontTable().Add(FontObject{DefaultFont(), true}));
    return font;
}

DeviceContext FreshContext() {
    DeviceContext dc;
    dc.font = StockFont();
    dc.realized = FindFont(dc.font)->realized;
    return dc;
}

} // namespace

FontObject* FindFont(const void* handle) {
    return FontTable().Find(handle);
}
DibBitmap* FindBitmap(const void* handle) {
    return BitmapTable().Find(handle);
}
DeviceContext* FindDC(const void* handle) {
    return DCTable().Find(handle);
}

HBITMAP AddBitmap(DibBitmap&& bitmap) {
    return static_cast<HBITMAP>(BitmapTable().Add(std::move(bitmap)));
}

HFONT AddFont(FontObject&& font) {
    return static_cast<HFONT>(FontTable().Add(std::move(font)));
}

// A memory context starts with a 1 x 1 monochrome bitmap, as on Windows.
HBITMAP StockBitmap() {
    static const HBITMAP bitmap = [] {
        DibBitmap b;
        b.width = 1;
        b.height = 1;
        b.bitCount = 1;
        b.stride = 4;
        b.colourCount = 2;
        b.colours = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
        b.bits.assign(4, 0);
        b.stock = true;
        return AddBitmap(std::move(b));
    }();
    return bitmap;
}

bool DrawingSurfaceOf(DeviceContext& dc, PixelView& view, const PaletteColour*& colours,
                      std::vector<PaletteColour>& scratchColours) {
    if (dc.surface != nullptr) {
        view = dc.surface->Pixels();
        colours = dc.surface->Colours();
        return true;
    }
    DibBitmap* bitmap = dc.memory ? FindBitmap(dc.bitmap) : nullptr;
    if (bitmap == nullptr || bitmap->bitCount != 8 || bitmap->stock) {
        return false;
    }
    view = PixelView{bitmap->Row(0), bitmap->width, bitmap->height,
                     -static_cast<std::ptrdiff_t>(bitmap->stride)};
    scratchColours.assign(256, PaletteColour{0, 0, 0});
    for (std::size_t i = 0; i < bitmap->colours.size() && i < 256; ++i) {
        const RGBQUAD& q = bitmap->colours[i];
        scratchColours[i] = PaletteColour{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    colours = scratchColours.data();
    return true;
}

HDC OpenSurfaceDC(DrawingTarget* target) {
    DeviceContext dc = FreshContext();
    dc.surface = target;
    return static_cast<HDC>(DCTable().Add(std::move(dc)));
}

bool CloseSurfaceDC(HDC handle, DrawingTarget* target) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr || dc->surface != target) {
        return false;
    }
    return DCTable().Remove(handle);
}

} // namespace platform::gdi

namespace platform {

int GdiObjects() {
    using namespace gdi;
    const auto made = [](const auto& object) { return !object.stock; };
    return FontTable().CountIf(made) + BitmapTable().CountIf(made) +
           DCTable().CountIf([](const DeviceContext&) { return true; });
}

} // namespace platform

using namespace platform::gdi;

HDC WINAPI CreateCompatibleDC(HDC reference) {
    if (platform::TakeFault("CreateCompatibleDC")) {
        return nullptr;
    }
    if (reference != nullptr && FindDC(reference) == nullptr) {
        return nullptr;
    }
    DeviceContext dc = FreshContext();
    dc.memory = true;
    dc.bitmap = StockBitmap();
    return static_cast<HDC>(DCTable().Add(std::move(dc)));
}

BOOL WINAPI DeleteDC(HDC handle) {
    DeviceContext* dc = FindDC(handle);
    // A surface's context goes back through IDirectDrawSurface::ReleaseDC.
    if (dc == nullptr || !dc->memory) {
        return FALSE;
    }
    if (DibBitmap* bitmap = FindBitmap(dc->bitmap)) {
        bitmap->selectedInto = std::max(0, bitmap->selectedInto - 1);
    }
    return DCTable().Remove(handle) ? TRUE : FALSE;
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr) {
        return nullptr;
    }
    if (FontObject* font = FindFont(object)) {
        HGDIOBJ previous = dc->font;
        dc->font = static_cast<HFONT>(object);
        dc->realized = font->realized;
        return previous;
    }
    if (DibBitmap* bitmap = FindBitmap(object)) {
        // Bitmaps go into memory contexts only, one context at a time.
        if (!dc->memory || (bitmap->selectedInto > 0 && dc->bitmap != object && !bitmap->stock)) {
            return nullptr;
        }
        HGDIOBJ previous = dc->bitmap;
        if (previous == object) {
            return previous;
        }
        if (DibBitmap* old = FindBitmap(previous)) {
            old->selectedInto = std::max(0, old->selectedInto - 1);
        }
        ++bitmap->selectedInto;
        dc->bitmap = static_cast<HBITMAP>(object);
        return previous;
    }
    return nullptr;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (FontObject* font = FindFont(object)) {
        // Stock objects stay; deleting them is harmless. A context that still
        // has the font selected keeps drawing with it.
        return font->stock || FontTable().Remove(object) ? TRUE : FALSE;
    }
    if (DibBitmap* bitmap = FindBitmap(object)) {
        if (bitmap->stock) {
            return TRUE;
        }
        if (bitmap->selectedInto > 0) {
            return FALSE; // still selected into a memory context
        }
        return BitmapTable().Remove(object) ? TRUE : FALSE;
    }
    return FALSE;
}

UINT WINAPI SetTextAlign(HDC handle, UINT align) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr) {
        return GDI_ERROR;
    }
    const UINT previous = dc->align;
    dc->align = align;
    return previous;
}

COLORREF WINAPI SetTextColor(HDC handle, COLORREF colour) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->textColour;
    dc->textColour = colour;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC handle, COLORREF colour) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->backColour;
    dc->backColour = colour;
    return previous;
}

int WINAPI SetBkMode(HDC handle, int mode) {
    DeviceContext* dc = FindDC(handle);
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    const int previous = dc->backMode;
    dc->backMode = mode;
    return previous;
}

platform::FontInUse platform::FontOf(HDC handle) {
    const DeviceContext* dc = FindDC(handle);
    if (dc == nullptr || dc->realized == nullptr) {
        return {};
    }
    const RealizedFont& font = *dc->realized;
    return {font.Family(),  font.Height(),       font.Ascent(),
            font.Descent(), font.AverageWidth(), font.Weight()};
}
