// Software drawing on locked 8-bit surfaces and plain buffers: the pen with
// its lines, elliptic arcs, the bevelled gauge and the diamond fill.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/graphics_device.h"

namespace {

// Bevel colours of the gauge: white, grey 128, grey 192.
constexpr BYTE BEVEL_LIGHT = 255;
constexpr BYTE BEVEL_DARK = 248;
constexpr BYTE BEVEL_FACE = 7;

// A slope that stands for a vertical line.
constexpr double VERTICAL_SLOPE = 1e14;
// Angle step of the arcs, in radians.
constexpr double ARC_STEP = 0.0025;

using Coord = std::int64_t; // wide enough for any difference of two LONG values

// A pixel grid: the memory of a locked surface, or a plain buffer.
struct Grid {
    BYTE* pixels;
    Coord pitch;
    Coord width;
    Coord height;

    bool Contains(Coord x, Coord y) const {
        return pixels != nullptr && x >= 0 && x < width && y >= 0 && y < height;
    }
    BYTE& At(Coord x, Coord y) const { return pixels[y * pitch + x]; }
    void Set(Coord x, Coord y, BYTE colour) const {
        if (Contains(x, y)) {
            At(x, y) = colour;
        }
    }
};

Grid GridOf(const DDSURFACEDESC& view) {
    return Grid{static_cast<BYTE*>(view.lpSurface), view.lPitch, view.dwWidth, view.dwHeight};
}

// A plain buffer keeps rect.right - rect.left - 1 bytes a row and
// rect.bottom - rect.top - 1 rows.
Grid GridOf(BYTE* buffer, const RECT& rect) {
    const Coord width = Coord{rect.right} - rect.left - 1;
    const Coord height = Coord{rect.bottom} - rect.top - 1;
    if (width <= 0 || height <= 0) {
        return Grid{nullptr, 0, 0, 0};
    }
    return Grid{buffer, width, width, height};
}

// How a line's pixels are chosen: the view rounds the y offset toward zero
// and steps in x once the accumulator reaches 1; the buffer rounds down and
// steps only past 1.
struct LineRounding {
    bool floorOffset;
    bool stepOnlyPastOne;
};

// Walks from `start` to `end` (start.x <= end.x) and hands every pixel to
// `plot`, the start first, the end last (twice when the walk reaches it).
template <class Plot>
void WalkLine(Coord startX, Coord startY, Coord endX, Coord endY, LineRounding rounding,
              Plot plot) {
    double slope;
    bool descending;
    if (startX == endX) {
        descending = endY < startY;
        slope = endY == startY ? 0.0 : (descending ? -VERTICAL_SLOPE : VERTICAL_SLOPE);
    } else {
        slope = static_cast<double>(endY - startY) / static_cast<double>(endX - startX);
        descending = slope < 0;
    }
    const bool flat = slope == 0.0;
    const bool vertical = slope == VERTICAL_SLOPE || slope == -VERTICAL_SLOPE;
    const double advance = flat ? VERTICAL_SLOPE : (vertical ? 0.0 : std::fabs(1.0 / slope));

    Coord dx = 0;
    Coord dy = 0;
    double acc = 0.0;
    for (;;) {
        plot(startX + dx, startY + dy);
        acc += advance;
        const bool stepX = rounding.stepOnlyPastOne ? acc > 1.0 : acc >= 1.0;
        if (stepX) {
            ++dx;
            acc = 0.0;
            if (!flat && !vertical) {
                const double offset = static_cast<double>(dx) * slope;
                dy = static_cast<Coord>(rounding.floorOffset ? std::floor(offset) : offset);
            }
        } else {
            dy += descending ? -1 : 1;
        }
        const bool yPassed = descending ? startY + dy < endY : startY + dy > endY;
        if (startX + dx > endX || yPassed) {
            break;
        }
    }
    plot(endX, endY);
}

void FillRow(const Grid& grid, Coord y, Coord fromX, Coord toX, BYTE colour) {
    for (Coord x = fromX; x <= toX; ++x) {
        grid.Set(x, y, colour);
    }
}

void FillColumn(const Grid& grid, Coord x, Coord fromY, Coord toY, BYTE colour) {
    for (Coord y = fromY; y <= toY; ++y) {
        grid.Set(x, y, colour);
    }
}

void FillBox(const Grid& grid, Coord left, Coord top, Coord right, Coord bottom, BYTE colour) {
    for (Coord y = top; y <= bottom; ++y) {
        FillRow(grid, y, left, right, colour);
    }
}

// The gauge's frame: a raised outer edge, a flat face and a sunken inner
// edge around the interior, four pixels wide on every side.
void DrawGaugeBevel(const Grid& g, Coord l, Coord t, Coord r, Coord b) {
    FillRow(g, t, l, r - 1, BEVEL_LIGHT);
    FillColumn(g, l, t + 1, b - 1, BEVEL_LIGHT);
    FillRow(g, b - 1, l + 1, r - 1, BEVEL_DARK);
    FillColumn(g, r - 1, t + 1, b - 2, BEVEL_DARK);
    FillRow(g, t + 1, l + 1, r - 2, BEVEL_FACE);
    FillRow(g, t + 2, l + 1, r - 2, BEVEL_FACE);
    for (Coord x : {l + 1, l + 2, r - 3, r - 2}) {
        FillColumn(g, x, t + 3, b - 2, BEVEL_FACE);
    }
    FillRow(g, b - 3, l + 3, r - 4, BEVEL_FACE);
    FillRow(g, b - 2, l + 3, r - 4, BEVEL_FACE);
    FillRow(g, t + 3, l + 3, r - 4, BEVEL_DARK);
    FillColumn(g, l + 3, t + 3, b - 4, BEVEL_DARK);
    FillColumn(g, r - 4, t + 4, b - 4, BEVEL_LIGHT);
    FillRow(g, b - 4, l + 4, r - 5, BEVEL_LIGHT);
}

// length x part / maximum, rounded down; never overflows.
Coord Share(Coord length, Coord part, Coord maximum) {
    return static_cast<Coord>(static_cast<std::uint64_t>(length) *
                              static_cast<std::uint64_t>(part) /
                              static_cast<std::uint64_t>(maximum));
}

// The interior as a run of `count` lines (columns, or rows when vertical)
// starting at `first`; Paint(from, to, colour) fills lines from..to,
// clipped to the interior.
struct GaugeInterior {
    const Grid& grid;
    Coord left, top, right, bottom; // inclusive edges
    bool vertical;

