// Copies between surfaces: a Blt clipped to a region, rotated and scaled
// copies done in software with a colour key, and the diamond reveal.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/graphics_device.h"

// Cosine and sine of whole degrees, rounded to six decimals.
const double COSINE_TABLE[360] = {
    1.000000,  0.999848,  0.999391,  0.998630,  0.997564,  0.996195,  // 0
    0.994522,  0.992546,  0.990268,  0.987688,  0.984808,  0.981627,  // 6
    0.978148,  0.974370,  0.970296,  0.965926,  0.961262,  0.956305,  // 12
    0.951057,  0.945519,  0.939693,  0.933580,  0.927184,  0.920505,  // 18
    0.913545,  0.906308,  0.898794,  0.891007,  0.882948,  0.874620,  // 24
    0.866025,  0.857167,  0.848048,  0.838671,  0.829038,  0.819152,  // 30
    0.809017,  0.798636,  0.788011,  0.777146,  0.766044,  0.754710,  // 36
    0.743145,  0.731354,  0.719340,  0.707107,  0.694658,  0.681998,  // 42
    0.669131,  0.656059,  0.642788,  0.629320,  0.615661,  0.601815,  // 48
    0.587785,  0.573576,  0.559193,  0.544639,  0.529919,  0.515038,  // 54
    0.500000,  0.484810,  0.469472,  0.453990,  0.438371,  0.422618,  // 60
    0.406737,  0.390731,  0.374607,  0.358368,  0.342020,  0.325568,  // 66
    0.309017,  0.292372,  0.275637,  0.258819,  0.241922,  0.224951,  // 72
    0.207912,  0.190809,  0.173648,  0.156434,  0.139173,  0.121869,  // 78
    0.104528,  0.087156,  0.069756,  0.052336,  0.034899,  0.017452,  // 84
    0.000000,  -0.017452, -0.034899, -0.052336, -0.069756, -0.087156, // 90
    -0.104528, -0.121869, -0.139173, -0.156434, -0.173648, -0.190809, // 96
    -0.207912, -0.224951, -0.241922, -0.258819, -0.275637, -0.292372, // 102
    -0.309017, -0.325568, -0.342020, -0.358368, -0.374607, -0.390731, // 108
    -0.406737, -0.422618, -0.438371, -0.453990, -0.469472, -0.484810, // 114
    -0.500000, -0.515038, -0.529919, -0.544639, -0.559193, -0.573576, // 120
    -0.587785, -0.601815, -0.615661, -0.629320, -0.642788, -0.656059, // 126
    -0.669131, -0.681998, -0.694658, -0.707107, -0.719340, -0.731354, // 132
    -0.743145, -0.754710, -0.766044, -0.777146, -0.788011, -0.798636, // 138
    -0.809017, -0.819152, -0.829038, -0.838671, -0.848048, -0.857167, // 144
    -0.866025, -0.874620, -0.882948, -0.891007, -0.898794, -0.906308, // 150
    -0.913545, -0.920505, -0.927184, -0.933580, -0.939693, -0.945519, // 156
    -0.951057, -0.956305, -0.961262, -0.965926, -0.970296, -0.974370, // 162
    -0.978148, -0.981627, -0.984808, -0.987688, -0.990268, -0.992546, // 168
    -0.994522, -0.996195, -0.997564, -0.998630, -0.999391, -0.999848, // 174
    -1.000000, -0.999848, -0.999391, -0.998630, -0.997564, -0.996195, // 180
    -0.994522, -0.992546, -0.990268, -0.987688, -0.984808, -0.981627, // 186
    -0.978148, -0.974370, -0.970296, -0.965926, -0.961262, -0.956305, // 192
    -0.951057, -0.945519, -0.939693, -0.933580, -0.927184, -0.920505, // 198
    -0.913545, -0.906308, -0.898794, -0.891007, -0.882948, -0.874620, // 204
    -0.866025, -0.857167, -0.848048, -0.838671, -0.829038, -0.819152, // 210
    -0.809017, -0.798636, -0.788011, -0.777146, -0.766044, -0.754710, // 216
    -0.743145, -0.731354, -0.719340, -0.707107, -0.694658, -0.681998, // 222
    -0.669131, -0.656059, -0.642788, -0.629320, -0.615661, -0.601815, // 228
    -0.587785, -0.573576, -0.559193, -0.544639, -0.529919, -0.515038, // 234
    -0.500000, -0.484810, -0.469472, -0.453990, -0.438371, -0.422618, // 240
    -0.406737, -0.390731, -0.374607, -0.358368, -0.342020, -0.325568, // 246
    -0.309017, -0.292372, -0.275637, -0.258819, -0.241922, -0.224951, // 252
    -0.207912, -0.190809, -0.173648, -0.156434, -0.139173, -0.121869, // 258
    -0.104528, -0.087156, -0.069756, -0.052336, -0.034899, -0.017452, // 264
    0.000000,  0.017452,  0.034899,  0.052336,  0.069756,  0.087156,  // 270
    0.104528,  0.121869,  0.139173,  0.156434,  0.173648,  0.190809,  // 276
    0.207912,  0.224951,  0.241922,  0.258819,  0.275637,  0.292372,  // 282
    0.309017,  0.325568,  0.342020,  0.358368,  0.374607,  0.390731,  // 288
    0.406737,  0.422618,  0.438371,  0.453990,  0.469472,  0.484810,  // 294
    0.500000,  0.515038,  0.529919,  0.544639,  0.559193,  0.573576,  // 300
    0.587785,  0.601815,  0.615661,  0.629320,  0.642788,  0.656059,  // 306
    0.669131,  0.681998,  0.694658,  0.707107,  0.719340,  0.731354,  // 312
    0.743145,  0.754710,  0.766044,  0.777146,  0.788011,  0.798636,  // 318
    0.809017,  0.819152,  0.829038,  0.838671,  0.848048,  0.857167,  // 324
    0.866025,  0.874620,  0.882948,  0.891007,  0.898794,  0.906308,  // 330
    0.913545,  0.920505,  0.927184,  0.933580,  0.939693,  0.945519,  // 336
    0.951057,  0.956305,  0.961262,  0.965926,  0.970296,  0.974370,  // 342
    0.978148,  0.981627,  0.984808,  0.987688,  0.990268,  0.992546,  // 348
    0.994522,  0.996195,  0.997564,  0.998630,  0.999391,  0.999848,  // 354
};
const double SINE_TABLE[360] = {
    0.000000,  0.017452,  0.034899,  0.052336,  0.069756,  0.087156,  // 0
    0.104528,  0.121869,  0.139173,  0.156434,  0.173648,  0.190809,  // 6
    0.207912,  0.224951,  0.241922,  0.258819,  0.275637,  0.292372,  // 12
    0.309017,  0.325568,  0.342020,  0.358368,  0.374607,  0.390731,  // 18
    0.406737,  0.422618,  0.438371,  0.453990,  0.469472,  0.484810,  // 24
    0.500000,  0.515038,  0.529919,  0.544639,  0.559193,  0.573576,  // 30
    0.587785,  0.601815,  0.615661,  0.629320,  0.642788,  0.656059,  // 36
    0.669131,  0.681998,  0.694658,  0.707107,  0.719340,  0.731354,  // 42
    0.743145,  0.754710,  0.766044,  0.777146,  0.788011,  0.798636,  // 48
    0.809017,  0.819152,  0.829038,  0.838671,  0.848048,  0.857167,  // 54
    0.866025,  0.874620,  0.882948,  0.891007,  0.898794,  0.906308,  // 60
    0.913545,  0.920505,  0.927184,  0.933580,  0.939693,  0.945519,  // 66
    0.951057,  0.956305,  0.961262,  0.965926,  0.970296,  0.974370,  // 72
    0.978148,  0.981627,  0.984808,  0.987688,  0.990268,  0.992546,  // 78
    0.994522,  0.996195,  0.997564,  0.998630,  0.999391,  0.999848,  // 84
    1.000000,  0.999848,  0.999391,  0.998630,  0.997564,  0.996195,  // 90
    0.994522,  0.992546,  0.990268,  0.987688,  0.984808,  0.981627,  // 96
    0.978148,  0.974370,  0.970296,  0.965926,  0.961262,  0.956305,  // 102
    0.951057,  0.945519,  0.939693,  0.933580,  0.927184,  0.920505,  // 108
    0.913545,  0.906308,  0.898794,  0.891007,  0.882948,  0.874620,  // 114
    0.866025,  0.857167,  0.848048,  0.838671,  0.829038,  0.819152,  // 120
    0.809017,  0.798636,  0.788011,  0.777146,  0.766044,  0.754710,  // 126
    0.743145,  0.731354,  0.719340,  0.707107,  0.694658,  0.681998,  // 132
    0.669131,  0.656059,  0.642788,  0.629320,  0.615661,  0.601815,  // 138
    0.587785,  0.573576,  0.559193,  0.544639,  0.529919,  0.515038,  // 144
    0.500000,  0.484810,  0.469472,  0.453990,  0.438371,  0.422618,  // 150
    0.406737,  0.390731,  0.374607,  0.358368,  0.342020,  0.325568,  // 156
    0.309017,  0.292372,  0.275637,  0.258819,  0.241922,  0.224951,  // 162
    0.207912,  0.190809,  0.173648,  0.156434,  0.139173,  0.121869,  // 168
    0.104528,  0.087156,  0.069756,  0.052336,  0.034899,  0.017452,  // 174
    0.000000,  -0.017452, -0.034899, -0.052336, -0.069756, -0.087156, // 180
    -0.104528, -0.121869, -0.139173, -0.156434, -0.173648, -0.190809, // 186
    -0.207912, -0.224951, -0.241922, -0.258819, -0.275637, -0.292372, // 192
    -0.309017, -0.325568, -0.342020, -0.358368, -0.374607, -0.390731, // 198
    -0.406737, -0.422618, -0.438371, -0.453990, -0.469472, -0.484810, // 204
    -0.500000, -0.515038, -0.529919, -0.544639, -0.559193, -0.573576, // 210
    -0.587785, -0.601815, -0.615661, -0.629320, -0.642788, -0.656059, // 216
    -0.669131, -0.681998, -0.694658, -0.707107, -0.719340, -0.731354, // 222
    -0.743145, -0.754710, -0.766044, -0.777146, -0.788011, -0.798636, // 228
    -0.809017, -0.819152, -0.829038, -0.838671, -0.848048, -0.857167, // 234
    -0.866025, -0.874620, -0.882948, -0.891007, -0.898794, -0.906308, // 240
    -0.913545, -0.920505, -0.927184, -0.933580, -0.939693, -0.945519, // 246
    -0.951057, -0.956305, -0.961262, -0.965926, -0.970296, -0.974370, // 252
    -0.978148, -0.981627, -0.984808, -0.987688, -0.990268, -0.992546, // 258
    -0.994522, -0.996195, -0.997564, -0.998630, -0.999391, -0.999848, // 264
    -1.000000, -0.999848, -0.999391, -0.998630, -0.997564, -0.996195, // 270
    -0.994522, -0.992546, -0.990268, -0.987688, -0.984808, -0.981627, // 276
    -0.978148, -0.974370, -0.970296, -0.965926, -0.961262, -0.956305, // 282
    -0.951057, -0.945519, -0.939693, -0.933580, -0.927184, -0.920505, // 288
    -0.913545, -0.906308, -0.898794, -0.891007, -0.882948, -0.874620, // 294
    -0.866025, -0.857167, -0.848048, -0.838671, -0.829038, -0.819152, // 300
    -0.809017, -0.798636, -0.788011, -0.777146, -0.766044, -0.754710, // 306
    -0.743145, -0.731354, -0.719340, -0.707107, -0.694658, -0.681998, // 312
    -0.669131, -0.656059, -0.642788, -0.629320, -0.615661, -0.601815, // 318
    -0.587785, -0.573576, -0.559193, -0.544639, -0.529919, -0.515038, // 324
    -0.500000, -0.484810, -0.469472, -0.453990, -0.438371, -0.422618, // 330
    -0.406737, -0.390731, -0.374607, -0.358368, -0.342020, -0.325568, // 336
    -0.309017, -0.292372, -0.275637, -0.258819, -0.241922, -0.224951, // 342
    -0.207912, -0.190809, -0.173648, -0.156434, -0.139173, -0.121869, // 348
    -0.104528, -0.087156, -0.069756, -0.052336, -0.034899, -0.017452, // 354
};

