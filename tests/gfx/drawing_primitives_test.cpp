// The pen, lines, arcs, the gauge and the diamond fill, pixel by pixel.
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <sstream>
#include <vector>

#include "canvas.h"
#include "gfx/graphics_device.h"

namespace {

using Picture = std::vector<std::string>;

constexpr BYTE INK = 9;
const std::string INK_LEGEND = Legend({{'#', INK}});

// A buffer as the buffer variants take it: rect.right - rect.left - 1 bytes
// a row, rect.bottom - rect.top - 1 rows, and not a byte more, so that the
// address sanitizer sees any access past it.
struct Buffer {
    explicit Buffer(RECT rect)
        : rect(rect), pixels(rect.right - rect.left - 1, rect.bottom - rect.top - 1, 0, 0),
          bytes(pixels.memory) {}

    Picture Drawn() const { return pixels.Picture(0, INK_LEGEND); }

    RECT rect;
    Canvas pixels;
    std::vector<BYTE>& bytes;
};

using Pen = std::pair<LONG, LONG>;

class Drawing : public ::testing::Test {
protected:
    GraphicsDevice device;

    Pen PenAt() const { return {device.penX, device.penY}; }

    Picture Line(Canvas& canvas, POINT from, POINT to) {
        device.MoveTo(canvas.view, from.x, from.y);
        device.LineTo(canvas.view, to.x, to.y, INK);
        EXPECT_TRUE(canvas.PaddingUntouched());
        return canvas.Picture(0, INK_LEGEND);
    }

    Picture Arc(int width, int height, RECT box, double start, double end) {
        Canvas canvas(width, height);
        device.DrawArc(canvas.view, box, start, end, INK);
        EXPECT_TRUE(canvas.PaddingUntouched());
        return canvas.Picture(0, INK_LEGEND);
    }

    Picture BufferLine(POINT from, POINT to) {
        Buffer buffer(RECT{0, 0, 7, 6}); // 6 x 5
        device.MoveToInRect(buffer.rect, from.x, from.y);
        device.LineToInBuffer(buffer.bytes.data(), buffer.rect, to.x, to.y, INK);
        return buffer.Drawn();
    }
};

// ---------------------------------------------------------------------------
// The pen and lines on a surface.
// ---------------------------------------------------------------------------

TEST_F(Drawing, PenStartsAtTheOriginAndMovesOnlyInsideTheViewOrRectangle) {
    Canvas canvas(10, 8);
    EXPECT_EQ(PenAt(), (Pen{0, 0}));
    device.MoveTo(canvas.view, 9, 7);
    EXPECT_EQ(PenAt(), (Pen{9, 7}));
    for (POINT outside : {POINT{10, 0}, POINT{0, 8}, POINT{-1, 3}, POINT{3, -1}}) {
        device.MoveTo(canvas.view, outside.x, outside.y);
        EXPECT_EQ(PenAt(), (Pen{9, 7}));
    }
    // A rectangle's pen takes both of its edges.
    const RECT rect{2, 3, 6, 8};
    device.MoveToInRect(rect, 6, 8);
    EXPECT_EQ(PenAt(), (Pen{6, 8}));
    device.MoveToInRect(rect, 2, 3);
    EXPECT_EQ(PenAt(), (Pen{2, 3}));
    device.MoveToInRect(rect, 1, 5);
    device.MoveToInRect(rect, 4, 9);
    EXPECT_EQ(PenAt(), (Pen{2, 3}));
}

TEST_F(Drawing, LinesSetTheSamePixelsDrawnFromEitherEnd) {
    // Shallow lines take one column a step, steep ones one row a step, the
    // row offset cut toward zero; the pen ends on the line's end.
    struct Case {
        int width, height;
        POINT from, to;
        const char* picture;
    };
    const Case cases[] = {
        {6, 3, {1, 1}, {4, 1}, "...... .####. ......"},
        {3, 6, {1, 1}, {1, 4}, "... .#. .#. .#. .#. ..."},
        {4, 3, {2, 1}, {2, 1}, ".... ..#. ...."}, // a line to the pen: one pixel
        {5, 3, {0, 0}, {4, 2}, "##... ..##. ....#"},
        {3, 5, {0, 0}, {2, 4}, "#.. #.. .#. .#. ..#"},
        {5, 3, {0, 2}, {4, 0}, "....# ..##. ##..."},
        {3, 5, {0, 4}, {2, 0}, "..# .#. .#. #.. #.."},
        {4, 4, {0, 0}, {3, 3}, "#... .#.. ..#. ...#"},
    };
    for (const Case& c : cases) {
        Canvas forward(c.width, c.height), backward(c.width, c.height);
        EXPECT_EQ(Line(forward, c.from, c.to), Rows(c.picture)) << c.picture;
        EXPECT_EQ(Line(backward, c.to, c.from), Rows(c.picture)) << "backwards " << c.picture;
        EXPECT_EQ(PenAt(), (Pen{c.from.x, c.from.y}));
    }
}

TEST_F(Drawing, LineEndOutsideTheViewDrawsNothingAndKeepsThePen) {
    Canvas canvas(5, 5);
    device.MoveTo(canvas.view, 2, 2);
    for (POINT end : {POINT{5, 2}, POINT{2, 5}, POINT{-1, 0}, POINT{0, -1}}) {
        device.LineTo(canvas.view, end.x, end.y, INK);
    }
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Picture(5, "....."));
    EXPECT_EQ(PenAt(), (Pen{2, 2}));
}

