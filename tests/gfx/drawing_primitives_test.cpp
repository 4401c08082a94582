// The pen, lines, arcs, the gauge and the diamond fill, pixel by pixel.
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
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
        : rect(rect), columns(rect.right - rect.left - 1), rows(rect.bottom - rect.top - 1),
          bytes(static_cast<std::size_t>(columns) * rows, 0) {}

    Picture Drawn() const {
        Picture picture;
        for (int y = 0; y < rows; ++y) {
            std::string row;
            for (int x = 0; x < columns; ++x) {
                row += bytes[static_cast<std::size_t>(y) * columns + x] == 0 ? '.' : '#';
            }
            picture.push_back(row);
        }
        return picture;
    }

    RECT rect;
    int columns;
    int rows;
    std::vector<BYTE> bytes;
};

class Drawing : public ::testing::Test {
protected:
    GraphicsDevice device;

    Picture Line(Canvas& canvas, POINT from, POINT to) {
        device.MoveTo(canvas.view, from.x, from.y);
        device.LineTo(canvas.view, to.x, to.y, INK);
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

TEST_F(Drawing, PenStartsAtTheOriginAndMovesOnlyInsideTheView) {
    Canvas canvas(10, 8);
    EXPECT_EQ(device.penX, 0);
    EXPECT_EQ(device.penY, 0);
    device.MoveTo(canvas.view, 9, 7);
    EXPECT_EQ(device.penX, 9);
    EXPECT_EQ(device.penY, 7);
    for (POINT outside : {POINT{10, 0}, POINT{0, 8}, POINT{-1, 3}, POINT{3, -1}}) {
        device.MoveTo(canvas.view, outside.x, outside.y);
        EXPECT_EQ(device.penX, 9);
        EXPECT_EQ(device.penY, 7);
    }
}

TEST_F(Drawing, MoveToInRectTakesBothEdgesOfTheRectangle) {
    const RECT rect{2, 3, 6, 8};
    device.MoveToInRect(rect, 6, 8);
    EXPECT_EQ(device.penX, 6);
    EXPECT_EQ(device.penY, 8);
    device.MoveToInRect(rect, 2, 3);
    EXPECT_EQ(device.penX, 2);
    EXPECT_EQ(device.penY, 3);
    device.MoveToInRect(rect, 1, 5);
    device.MoveToInRect(rect, 4, 9);
    EXPECT_EQ(device.penX, 2);
    EXPECT_EQ(device.penY, 3);
}

TEST_F(Drawing, HorizontalLinesEitherWay) {
    const Picture expected{
        "......", //
        ".####.", //
        "......",
    };
    Canvas a(6, 3), b(6, 3);
    EXPECT_EQ(Line(a, {1, 1}, {4, 1}), expected);
    EXPECT_EQ(Line(b, {4, 1}, {1, 1}), expected);
    EXPECT_EQ(device.penX, 1);
    EXPECT_EQ(device.penY, 1);
}

TEST_F(Drawing, VerticalLinesEitherWaySetTheSamePixels) {
    Canvas down(8, 11), up(8, 11);
    const Picture a = Line(down, {5, 2}, {5, 9});
    const Picture b = Line(up, {5, 9}, {5, 2});
    EXPECT_EQ(a, b);
    for (int y = 0; y < 11; ++y) {
        EXPECT_EQ(a[y], y >= 2 && y <= 9 ? ".....#.." : "........") << "row " << y;
    }
    EXPECT_EQ(device.penX, 5);
    EXPECT_EQ(device.penY, 2);
}

TEST_F(Drawing, ALineToThePenSetsOnePixelAndKeepsThePen) {
    Canvas canvas(4, 4);
    EXPECT_EQ(Line(canvas, {2, 1}, {2, 1}), (Picture{"....", "..#.", "....", "...."}));
    EXPECT_EQ(device.penX, 2);
    EXPECT_EQ(device.penY, 1);
}

TEST_F(Drawing, SlopedLinesInEveryDirection) {
    // Shallow lines take one column a step, steep ones one row a step, the
    // row offset cut toward zero.
    Canvas shallow(5, 3), steep(3, 5), shallowDown(5, 3), steepDown(3, 5), diagonal(4, 4);
    EXPECT_EQ(Line(shallow, {0, 0}, {4, 2}), (Picture{"##...", "..##.", "....#"}));
    EXPECT_EQ(Line(steep, {0, 0}, {2, 4}), (Picture{"#..", "#..", ".#.", ".#.", "..#"}));
    EXPECT_EQ(Line(shallowDown, {0, 2}, {4, 0}), (Picture{"....#", "..##.", "##..."}));
    EXPECT_EQ(Line(steepDown, {0, 4}, {2, 0}), (Picture{"..#", ".#.", ".#.", "#..", "#.."}));
    EXPECT_EQ(Line(diagonal, {0, 0}, {3, 3}), (Picture{"#...", ".#..", "..#.", "...#"}));
}

TEST_F(Drawing, ALineIsTheSameDrawnFromEitherEnd) {
    Canvas forward(7, 6), backward(7, 6);
    EXPECT_EQ(Line(forward, {1, 5}, {6, 0}), Line(backward, {6, 0}, {1, 5}));
    Canvas steepForward(6, 7), steepBackward(6, 7);
    EXPECT_EQ(Line(steepForward, {0, 0}, {3, 6}), Line(steepBackward, {3, 6}, {0, 0}));
}

TEST_F(Drawing, LineEndOutsideTheViewDrawsNothingAndKeepsThePen) {
    Canvas canvas(5, 5);
    device.MoveTo(canvas.view, 2, 2);
    for (POINT end : {POINT{5, 2}, POINT{2, 5}, POINT{-1, 0}, POINT{0, -1}}) {
        device.LineTo(canvas.view, end.x, end.y, INK);
    }
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND), Picture(5, "....."));
    EXPECT_EQ(device.penX, 2);
    EXPECT_EQ(device.penY, 2);
}