    Coord First() const { return vertical ? top : left; }
    Coord Last() const { return vertical ? bottom : right; }
    void Paint(Coord from, Coord to, BYTE colour) const {
        from = std::max(from, First());
        to = std::min(to, Last());
        if (vertical) {
            FillBox(grid, left, from, right, to, colour);
        } else {
            FillBox(grid, from, top, to, bottom, colour);
        }
    }
};

// Nearest and farthest distance, along one axis, from the cell centres
// first + i x size (i = 0 to last) to the points 0 to extent - 1.
struct Span {
    Coord nearest;
    Coord farthest;
};

Span CentreDistances(Coord first, Coord size, Coord last, Coord extent) {
    Span span{INT64_MAX, 0};
    for (Coord i = 0; i <= last; ++i) {
        const Coord c = first + i * size;
        span.nearest = std::min(span.nearest, std::max<Coord>({0, -c, c - (extent - 1)}));
        span.farthest = std::max({span.farthest, c, extent - 1 - c});
    }
    return span;
}

// The values of d for which lo <= base + sign x d <= hi (sign +1 or -1).
struct Range {
    Coord from;
    Coord to;
};

Range Solve(Coord base, int sign, Coord lo, Coord hi) {
    return sign > 0 ? Range{lo - base, hi - base} : Range{base - hi, base - lo};
}

// Writes the points of the diamond rings that fall inside a region, given
// relative to the region's top left: `colour`, or the matching source pixel.
struct RegionPlotter {
    const Grid& grid;
    Coord left, top, width, height;
    BYTE colour;
    const BYTE* source;
    Coord sourcePitch;

    void Plot(Coord px, Coord py) const {
        if (px < 0 || px >= width || py < 0 || py >= height) {
            return;
        }
        grid.At(left + px, top + py) = source != nullptr ? source[py * sourcePitch + px] : colour;
    }

    // The 4k points at distance k from (cx, cy), k = 0 the centre alone:
    // four edges (cx + sx d + ox, cy + sy d + oy) for d = 0 to k - 1, each
    // walked only where it lies inside the region.
    void Ring(Coord cx, Coord cy, Coord k) const {
        if (k == 0) {
            Plot(cx, cy);
            return;
        }
        struct Edge {
            int sx;
            Coord ox;
            int sy;
            Coord oy;
        };
        const Edge edges[4] = {{-1, 0, 1, -k}, {1, -k, 1, 0}, {1, 0, -1, k}, {-1, k, -1, 0}};
        for (const Edge& e : edges) {
            const Range alongX = Solve(cx + e.ox, e.sx, 0, width - 1);
            const Range alongY = Solve(cy + e.oy, e.sy, 0, height - 1);
            const Coord from = std::max<Coord>({0, alongX.from, alongY.from});
            const Coord to = std::min<Coord>({k - 1, alongX.to, alongY.to});
            for (Coord d = from; d <= to; ++d) {
                Plot(cx + e.ox + e.sx * d, cy + e.oy + e.sy * d);
            }
        }
    }
};

} // namespace