TEST_F(Drawing, APenOutsideTheViewDrawsNothingButMovesToTheEnd) {
    Canvas large(40, 40), small(5, 5);
    device.MoveTo(large.view, 30, 30); // placed for another, larger view
    device.LineTo(small.view, 1, 1, INK);
    EXPECT_EQ(small.Picture(0, INK_LEGEND), Picture(5, "....."));
    EXPECT_TRUE(small.PaddingUntouched());
    EXPECT_EQ(PenAt(), (Pen{1, 1}));
    device.LineTo(small.view, 3, 1, INK);
    EXPECT_EQ(small.Picture(0, INK_LEGEND)[1], ".###.");
}

// ---------------------------------------------------------------------------
// Lines in a plain buffer: rows of rect width - 1 bytes, the pixels rounded
// the other way vertically, a column step only once the accumulator passes 1.
// ---------------------------------------------------------------------------

TEST_F(Drawing, BufferLinesRoundTheirRowsTheOtherWay) {
    struct Case {
        POINT from, to;
        const char* picture;
    };
    const Case cases[] = {
        {{1, 2}, {4, 2}, "...... ...... .####. ...... ......"},
        {{3, 1}, {3, 3}, "...... ...#.. ...#.. ...#.. ......"},
        {{5, 4}, {5, 4}, "...... ...... ...... ...... .....#"},
        {{0, 0}, {4, 2}, "#..... .##... ...##. ...... ......"},
        {{0, 0}, {2, 4}, "#..... #..... ##.... .#.... .##..."},
        {{0, 4}, {2, 0}, ".##... .#.... ##.... #..... #....."},
        // A step of exactly 1 is not yet a column step: 45 degrees is a stair.
        {{0, 0}, {3, 3}, "#..... ##.... .##... ..##.. ......"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BufferLine(c.from, c.to), Rows(c.picture)) << c.picture;
        EXPECT_EQ(BufferLine(c.to, c.from), Rows(c.picture)) << "backwards " << c.picture;
    }
}

TEST_F(Drawing, BufferLinesStayInsideTheBuffer) {
    Buffer buffer(RECT{0, 0, 7, 6}); // 6 columns, 5 rows
    device.MoveToInRect(buffer.rect, 0, 0);
    // The last column and row are 5 and 4: one further is past the buffer.
    device.LineToInBuffer(buffer.bytes.data(), buffer.rect, 6, 0, INK);
    device.LineToInBuffer(buffer.bytes.data(), buffer.rect, 0, 5, INK);
    EXPECT_EQ(buffer.Drawn(), Picture(5, "......"));
    // The rectangle lets the pen move to its right edge, which lies past the
    // buffer's last column: from there nothing is drawn.
    device.MoveToInRect(buffer.rect, 7, 0);
    ASSERT_EQ(device.penX, 7);
    device.LineToInBuffer(buffer.bytes.data(), buffer.rect, 0, 0, INK);
    EXPECT_EQ(buffer.Drawn(), Picture(5, "......"));
    EXPECT_EQ(device.penX, 0);
}