TEST_F(Drawing, APenOutsideTheViewDrawsNothingButMovesToTheEnd) {
    Canvas large(40, 40), small(5, 5);
    device.MoveTo(large.view, 30, 30); // placed for another, larger view
    device.LineTo(small.view, 1, 1, INK);
    EXPECT_EQ(small.Picture(0, INK_LEGEND), Picture(5, "....."));
    EXPECT_TRUE(small.PaddingUntouched());
    EXPECT_EQ(device.penX, 1);
    EXPECT_EQ(device.penY, 1);
    device.LineTo(small.view, 3, 1, INK);
    EXPECT_EQ(small.Picture(0, INK_LEGEND)[1], ".###.");
}

// ---------------------------------------------------------------------------
// Lines in a plain buffer: rows of rect width - 1 bytes, the pixels rounded
// the other way vertically, a column step only once the accumulator passes 1.
// ---------------------------------------------------------------------------

TEST_F(Drawing, BufferLinesHorizontalVerticalAndSinglePoint) {
    EXPECT_EQ(BufferLine({1, 2}, {4, 2}),
              (Picture{"......", "......", ".####.", "......", "......"}));
    const Picture vertical{"......", "...#..", "...#..", "...#..", "......"};
    EXPECT_EQ(BufferLine({3, 1}, {3, 3}), vertical);
    EXPECT_EQ(BufferLine({3, 3}, {3, 1}), vertical);
    EXPECT_EQ(BufferLine({5, 4}, {5, 4}),
              (Picture{"......", "......", "......", "......", ".....#"}));
}