void GraphicsDevice::MoveTo(const DDSURFACEDESC& view, LONG x, LONG y) {
    if (x >= 0 && Coord{x} < Coord{view.dwWidth} && y >= 0 && Coord{y} < Coord{view.dwHeight}) {
        penX = x;
        penY = y;
    }
}

void GraphicsDevice::MoveToInRect(const RECT& rect, LONG x, LONG y) {
    if (rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom) {
        penX = x;
        penY = y;
    }
}

void GraphicsDevice::LineTo(const DDSURFACEDESC& view, LONG x, LONG y, BYTE colour) {
    const Grid grid = GridOf(view);
    if (!grid.Contains(x, y)) {
        return;
    }
    // The pen may have been placed for another view, or set directly.
    if (grid.Contains(penX, penY)) {
        const bool penFirst = penX < x;
        const Coord sx = penFirst ? penX : x, sy = penFirst ? penY : y;
        const Coord ex = penFirst ? x : penX, ey = penFirst ? y : penY;
        WalkLine(sx, sy, ex, ey, LineRounding{false, false},
                 [&](Coord px, Coord py) { grid.Set(px, py, colour); });
    }
    MoveTo(view, x, y);
}

void GraphicsDevice::LineToInBuffer(BYTE* buffer, const RECT& rect, LONG x, LONG y, BYTE colour) {
    const Grid grid = GridOf(buffer, rect);
    if (!grid.Contains(x, y)) {
        return;
    }
    if (grid.Contains(penX, penY)) {
        const bool penFirst = penX < x;
        const Coord sx = penFirst ? penX : x, sy = penFirst ? penY : y;
        const Coord ex = penFirst ? x : penX, ey = penFirst ? y : penY;
        // The buffer's lines are walked with y counted upwards; the pixels
        // land back in its rows.
        WalkLine(sx, -sy, ex, -ey, LineRounding{true, true},
                 [&](Coord px, Coord up) { grid.Set(px, -up, colour); });
    }
    MoveToInRect(rect, x, y);
}

void GraphicsDevice::DrawArc(const DDSURFACEDESC& view, const RECT& box, double start, double end,
                             BYTE colour) {
    if (!std::isfinite(start) || !std::isfinite(end)) {
        return;
    }
    if (end < start) {
        std::swap(start, end);
    }
    const Grid grid = GridOf(view);
    const Coord rx = (Coord{box.right} - box.left) / 2;
    const Coord ry = (Coord{box.bottom} - box.top) / 2;
    const double centreX = static_cast<double>(box.left + rx);
    const double centreY = static_cast<double>(box.top + ry);
    for (double t = start;;) {
        const double x = std::trunc(std::cos(t) * static_cast<double>(rx) + centreX);
        const double y = std::trunc(std::sin(t) * static_cast<double>(ry) + centreY);
        if (x >= 0 && x < static_cast<double>(grid.width) && y >= 0 &&
            y < static_cast<double>(grid.height)) {
            grid.Set(static_cast<Coord>(x), static_cast<Coord>(y), colour);
        }
        const double next = t + ARC_STEP;
        if (next == t || !(start <= next && next <= end)) {
            break; // an angle so large that the step no longer moves it ends the arc too
        }
        t = next;
    }
}

void GraphicsDevice::DrawArcInBuffer(BYTE* buffer, const RECT& rect, double start, double end,
                                     BYTE colour) {
    if (!std::isfinite(start) || !std::isfinite(end)) {
        return;
    }
    if (end < start) {
        std::swap(start, end);
    }
    const Grid grid = GridOf(buffer, rect);
    const Coord rx = (Coord{rect.right} - rect.left) / 2;
    const Coord ry = (Coord{rect.bottom} - rect.top) / 2;
    const double centreX = static_cast<double>(rect.left + rx);
    const double centreY = static_cast<double>(rect.top + ry - 1);
    for (double t = start;;) {
        // Angles run anticlockwise: the buffer's y grows downwards.
        const double x = std::trunc(std::cos(t) * static_cast<double>(rx) + centreX);
        const double y = std::trunc(-std::sin(t) * static_cast<double>(ry) + centreY);
        if (x >= 0 && x < static_cast<double>(grid.width) && y >= 0 &&
            y < static_cast<double>(grid.height)) {
            grid.Set(static_cast<Coord>(x), static_cast<Coord>(y), colour);
        }
        const double next = t + ARC_STEP;
        if (next == t || !(start < next && next < end)) {
            break;
        }
        t = next;
    }
}