TEST_F(Drawing, BufferPenMovesOnlyWithinTheRectangleItself) {
    Buffer buffer(RECT{2, 0, 9, 6}); // rows of 6 bytes; the rectangle starts at x 2
    device.penX = 3;
    device.penY = 0;
    device.LineToInBuffer(buffer.bytes.data(), buffer.rect, 1, 0, INK);
    EXPECT_EQ(buffer.Drawn()[0], ".###..");
    EXPECT_EQ(device.penX, 3); // x 1 lies left of the rectangle
    device.LineToInBuffer(buffer.bytes.data(), buffer.rect, 5, 0, INK);
    EXPECT_EQ(buffer.Drawn()[0], ".#####");
    EXPECT_EQ(device.penX, 5);
}

TEST_F(Drawing, DegenerateBufferRectanglesDrawNothing) {
    std::vector<BYTE> bytes(4, 0);
    device.LineToInBuffer(bytes.data(), RECT{0, 0, 1, 5}, 0, 0, INK);
    device.LineToInBuffer(bytes.data(), RECT{5, 5, 0, 0}, 0, 0, INK);
    EXPECT_EQ(bytes, std::vector<BYTE>(4, 0));
}

// ---------------------------------------------------------------------------
// Arcs.
// ---------------------------------------------------------------------------

TEST_F(Drawing, ArcOnAViewRunsClockwiseFromTheRightAndIncludesItsEnd) {
    constexpr double pi = std::numbers::pi;
    EXPECT_EQ(Arc(9, 5, RECT{0, 0, 8, 4}, 0.0, 2 * pi),
              Rows("########. #......#. #......## ########. ........."));
    const Picture quarter = Arc(9, 5, RECT{0, 0, 8, 4}, 0.0, pi / 2);
    EXPECT_EQ(quarter, Rows("......... ......... .......## ....####. ........."));
    EXPECT_EQ(Arc(9, 5, RECT{0, 0, 8, 4}, pi / 2, 0.0), quarter);
    EXPECT_EQ(Arc(10, 6, RECT{0, 0, 10, 6}, 0.0, 2 * pi),
              Rows(".########. ##......## #........# #........# ##......## .########."));
}

TEST_F(Drawing, ArcEndsAreInclusiveOnAViewAndExclusiveInABuffer) {
    // A radius of 1000 moves the point by a whole pixel in one step of
    // 0.0025: at angle 0 x is 10, one step later 9.
    Canvas canvas(12, 12);
    device.DrawArc(canvas.view, RECT{-1990, 0, 10, 10}, 0.0, 0.0025, INK);
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND)[5], ".........##.");

    Buffer buffer(RECT{-1990, 0, 10, 10});
    device.DrawArcInBuffer(buffer.bytes.data(), buffer.rect, 0.0, 0.0025, INK);
    EXPECT_EQ(buffer.bytes[4 * buffer.pixels.width + 10], INK);
    EXPECT_EQ(std::count(buffer.bytes.begin(), buffer.bytes.end(), INK), 1);
    device.DrawArcInBuffer(buffer.bytes.data(), buffer.rect, 0.0, 0.0026, INK);
    EXPECT_EQ(buffer.bytes[3 * buffer.pixels.width + 9], INK);
    EXPECT_EQ(std::count(buffer.bytes.begin(), buffer.bytes.end(), INK), 2);
}

TEST_F(Drawing, ArcInABufferRunsAnticlockwise) {
    constexpr double pi = std::numbers::pi;
    Buffer full(RECT{0, 0, 9, 5}), quarter(RECT{0, 0, 9, 5}); // 8 x 4 bytes
    device.DrawArcInBuffer(full.bytes.data(), full.rect, 0.0, 2 * pi, INK);
    // x 8 (angle 0) and the row below the box's last are past the buffer.
    EXPECT_EQ(full.Drawn(), Rows("######## #......# ######## ........"));
    device.DrawArcInBuffer(quarter.bytes.data(), quarter.rect, pi / 2, 0.0, INK);
    EXPECT_EQ(quarter.Drawn(), Rows("....#### ........ ........ ........"));
}