TEST_F(Drawing, BufferLinesSlopedRoundTheirRowsTheOtherWay) {
    EXPECT_EQ(BufferLine({0, 0}, {4, 2}),
              (Picture{"#.....", ".##...", "...##.", "......", "......"}));
    EXPECT_EQ(BufferLine({0, 0}, {2, 4}),
              (Picture{"#.....", "#.....", "##....", ".#....", ".##..."}));
    EXPECT_EQ(BufferLine({0, 4}, {2, 0}),
              (Picture{".##...", ".#....", "##....", "#.....", "#....."}));
    // A step of exactly 1 is not yet a column step: 45 degrees is a stair.
    EXPECT_EQ(BufferLine({0, 0}, {3, 3}),
              (Picture{"#.....", "##....", ".##...", "..##..", "......"}));
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
    Canvas full(9, 5), quarter(9, 5), swapped(9, 5);
    device.DrawArc(full.view, RECT{0, 0, 8, 4}, 0.0, 2 * pi, INK);
    EXPECT_EQ(full.Picture(0, INK_LEGEND), (Picture{
                                               "########.", //
                                               "#......#.", //
                                               "#......##", //
                                               "########.", //
                                               ".........",
                                           }));
    device.DrawArc(quarter.view, RECT{0, 0, 8, 4}, 0.0, pi / 2, INK);
    EXPECT_EQ(quarter.Picture(0, INK_LEGEND),
              (Picture{".........", ".........", ".......##", "....####.", "........."}));
    device.DrawArc(swapped.view, RECT{0, 0, 8, 4}, pi / 2, 0.0, INK);
    EXPECT_EQ(swapped.Picture(0, INK_LEGEND), quarter.Picture(0, INK_LEGEND));

    Canvas round(10, 6);
    device.DrawArc(round.view, RECT{0, 0, 10, 6}, 0.0, 2 * pi, INK);
    EXPECT_EQ(round.Picture(0, INK_LEGEND), (Picture{
                                                ".########.", //
                                                "##......##", //
                                                "#........#", //
                                                "#........#", //
                                                "##......##", //
                                                ".########.",
                                            }));
    EXPECT_TRUE(round.PaddingUntouched());
}

TEST_F(Drawing, ArcEndsAreInclusiveOnAViewAndExclusiveInABuffer) {
    // A radius of 1000 moves the point by a whole pixel in one step of
    // 0.0025: at angle 0 x is 10, one step later 9.
    Canvas canvas(12, 12);
    device.DrawArc(canvas.view, RECT{-1990, 0, 10, 10}, 0.0, 0.0025, INK);
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND)[5], ".........##.");

    Buffer buffer(RECT{-1990, 0, 10, 10});
    device.DrawArcInBuffer(buffer.bytes.data(), buffer.rect, 0.0, 0.0025, INK);
    EXPECT_EQ(buffer.bytes[4 * buffer.columns + 10], INK);
    EXPECT_EQ(std::count(buffer.bytes.begin(), buffer.bytes.end(), INK), 1);
    device.DrawArcInBuffer(buffer.bytes.data(), buffer.rect, 0.0, 0.0026, INK);
    EXPECT_EQ(buffer.bytes[3 * buffer.columns + 9], INK);
    EXPECT_EQ(std::count(buffer.bytes.begin(), buffer.bytes.end(), INK), 2);
}

TEST_F(Drawing, ArcInABufferRunsAnticlockwise) {
    constexpr double pi = std::numbers::pi;
    Buffer full(RECT{0, 0, 9, 5}), quarter(RECT{0, 0, 9, 5}); // 8 x 4 bytes
    device.DrawArcInBuffer(full.bytes.data(), full.rect, 0.0, 2 * pi, INK);
    // x 8 (angle 0) and the row below the box's last are past the buffer.
    EXPECT_EQ(full.Drawn(), (Picture{"########", "#......#", "########", "........"}));
    device.DrawArcInBuffer(quarter.bytes.data(), quarter.rect, pi / 2, 0.0, INK);
    EXPECT_EQ(quarter.Drawn(), (Picture{"....####", "........", "........", "........"}));
}

TEST_F(Drawing, ArcsAreClippedToTheViewAndRefuseEndlessAngles) {
    Canvas canvas(6, 6);
    device.DrawArc(canvas.view, RECT{-6, -6, 6, 6}, 0.0, 7.0, INK);
    // Only the quarter with x and y from 0 up lies in the view.
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND),
              (Picture{".....#", ".....#", ".....#", "....##", "...##.", "####.."}));
    EXPECT_TRUE(canvas.PaddingUntouched());

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

class Gauge : public Drawing {
protected:
    // A 108 x 20 gauge at (2, 1): interior columns 6 to 105, rows 5 to 16.
    Canvas canvas{112, 23};
    const RECT rect{2, 1, 110, 21};

    int Draw(LONG maximum, LONG value, DWORD flags, RECT where) {
        return device.DrawGauge(canvas.view, maximum, value, where, FILL, EMPTY, CENTRE, flags);
    }
    int Draw(LONG maximum, LONG value, DWORD flags) { return Draw(maximum, value, flags, rect); }