namespace {

using Coord = std::int64_t;

// The screen size BltClipped clips to when it is given no region: read from
// the first destination surface, then kept for every later call.
bool screenSizeUnread = true;
DDSURFACEDESC screenDesc{};

// Where a rotated copy reads: a window of 2hw x 2hh source pixels, and the
// byte that image pixel (column, row) of the window lives in, or null
// outside the source.
struct RotationSource {
    Coord halfWidth;
    Coord halfHeight;

    template <class PixelAt>
    void Draw(const DDSURFACEDESC& view, LONG x, LONG y, double scale, int angle, BYTE key,
              PixelAt pixelAt) const;
};

int NormaliseDegrees(int angle) {
    const int wrapped = angle % 360;
    return wrapped < 0 ? wrapped + 360 : wrapped;
}

// Scans the square around (x, y) that the rotated window can cover, only
// where it lies in the view, maps each point back into the window (u, v
// measured from its centre) and copies what is not the key colour.
template <class PixelAt>
void RotationSource::Draw(const DDSURFACEDESC& view, LONG x, LONG y, double scale, int angle,
                          BYTE key, PixelAt pixelAt) const {
    auto* pixels = static_cast<BYTE*>(view.lpSurface);
    if (pixels == nullptr || !std::isfinite(scale) || scale <= 0 || halfWidth <= 0 ||
        halfHeight <= 0) {
        return;
    }
    const int degrees = NormaliseDegrees(angle);
    const double nc = -COSINE_TABLE[degrees];
    const double ns = -SINE_TABLE[degrees];
    const double inverse = 1.0 / scale;
    const double hw = static_cast<double>(halfWidth);
    const double hh = static_cast<double>(halfHeight);
    const double radius = std::ceil(std::sqrt(hw * hw + hh * hh)) * scale;
    const double width = static_cast<double>(view.dwWidth);
    const double height = static_cast<double>(view.dwHeight);
    // The square of side 2n + 1, clipped to the view before it is scanned.
    const double fromX = std::max(-radius, -static_cast<double>(x));
    const double toX = std::min(radius, width - 1 - x);
    const double fromY = std::max(-radius, -static_cast<double>(y));
    const double toY = std::min(radius, height - 1 - y);
    if (fromX > toX || fromY > toY) {
        return;
    }
    for (Coord dy = static_cast<Coord>(std::ceil(fromY)); dy <= static_cast<Coord>(toY); ++dy) {
        BYTE* row = pixels + (y + dy) * static_cast<Coord>(view.lPitch);
        for (Coord dx = static_cast<Coord>(std::ceil(fromX)); dx <= static_cast<Coord>(toX); ++dx) {
            const double fx = static_cast<double>(dx);
            const double fy = static_cast<double>(dy);
            const double u = std::trunc((fx * nc - fy * ns) * inverse);
            const double v = std::trunc((fx * ns + fy * nc) * inverse);
            if (!(u >= -hw && u < hw && v >= -hh && v < hh)) {
                continue;
            }
            // Window column hw - 1 - u, row hh - 1 - v: upright at angle 0.
            const BYTE* from = pixelAt(halfWidth - 1 - static_cast<Coord>(u),
                                       halfHeight - 1 - static_cast<Coord>(v));
            if (from != nullptr && *from != key) {
                row[x + dx] = *from;
            }
        }
    }
}

} // namespace