TEST_F(Drawing, ArcsAreClippedToTheViewAndRefuseEndlessAngles) {
    // Only the quarter with x and y from 0 up lies in the view.
    EXPECT_EQ(Arc(6, 6, RECT{-6, -6, 6, 6}, 0.0, 7.0),
              Rows(".....# .....# .....# ....## ...##. ####.."));

    Canvas untouched(6, 6);
    device.DrawArc(untouched.view, RECT{0, 0, 4, 4}, 0.0, INFINITY, INK);
    device.DrawArc(untouched.view, RECT{0, 0, 4, 4}, NAN, 1.0, INK);
    Buffer buffer(RECT{0, 0, 5, 5});
    device.DrawArcInBuffer(buffer.bytes.data(), buffer.rect, -INFINITY, 0.0, INK);
    EXPECT_EQ(untouched.Picture(0, INK_LEGEND), Picture(6, "......"));
    EXPECT_EQ(buffer.Drawn(), Picture(4, "...."));
    // So far from zero that a step does not change the angle: one point.
    device.DrawArc(untouched.view, RECT{0, 0, 4, 4}, 1e17, 2e17, INK);
    EXPECT_LE(std::count(untouched.memory.begin(), untouched.memory.end(), INK), 1);
}

// ---------------------------------------------------------------------------
// The gauge.
// ---------------------------------------------------------------------------

constexpr BYTE FILL = 10;
constexpr BYTE EMPTY = 20;
constexpr BYTE CENTRE = 30;

// "50e 1c 25f" is 50 e's, a c and 25 f's.
std::string Runs(const std::string& pattern) {
    std::istringstream in(pattern);
    std::string out;
    int count = 0;
    for (char symbol = 0; in >> count >> symbol;) {
        out.append(static_cast<std::size_t>(count), symbol);
    }
    return out;
}

class Gauge : public Drawing {
protected:
    // A 108 x 20 gauge at (2, 1): interior columns 6 to 105, rows 5 to 16.
    Canvas canvas{112, 23};
    const RECT rect{2, 1, 110, 21};

    int Draw(LONG maximum, LONG value, DWORD flags, RECT where) {
        return device.DrawGauge(canvas.view, maximum, value, where, FILL, EMPTY, CENTRE, flags);
    }
    bool CanvasBlank() { return canvas.Picture(0, "") == Picture(23, std::string(112, '.')); }
};

TEST_F(Gauge, BevelAroundASinglePixelInterior) {
    Canvas small(9, 9);
    ASSERT_EQ(device.DrawGauge(small.view, 10, 10, RECT{0, 0, 9, 9}, FILL, EMPTY, CENTRE, 0), 1);
    EXPECT_EQ(small.Picture(0, Legend({{'W', 255}, {'D', 248}, {'F', 7}, {'i', FILL}})),
              Rows("WWWWWWWWW WFFFFFFFD WFFFFFFFD WFFDDDFFD WFFDiWFFD WFFDWWFFD WFFFFFFFD "
                   "WFFFFFFFD WDDDDDDDD"));
}