    // The interior row `y` from its first to its last column, as
    // f(ill), e(mpty) and c(entre).
    std::string InteriorRow(int y) {
        std::string row;
        for (int x = rect.left + 4; x <= rect.right - 5; ++x) {
            row += Symbol(canvas(x, y));
        }
        return row;
    }
    std::string InteriorColumn(int x, int top, int bottom) {
        std::string column;
        for (int y = top; y <= bottom; ++y) {
            column += Symbol(canvas(x, y));
        }
        return column;
    }
    static char Symbol(BYTE value) {
        return value == FILL ? 'f' : value == EMPTY ? 'e' : value == CENTRE ? 'c' : '?';
    }
    bool CanvasBlank() { return canvas.Picture(0, "") == Picture(23, std::string(112, '.')); }
};

TEST_F(Gauge, BevelAroundASinglePixelInterior) {
    Canvas small(9, 9);
    ASSERT_EQ(device.DrawGauge(small.view, 10, 10, RECT{0, 0, 9, 9}, FILL, EMPTY, CENTRE, 0), 1);
    EXPECT_EQ(small.Picture(0, Legend({{'W', 255}, {'D', 248}, {'F', 7}, {'i', FILL}})),
              (Picture{
                  "WWWWWWWWW", //
                  "WFFFFFFFD", //
                  "WFFFFFFFD", //
                  "WFFDDDFFD", //
                  "WFFDiWFFD", //
                  "WFFDWWFFD", //
                  "WFFFFFFFD", //
                  "WFFFFFFFD", //
                  "WDDDDDDDD",
              }));
}

TEST_F(Gauge, HalfFullFillsTheFirstFiftyColumns) {
    ASSERT_EQ(Draw(100, 50, 0), 1);
    const std::string expected = std::string(50, 'f') + std::string(50, 'e');
    for (int y = 5; y <= 16; ++y) {
        EXPECT_EQ(InteriorRow(y), expected) << "row " << y;
    }
    EXPECT_EQ(canvas(2, 1), 255);
    EXPECT_EQ(canvas(109, 20), 248);
    EXPECT_EQ(canvas(1, 1), 0);
    EXPECT_EQ(canvas(110, 10), 0);
    EXPECT_EQ(canvas(50, 21), 0);
    EXPECT_TRUE(canvas.PaddingUntouched());
}

TEST_F(Gauge, ReversedHorizontalFillsFromTheRight) {
    ASSERT_EQ(Draw(100, 30, GAUGE_REVERSED), 1);
    EXPECT_EQ(InteriorRow(10), std::string(70, 'e') + std::string(30, 'f'));
}

TEST_F(Gauge, VerticalBarsFillFromTheBottomOrWithBothFlagsFromTheTop) {
    // Twelve interior rows, 5 to 16; a quarter is 3 of them.
    ASSERT_EQ(Draw(100, 25, GAUGE_VERTICAL), 1);
    EXPECT_EQ(InteriorColumn(6, 5, 16), "eeeeeeeeefff");
    EXPECT_EQ(InteriorColumn(105, 5, 16), "eeeeeeeeefff");
    ASSERT_EQ(Draw(100, 25, GAUGE_VERTICAL | GAUGE_REVERSED), 1);
    EXPECT_EQ(InteriorColumn(50, 5, 16), "fffeeeeeeeee");
}

TEST_F(Gauge, CentredNegativeValueFillsRightOfTheCentreLine) {
    ASSERT_EQ(Draw(100, -50, GAUGE_CENTRED), 1);
    // Centre line at L + 54 = 56 (interior index 50); 25 columns after it.
    const std::string expected =
        std::string(50, 'e') + "c" + std::string(25, 'f') + std::string(24, 'e');
    for (int y = 5; y <= 16; ++y) {
        EXPECT_EQ(InteriorRow(y), expected) << "row " << y;
    }
    EXPECT_EQ(canvas(56, 5), CENTRE);
    EXPECT_EQ(canvas(57, 5), FILL);
    EXPECT_EQ(canvas(81, 5), FILL);
    EXPECT_EQ(canvas(82, 5), EMPTY);
}

