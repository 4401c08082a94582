// GDI's objects behind their handles: fonts, bitmaps and device contexts.
// A handle is a slot number with the kind of object in its low bits, so a
// stale or foreign handle is recognised, and a freed slot is reused by the
// next object of its kind without allocating.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "gdi/drawing_target.h"
#include "winapi/gdi.h"

namespace platform::gdi {

class RealizedFont;

enum class ObjectKind : std::uintptr_t { Font = 1, Bitmap = 2, DeviceContext = 3 };

template <class T, ObjectKind Kind> class HandleTable {
public:
    void* Add(T&& value) {
        std::size_t index;
        if (!freeSlots.empty()) {
            index = freeSlots.back();
            freeSlots.pop_back();
            slots[index] = std::move(value);
        } else {
            index = slots.size();
            slots.emplace_back(std::move(value));
        }
        return reinterpret_cast<void*>(((index + 1) << 4) | static_cast<std::uintptr_t>(Kind));
    }

    T* Find(const void* handle) {
        const std::size_t index = IndexOf(handle);
        return index == kNone ? nullptr : &*slots[index];
    }

    bool Remove(const void* handle) {
        const std::size_t index = IndexOf(handle);
        if (index == kNone) {
            return false;
        }
        slots[index].reset();
        freeSlots.push_back(index);
        return true;
    }

    // Objects in the table that `counts` accepts.
    template <class Counts> int CountIf(Counts counts) const {
        int n = 0;
        for (const std::optional<T>& slot : slots) {
            n += slot && counts(*slot) ? 1 : 0;
        }
        return n;
    }

private:
    static constexpr std::size_t kNone = ~std::size_t{0};

    std::size_t IndexOf(const void* handle) const {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        if ((value & 0xF) != static_cast<std::uintptr_t>(Kind)) {
            return kNone;
        }
        const std::size_t slot = value >> 4;
        if (slot == 0 || slot > slots.size() || !slots[slot - 1]) {
            return kNone;
        }
        return slot - 1;
    }

    std::vector<std::optional<T>> slots;
    std::vector<std::size_t> freeSlots;
};

struct FontObject {
    std::shared_ptr<RealizedFont> realized;
    bool stock = false;
};

// A device-independent bitmap, always stored bottom-up as Windows keeps DIB
// sections: row y from the top starts at bits + (height - 1 - y) * stride.
struct DibBitmap {
    int width = 0;
    int height = 0;
    int bitCount = 8;
    int stride = 0;
    DWORD colourCount = 0;        // entries given in the colour table
    std::vector<RGBQUAD> colours; // 2^bitCount entries for bitCount <= 8, padded with black
    std::array<DWORD, 3> masks{}; // red, green and blue bits of a 16- or 32-bit pixel
    std::vector<std::uint8_t> bits;
    int selectedInto = 0; // memory device contexts holding it
    bool stock = false;

    const std::uint8_t* Row(int y) const {
        return bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    }
    std::uint8_t* Row(int y) {
        return bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    }
};

struct DeviceContext {
    DrawingTarget* surface = nullptr; // a surface's context
    bool memory = false;              // a memory context from CreateCompatibleDC
    HBITMAP bitmap = nullptr;         // selected into a memory context
    HFONT font = nullptr;
    std::shared_ptr<RealizedFont> realized;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF backColour = RGB(255, 255, 255);
    int backMode = OPAQUE;
    UINT align = TA_LEFT | TA_TOP;
};

FontObject* FindFont(const void* handle);
DibBitmap* FindBitmap(const void* handle);
DeviceContext* FindDC(const void* handle);
HBITMAP AddBitmap(DibBitmap&& bitmap);
HFONT AddFont(FontObject&& font);
HBITMAP StockBitmap();

// What a device context draws on, as palette indices with their colours:
// a surface, or the 8-bit bitmap selected into a memory context. False for
// anything else.
bool DrawingSurfaceOf(DeviceContext& dc, PixelView& view, const PaletteColour*& colours,
                      std::vector<PaletteColour>& scratchColours);

} // namespace platform::gdi