TEST_F(Gauge, EveryInteriorRowOrColumnShowsTheBar) {
    // Interior rows and columns run from 4 inside the rectangle's top left
    // to 5 inside its bottom right. The tall gauge's centre row is T + 20.
    const RECT wide{2, 1, 110, 21}, tall{2, 1, 22, 41};
    struct Case {
        RECT where;
        LONG maximum, value;
        DWORD flags;
        const char* bar; // along the bar: left to right, or top to bottom
    };
    const Case cases[] = {
        {wide, 100, 50, 0, "50f 50e"},
        {wide, 100, 30, GAUGE_REVERSED, "70e 30f"},
        {wide, 100, 25, GAUGE_VERTICAL, "9e 3f"},
        {wide, 100, 25, GAUGE_VERTICAL | GAUGE_REVERSED, "3f 9e"},
        // Centred: the centre line at L + 54 (interior index 50); the
        // reversed flag is ignored.
        {wide, 100, -50, GAUGE_CENTRED, "50e 1c 25f 24e"},
        {wide, 100, 50, GAUGE_CENTRED | GAUGE_REVERSED, "25e 25f 1c 49e"},
        {wide, 100, 0, GAUGE_CENTRED, "50e 1c 49e"},
        // Half the width less 4 is 50 columns, one more than lie right of the
        // centre line: the fill stops at the interior's edge.
        {wide, 100, -100, GAUGE_CENTRED, "50e 1c 49f"},
        {tall, 100, -50, GAUGE_CENTRED | GAUGE_VERTICAL, "16e 1c 8f 7e"},
        {tall, 100, 50, GAUGE_CENTRED | GAUGE_VERTICAL, "8e 8f 1c 15e"},
        // Lengths of huge values do not overflow.
        {wide, INT_MAX, INT_MAX - 1, 0, "99f 1e"},
        {wide, INT_MAX, INT_MAX, 0, "100f"},
        {wide, INT_MAX, -INT_MAX, GAUGE_CENTRED, "50e 1c 49f"},
    };
    const auto symbol = [](BYTE value) {
        return value == FILL ? 'f' : value == EMPTY ? 'e' : value == CENTRE ? 'c' : '?';
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " of " << c.maximum << " flags " << c.flags);
        const RECT& r = c.where;
        Canvas canvas(112, 45);
        ASSERT_EQ(
            device.DrawGauge(canvas.view, c.maximum, c.value, r, FILL, EMPTY, CENTRE, c.flags), 1);
        const bool vertical = c.flags & GAUGE_VERTICAL;
        const int across = vertical ? r.left : r.top, along = vertical ? r.top : r.left;
        const int acrossEnd = vertical ? r.right : r.bottom,
                  alongEnd = vertical ? r.bottom : r.right;
        for (int a = across + 4; a <= acrossEnd - 5; ++a) {
            std::string bar;
            for (int b = along + 4; b <= alongEnd - 5; ++b) {
                bar += symbol(vertical ? canvas(a, b) : canvas(b, a));
            }
            ASSERT_EQ(bar, Runs(c.bar)) << (vertical ? "column " : "row ") << a;
        }
        EXPECT_EQ(canvas(r.left, r.top), 255);
        EXPECT_EQ(canvas(r.right - 1, r.bottom - 1), 248);
        EXPECT_EQ(canvas(r.right - 4, r.top + 4), 255) << "the bevel inside the interior's edge";
        EXPECT_EQ(canvas(r.left - 1, r.top), 0);
        EXPECT_EQ(canvas(r.right, r.top + 4), 0);
        EXPECT_EQ(canvas(r.left + 4, r.bottom), 0);
        EXPECT_TRUE(canvas.PaddingUntouched());
    }
}

TEST_F(Gauge, RefusalsDrawNothing) {
    struct Case {
        const char* what;
        LONG maximum;
        LONG value;
        DWORD flags;
        RECT where;
    };
    const Case cases[] = {
        {"negative value, one-sided", 100, -1, 0, rect},
        {"value above maximum", 100, 101, 0, rect},
        {"value below minus maximum", 100, -101, GAUGE_CENTRED, rect},
        {"maximum zero", 0, 0, 0, rect},
        {"maximum negative", -5, -5, GAUGE_CENTRED, rect},
        {"eight wide", 100, 50, 0, RECT{2, 1, 10, 21}},
        {"eight high", 100, 50, 0, RECT{2, 1, 110, 9}},
        {"past the right edge", 100, 50, 0, RECT{5, 1, 113, 21}},
        {"past the bottom edge", 100, 50, 0, RECT{2, 4, 110, 24}},
        {"left of the view", 100, 50, 0, RECT{-1, 1, 107, 21}},
        {"above the view", 100, 50, 0, RECT{2, -1, 110, 19}},
        {"inside out", 100, 50, 0, RECT{110, 21, 2, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Draw(c.maximum, c.value, c.flags, c.where), 0) << c.what;
        EXPECT_TRUE(CanvasBlank()) << c.what;
    }
    EXPECT_TRUE(canvas.PaddingUntouched());
}

// ---------------------------------------------------------------------------
// The diamond fill.
// ---------------------------------------------------------------------------

class Diamonds : public Drawing {
protected:
    VirtualSleep clock;
};

TEST_F(Diamonds, CellOneFillsTheRegionInRingZero) {
    Canvas canvas(10, 6);
    std::vector<Picture> seen;
    clock.onSleep = [&] { seen.push_back(canvas.Picture(0, INK_LEGEND)); };
    const RECT region{2, 1, 7, 4};
    ASSERT_EQ(device.DiamondFill(canvas.view, 1, INK, &region), 1);

    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>{500, 500}));
    EXPECT_EQ(clock.now, 1000u);
    const Picture filled =
        Rows(".......... ..#####... ..#####... ..#####... .......... ..........");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Picture(6, "..........")); // the first wait comes before ring 0
    EXPECT_EQ(seen[1], filled);
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), filled);
    EXPECT_TRUE(canvas.PaddingUntouched());
}