HRESULT GraphicsDevice::BltClipped(IDirectDrawSurface* dest, RECT destRect,
                                   IDirectDrawSurface* source, RECT sourceRect, DWORD flags,
                                   LPDDBLTFX fx, const RECT* clip) {
    if (dest == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (clip == nullptr && screenSizeUnread) {
        screenDesc.dwSize = sizeof screenDesc;
        screenDesc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
        const HRESULT read = dest->GetSurfaceDesc(&screenDesc);
        if (read != DD_OK) {
            return read; // try again on the next call
        }
        screenSizeUnread = false;
    }
    const RECT screen{0, 0, static_cast<LONG>(screenDesc.dwWidth),
                      static_cast<LONG>(screenDesc.dwHeight)};
    const RECT& k = clip != nullptr ? *clip : screen;

    RECT& d = destRect;
    if (d.right < k.left || k.right < d.left || d.bottom < k.top || k.bottom < d.top) {
        return DD_OK; // wholly outside: nothing to draw
    }
    // Each side cut off the destination moves the same side of the source.
    Coord srcLeft = sourceRect.left, srcTop = sourceRect.top;
    Coord srcRight = sourceRect.right, srcBottom = sourceRect.bottom;
    if (d.left < k.left) {
        srcLeft += Coord{k.left} - d.left;
        d.left = k.left;
    }
    if (k.right < d.right) {
        srcRight -= Coord{d.right} - k.right;
        d.right = k.right;
    }
    if (d.top < k.top) {
        srcTop += Coord{k.top} - d.top;
        d.top = k.top;
    }
    if (k.bottom < d.bottom) {
        srcBottom -= Coord{d.bottom} - k.bottom;
        d.bottom = k.bottom;
    }
    if (d.left >= d.right || d.top >= d.bottom) {
        return DD_OK; // only touching the region: nothing to draw
    }
    for (Coord edge : {srcLeft, srcTop, srcRight, srcBottom}) {
        if (edge < INT32_MIN || edge > INT32_MAX) {
            return DDERR_INVALIDRECT;
        }
    }
    RECT s{static_cast<LONG>(srcLeft), static_cast<LONG>(srcTop), static_cast<LONG>(srcRight),
           static_cast<LONG>(srcBottom)};
    return dest->Blt(&d, source, &s, flags, fx);
}

void GraphicsDevice::DrawRotated(const DDSURFACEDESC& view, const BITMAP& source, LONG x, LONG y,
                                 double scale, int angle, BYTE key, const RECT* sourceRect) {
    const auto* bits = static_cast<const BYTE*>(source.bmBits);
    const Coord width = source.bmWidth;
    const Coord height = source.bmHeight < 0 ? -Coord{source.bmHeight} : source.bmHeight;
    if (bits == nullptr || width <= 0 || height <= 0) {
        return;
    }
    const RECT whole{0, 0, source.bmWidth, static_cast<LONG>(height)};
    const RECT& window = sourceRect != nullptr ? *sourceRect : whole;
    const RotationSource rotation{(Coord{window.right} - window.left) / 2,
                                  (Coord{window.bottom} - window.top) / 2};
    // Rows of width bytes, stored from the bottom up when the height is
    // positive; pixels outside the bitmap are never read.
    const bool bottomUp = source.bmHeight > 0;
    rotation.Draw(view, x, y, scale, angle, key, [&](Coord column, Coord row) -> const BYTE* {
        const Coord imageX = window.left + column;
        const Coord imageY = window.top + row;
        if (imageX < 0 || imageX >= width || imageY < 0 || imageY >= height) {
            return nullptr;
        }
        const Coord storedRow = bottomUp ? height - 1 - imageY : imageY;
        return bits + storedRow * width + imageX;
    });
}

void GraphicsDevice::DrawRotatedFromBuffer(const DDSURFACEDESC& view, const BYTE* source,
                                           const RECT& rect, LONG x, LONG y, double scale,
                                           int angle, BYTE key) {
    // The buffer keeps rect.right - rect.left - 1 bytes a row and
    // rect.bottom - rect.top - 1 rows.
    const Coord rowLength = Coord{rect.right} - rect.left - 1;
    const Coord rows = Coord{rect.bottom} - rect.top - 1;
    if (source == nullptr || rowLength <= 0 || rows <= 0) {
        return;
    }
    const RotationSource rotation{(Coord{rect.right} - rect.left) / 2,
                                  (Coord{rect.bottom} - rect.top) / 2};
    rotation.Draw(view, x, y, scale, angle, key, [&](Coord column, Coord row) -> const BYTE* {
        if (column < 0 || column >= rowLength || row < 0 || row >= rows) {
            return nullptr;
        }
        return source + row * rowLength + column;
    });
}

int GraphicsDevice::DiamondReveal(const DDSURFACEDESC& dest, const DDSURFACEDESC& source, UINT cell,
                                  BYTE background, const RECT* destRect, LONG sourceX,
                                  LONG sourceY) {
    const Coord destWidth = dest.dwWidth, destHeight = dest.dwHeight;
    const RECT whole{0, 0, static_cast<LONG>(std::min<Coord>(destWidth, INT32_MAX)),
                     static_cast<LONG>(std::min<Coord>(destHeight, INT32_MAX))};
    const RECT region = destRect != nullptr ? *destRect : whole;
    const Coord width = Coord{region.right} - region.left;
    const Coord height = Coord{region.bottom} - region.top;
    if (cell == 0 || dest.lpSurface == nullptr || source.lpSurface == nullptr || region.left < 0 ||
        region.top < 0 || region.right > destWidth || region.bottom > destHeight || width <= 0 ||
        height <= 0 || sourceX < 0 || sourceY < 0 || sourceX + width > Coord{source.dwWidth} ||
        sourceY + height > Coord{source.dwHeight}) {
        return 0;
    }

    auto* pixels = static_cast<BYTE*>(dest.lpSurface);
    for (Coord row = region.top; row < region.bottom; ++row) {
        std::fill_n(pixels + row * Coord{dest.lPitch} + region.left, width, background);
    }
    const BYTE* window = static_cast<const BYTE*>(source.lpSurface) +
                         Coord{sourceY} * Coord{source.lPitch} + sourceX;
    DrawDiamondRings(dest, region, cell, 250, 0, window, source.lPitch);
    return 1;
}