int GraphicsDevice::DrawGauge(const DDSURFACEDESC& view, LONG maximum, LONG value, const RECT& rect,
                              BYTE fillColour, BYTE emptyColour, BYTE centreColour, DWORD flags) {
    const Grid grid = GridOf(view);
    const Coord l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const Coord w = r - l, h = b - t;
    const bool centred = (flags & GAUGE_CENTRED) != 0;
    const bool vertical = (flags & GAUGE_VERTICAL) != 0;
    const bool reversed = (flags & GAUGE_REVERSED) != 0;
    if (grid.pixels == nullptr || l < 0 || t < 0 || r > grid.width || b > grid.height || w < 9 ||
        h < 9 || maximum <= 0 || value > maximum || value < -maximum || (value < 0 && !centred)) {
        return 0;
    }

    DrawGaugeBevel(grid, l, t, r, b);
    const GaugeInterior interior{grid, l + 4, t + 4, r - 5, b - 5, vertical};
    interior.Paint(interior.First(), interior.Last(), emptyColour);
    const Coord max = maximum;
    const Coord val = value;

    if (!centred) {
        const Coord length = (vertical ? h : w) - 8;
        // Horizontal bars grow from the left, vertical ones from the bottom;
        // the reversed flag makes them grow from the other end.
        const bool fromFirst = vertical == reversed;
        if (fromFirst) {
            const Coord filled = Share(length, val, max);
            interior.Paint(interior.First(), interior.First() + filled - 1, fillColour);
        } else {
            const Coord empty = Share(length, max - val, max);
            interior.Paint(interior.First() + empty, interior.Last(), fillColour);
        }
        return 1;
    }

    const Coord half = (vertical ? h : w) / 2;
    const Coord centreLine = (vertical ? t : l) + half;
    if (val < 0) {
        const Coord filled = Share(half - 4, -val, max);
        interior.Paint(centreLine + 1, centreLine + filled, fillColour);
    } else {
        const Coord from = (vertical ? t : l) + 4 + Share(half - 4, max - val, max);
        interior.Paint(from, centreLine - 1, fillColour);
    }
    interior.Paint(centreLine, centreLine, centreColour);
    return 1;
}

int GraphicsDevice::DiamondFill(const DDSURFACEDESC& view, UINT cell, BYTE colour,
                                const RECT* rect) {
    const Grid grid = GridOf(view);
    const RECT whole{0, 0, static_cast<LONG>(std::min<Coord>(grid.width, INT32_MAX)),
                     static_cast<LONG>(std::min<Coord>(grid.height, INT32_MAX))};
    const RECT region = rect != nullptr ? *rect : whole;
    if (cell == 0 || grid.pixels == nullptr || region.left < 0 || region.top < 0 ||
        region.right > grid.width || region.bottom > grid.height || region.right <= region.left ||
        region.bottom <= region.top) {
        return 0;
    }
    DrawDiamondRings(view, region, cell, 500, colour, nullptr, 0);
    return 1;
}

void GraphicsDevice::DrawDiamondRings(const DDSURFACEDESC& view, const RECT& region, UINT cell,
                                      DWORD waitBudget, BYTE colour, const BYTE* source,
                                      LONG sourcePitch) {
    const Grid grid = GridOf(view);
    const Coord width = Coord{region.right} - region.left;
    const Coord height = Coord{region.bottom} - region.top;
    const Coord size = cell;
    const Coord half = size / 2;
    const Coord firstCentre = half - 1;
    // Signed: a region narrower than half a cell still gets its one column
    // (and row) of cells beyond it, whose diamonds reach in.
    const Coord lastI = (width - half) / size + 1;
    const Coord lastJ = (height - half) / size + 1;
    const DWORD wait = waitBudget / cell;

    // Rings closer than the nearest or wider than the farthest distance
    // from any centre to the region draw nothing.
    const Span xs = CentreDistances(firstCentre, size, lastI, width);
    const Span ys = CentreDistances(firstCentre, size, lastJ, height);
    const Coord nearest = xs.nearest + ys.nearest;
    const Coord farthest = xs.farthest + ys.farthest;

    const RegionPlotter plot{grid,   region.left, region.top, width,
                             height, colour,      source,     sourcePitch};
    // Without waits only the rings that draw are worth visiting: a huge cell
    // would otherwise mean billions of empty rings.
    const Coord firstRing = wait == 0 ? std::max<Coord>(0, nearest) : 0;
    const Coord lastRing = wait == 0 ? std::min(size, farthest) : size;
    for (Coord k = firstRing; k <= lastRing; ++k) {
        Sleep(wait);
        if (k < nearest || k > farthest) {
            continue;
        }
        for (Coord i = 0; i <= lastI; ++i) {
            for (Coord j = 0; j <= lastJ; ++j) {
                plot.Ring(i * size + firstCentre, j * size + firstCentre, k);
            }
        }
    }
}