TEST_F(Diamonds, LargerCellsGrowRingByRing) {
    Canvas canvas(10, 10);
    std::vector<Picture> seen;
    clock.onSleep = [&] { seen.push_back(canvas.Picture(0, INK_LEGEND)); };
    const RECT region{1, 1, 9, 9}; // 8 x 8: centres at 1, 5 (and 9, outside)
    ASSERT_EQ(device.DiamondFill(canvas.view, 4, INK, &region), 1);

    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(5, 125)));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1], Rows(".......... .......... ..#...#... .......... .......... "
                            ".......... ..#...#... .......... .......... .........."));
    EXPECT_EQ(seen[2], Rows(".......... ..#...#... .###.###.. ..#...#... .......... "
                            "..#...#... .###.###.. ..#...#... .......... .........."));
    // Ring 2 also reaches in from the centres past the right and bottom edges.
    EXPECT_EQ(seen[3], Rows(".......... .###.###.. .########. .###.###.. ..#...#... "
                            ".###.###.. .########. .###.###.. ..#...#... .........."));
    Picture full(10, "..........");
    for (int y = 1; y <= 8; ++y) {
        full[y] = ".########.";
    }
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), full);
    EXPECT_TRUE(canvas.PaddingUntouched());
}

TEST_F(Diamonds, NoRectangleMeansTheWholeView) {
    Canvas canvas(7, 5);
    ASSERT_EQ(device.DiamondFill(canvas.view, 3, INK, nullptr), 1);
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(4, 166)));
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Picture(5, "#######"));
    EXPECT_TRUE(canvas.PaddingUntouched());
}

TEST_F(Diamonds, RefusalsNeitherDrawNorWait) {
    Canvas canvas(10, 6);
    const RECT inside{1, 1, 5, 5};
    const RECT refused[] = {{-1, 0, 4, 4}, {0, -1, 4, 4}, {6, 0, 11, 4}, {0, 2, 4, 7},
                            {3, 1, 3, 4},  {1, 3, 5, 3},  {5, 4, 1, 1}};
    EXPECT_EQ(device.DiamondFill(canvas.view, 0, INK, &inside), 0);
    for (const RECT& region : refused) {
        EXPECT_EQ(device.DiamondFill(canvas.view, 2, INK, &region), 0)
            << region.left << "," << region.top << "," << region.right << "," << region.bottom;
    }
    EXPECT_TRUE(clock.waits.empty());
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Picture(6, ".........."));
}

TEST_F(Diamonds, RegionNarrowerThanHalfACellIsStillFilled) {
    Canvas canvas(5, 5);
    const RECT region{1, 1, 4, 4};
    ASSERT_EQ(device.DiamondFill(canvas.view, 10, INK, &region), 1);
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(11, 50)));
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Rows("..... .###. .###. .###. ....."));
}

TEST_F(Diamonds, HugeCellsVisitOnlyTheRingsThatReachTheRegion) {
    // The waits are 0 ms; the rings that matter lie about 4e9 pixels out.
    Canvas canvas(8, 8);
    ASSERT_EQ(device.DiamondFill(canvas.view, 4000000000u, INK, nullptr), 1);
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Picture(8, "########"));
    EXPECT_LT(clock.waits.size(), 100u);
    for (std::uint32_t wait : clock.waits) {
        EXPECT_EQ(wait, 0u);
    }
}

} // namespace
