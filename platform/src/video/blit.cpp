#include "video/blit.h"

#include <algorithm>
#include <cstring>

namespace platform::video {
namespace {

bool Overlaps(const PixelView& a, const PixelView& b) {
    if (a.top == nullptr || b.top == nullptr) {
        return false;
    }
    auto span = [](const PixelView& v) {
        const std::uint8_t* first = v.pitch >= 0 ? v.top : v.Row(v.height - 1);
        const std::uint8_t* last =
            (v.pitch >= 0 ? v.Row(v.height - 1) : v.top) + static_cast<std::ptrdiff_t>(v.width);
        return std::pair{first, last};
    };
    const auto [a0, a1] = span(a);
    const auto [b0, b1] = span(b);
    return std::less<>{}(a0, b1) && std::less<>{}(b0, a1);
}

// One destination row: `columns[i]` is the source column of destination
// pixel i of the visible run.
void CopyRow(std::uint8_t* out, const std::uint8_t* in, const int* columns, int count,
             KeyRange sourceKey, KeyRange destKey) {
    if (!sourceKey.enabled && !destKey.enabled) {
        for (int i = 0; i < count; ++i) {
            out[i] = in[columns[i]];
        }
        return;
    }
    const std::uint8_t sLow = sourceKey.low, sHigh = sourceKey.high;
    const std::uint8_t dLow = destKey.low, dHigh = destKey.high;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t v = in[columns[i]];
        const std::uint8_t d = out[i];
        const bool skipSource = sourceKey.enabled && v >= sLow && v <= sHigh;
        const bool keepDest = destKey.enabled && !(d >= dLow && d <= dHigh);
        out[i] = (skipSource || keepDest) ? d : v;
    }
}

// The unscaled case, which every frame's background and present copies are.
void CopyRowSameSize(std::uint8_t* out, const std::uint8_t* in, int count, KeyRange sourceKey,
                     KeyRange destKey) {
    if (!sourceKey.enabled && !destKey.enabled) {
        std::memmove(out, in, static_cast<std::size_t>(count));
        return;
    }
    if (!destKey.enabled) {
        const std::uint8_t low = sourceKey.low, high = sourceKey.high;
        if (low == high) {
            for (int i = 0; i < count; ++i) {
                const std::uint8_t v = in[i];
                out[i] = v == low ? out[i] : v;
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const std::uint8_t v = in[i];
                out[i] = (v >= low && v <= high) ? out[i] : v;
            }
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const std::uint8_t v = in[i];
        const std::uint8_t d = out[i];
        const bool skipSource = sourceKey.enabled && v >= sourceKey.low && v <= sourceKey.high;
        const bool keepDest = !(d >= destKey.low && d <= destKey.high);
        out[i] = (skipSource || keepDest) ? d : v;
    }
}

} // namespace

bool ClipToView(const PixelView& view, RECT& rect) {
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
    rect.right = std::min<LONG>(rect.right, view.width);
    rect.bottom = std::min<LONG>(rect.bottom, view.height);
    return rect.left < rect.right && rect.top < rect.bottom;
}

void FillRect(const PixelView& view, RECT rect, std::uint8_t index) {
    if (!ClipToView(view, rect)) {
        return;
    }
    const auto width = static_cast<std::size_t>(rect.right - rect.left);
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        std::memset(view.Row(y) + rect.left, index, width);
    }
}

void CopyRect(const PixelView& dest, const RECT& destRect, const PixelView& source,
              const RECT& sourceRect, KeyRange sourceKey, KeyRange destKey, BlitScratch& scratch) {
    RECT visible = destRect;
    if (!ClipToView(dest, visible)) {
        return;
    }
    // Edges may lie anywhere in 32 bits: differences are taken in 64.
    const std::int64_t destWidth = std::int64_t{destRect.right} - destRect.left;
    const std::int64_t destHeight = std::int64_t{destRect.bottom} - destRect.top;
    const std::int64_t sourceWidth = std::int64_t{sourceRect.right} - sourceRect.left;
    const std::int64_t sourceHeight = std::int64_t{sourceRect.bottom} - sourceRect.top;

    // Read from a private copy when the source rows could be overwritten
    // before they are read.
    PixelView in = source;
    RECT inRect = sourceRect;
    if (Overlaps(dest, source)) {
        const auto rowBytes = static_cast<std::size_t>(sourceWidth);
        scratch.pixels.resize(rowBytes * static_cast<std::size_t>(sourceHeight));
        for (std::int64_t y = 0; y < sourceHeight; ++y) {
            std::memcpy(scratch.pixels.data() + y * sourceWidth,
                        source.Row(static_cast<int>(sourceRect.top + y)) + sourceRect.left,
                        rowBytes);
        }
        in = PixelView{scratch.pixels.data(), static_cast<int>(sourceWidth),
                       static_cast<int>(sourceHeight), static_cast<std::ptrdiff_t>(sourceWidth)};
        inRect = RECT{0, 0, static_cast<LONG>(sourceWidth), static_cast<LONG>(sourceHeight)};
    }

    const int count = static_cast<int>(visible.right - visible.left);
    const bool sameSize = destWidth == sourceWidth && destHeight == sourceHeight;
    if (sameSize) {
        // Same size as a source inside its surface, and overlapping the
        // view: the offsets are small.
        const auto dx = static_cast<LONG>(std::int64_t{inRect.left} - destRect.left);
        const auto dy = static_cast<LONG>(std::int64_t{inRect.top} - destRect.top);
        for (LONG y = visible.top; y < visible.bottom; ++y) {
            CopyRowSameSize(dest.Row(y) + visible.left, in.Row(y + dy) + visible.left + dx, count,
                            sourceKey, destKey);
        }
        return;
    }

    // Each visible destination pixel takes the source pixel its position
    // falls on in the whole (unclipped) mapping of the two rectangles.
    scratch.columns.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::int64_t offset = std::int64_t{visible.left} + i - destRect.left;
        scratch.columns[static_cast<std::size_t>(i)] =
            static_cast<int>(inRect.left + offset * sourceWidth / destWidth);
    }
    for (LONG y = visible.top; y < visible.bottom; ++y) {
        const std::int64_t sourceY =
            inRect.top + (std::int64_t{y} - destRect.top) * sourceHeight / destHeight;
        CopyRow(dest.Row(y) + visible.left, in.Row(static_cast<int>(sourceY)),
                scratch.columns.data(), count, sourceKey, destKey);
    }
}

} // namespace platform::video