TEST_F(Gauge, CentredPositiveValueFillsUpToTheCentreLine) {
    ASSERT_EQ(Draw(100, 50, GAUGE_CENTRED | GAUGE_REVERSED), 1); // the reversed flag is ignored
    EXPECT_EQ(InteriorRow(9),
              std::string(25, 'e') + std::string(25, 'f') + "c" + std::string(49, 'e'));
    ASSERT_EQ(Draw(100, 0, GAUGE_CENTRED), 1);
    EXPECT_EQ(InteriorRow(9), std::string(50, 'e') + "c" + std::string(49, 'e'));
}

TEST_F(Gauge, FullNegativeBarOfAnEvenGaugeStaysOffTheBevel) {
    // Half the width less 4 is 50 columns, one more than lie right of the
    // centre line: the fill stops at the interior's edge.
    ASSERT_EQ(Draw(100, -100, GAUGE_CENTRED), 1);
    EXPECT_EQ(InteriorRow(8), std::string(50, 'e') + "c" + std::string(49, 'f'));
    EXPECT_EQ(canvas(106, 8), 255); // column R - 4 of the bevel
}

TEST_F(Gauge, CentredVerticalBar) {
    // 20 x 40 at (2, 1): interior rows 5 to 36, centre row T + 20 = 21.
    const RECT tall{2, 1, 22, 41};
    Canvas column(30, 45);
    ASSERT_EQ(device.DrawGauge(column.view, 100, -50, tall, FILL, EMPTY, CENTRE,
                               GAUGE_CENTRED | GAUGE_VERTICAL),
              1);
    std::string down;
    for (int y = 5; y <= 36; ++y) {
        down += Symbol(column(10, y));
    }
    EXPECT_EQ(down, std::string(16, 'e') + "c" + std::string(8, 'f') + std::string(7, 'e'));
    ASSERT_EQ(device.DrawGauge(column.view, 100, 50, tall, FILL, EMPTY, CENTRE,
                               GAUGE_CENTRED | GAUGE_VERTICAL),
              1);
    std::string up;
    for (int y = 5; y <= 36; ++y) {
        up += Symbol(column(10, y));
    }
    EXPECT_EQ(up, std::string(8, 'e') + std::string(8, 'f') + "c" + std::string(15, 'e'));
}

TEST_F(Gauge, LengthsOfHugeValuesDoNotOverflow) {
    ASSERT_EQ(Draw(INT_MAX, INT_MAX - 1, 0), 1);
    EXPECT_EQ(InteriorRow(7), std::string(99, 'f') + "e");
    ASSERT_EQ(Draw(INT_MAX, INT_MAX, 0), 1);
    EXPECT_EQ(InteriorRow(7), std::string(100, 'f'));
    ASSERT_EQ(Draw(INT_MAX, -INT_MAX, GAUGE_CENTRED), 1);
    EXPECT_EQ(InteriorRow(7), std::string(50, 'e') + "c" + std::string(49, 'f'));
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
    const Picture filled{"..........", "..#####...", "..#####...",
                         "..#####...", "..........", ".........."};
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
    EXPECT_EQ(seen[1], (Picture{
                           "..........", //
                           "..........", //
                           "..#...#...", //
                           "..........", //
                           "..........", //
                           "..........", //
                           "..#...#...", //
                           "..........", //
                           "..........", //
                           "..........",
                       }));
    EXPECT_EQ(seen[2], (Picture{
                           "..........", //
                           "..#...#...", //
                           ".###.###..", //
                           "..#...#...", //
                           "..........", //
                           "..#...#...", //
                           ".###.###..", //
                           "..#...#...", //
                           "..........", //
                           "..........",
                       }));
    // Ring 2 also reaches in from the centres past the right and bottom edges.
    EXPECT_EQ(seen[3], (Picture{
                           "..........", //
                           ".###.###..", //
                           ".########.", //
                           ".###.###..", //
                           "..#...#...", //
                           ".###.###..", //
                           ".########.", //
                           ".###.###..", //
                           "..#...#...", //
                           "..........",
                       }));
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
    EXPECT_EQ(canvas.Picture(0, INK_LEGEND),
              (Picture{".....", ".###.", ".###.", ".###.", "....."}));
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
