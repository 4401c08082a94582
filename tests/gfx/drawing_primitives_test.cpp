// The pen, lines, arcs, the gauge and the diamond fill, pixel by pixel, on
// locked views and in plain buffers (rows of rect width - 1 bytes, and not a
// byte more, so that the sanitizer build sees any access past them).
#include <cctype>
#include <climits>
#include <cmath>
#include <numbers>

#include "canvas.h"
#include "gfx/graphics_device.h"

namespace {

constexpr BYTE INK = 9;
const std::string INK_LEGEND = Legend({{'#', INK}});
constexpr double PI = std::numbers::pi;

class Drawing : public ::testing::Test {
protected:
    using Spot = std::pair<LONG, LONG>;
    Spot Pen() const { return {device.penX, device.penY}; }

    GraphicsDevice device;
};

// Lines and arcs in a w x h view, or in a w x h buffer whose rectangle is
// (0, 0, w + 1, h + 1) for lines and the arc's box for arcs.
struct Stroke {
    char kind; // 'l' a line and 'a' an arc on a view, 'L' and 'A' in a buffer
    int w, h;
    RECT points; // a line from (left, top) to (right, bottom), or the arc's box
    double start, end;
    const char* picture;
};

// A view cuts the row offset of a line toward zero and steps a column once
// the accumulator reaches 1; a buffer rounds down and steps only past 1, so
// that 45 degrees is a stair there. Arcs run clockwise on a view and
// anticlockwise in a buffer; the view's end angle is drawn, the buffer's not.
TEST_F(Drawing, LinesFromEitherEndAndArcsSetTheirPixels) {
    const double STEP = std::acos(0.75) - 0.001; // where 4 cos t passes 3
    const Stroke strokes[] = {
        {'l', 6, 3, {1, 1, 4, 1}, 0, 0, "...... .####. ......"},
        {'l', 4, 3, {2, 1, 2, 1}, 0, 0, ".... ..#. ...."}, // to the pen: one pixel
        {'l', 5, 3, {0, 0, 4, 2}, 0, 0, "##... ..##. ....#"},
        {'l', 5, 3, {0, 2, 4, 0}, 0, 0, "....# ..##. ##..."},
        {'l', 3, 5, {0, 4, 2, 0}, 0, 0, "..# .#. .#. #.. #.."},
        {'L', 6, 3, {0, 0, 4, 2}, 0, 0, "#..... .##... ...##."},
        {'L', 3, 5, {0, 4, 2, 0}, 0, 0, ".## .#. ##. #.. #.."},
        {'L', 5, 4, {0, 0, 3, 3}, 0, 0, "#.... ##... .##.. ..##."},
        {'a', 9, 5, {0, 0, 8, 4}, 0, 2 * PI, "########. #......#. #......## ########. ........."},
        {'a', 9, 5, {0, 0, 8, 4}, PI / 2, 0, "......... ......... .......## ....####. ........."},
        {'a', 6, 6, {-6, -6, 6, 6}, 0, 7, ".....# .....# .....# ....## ...##. ####.."},
        {'a', 4, 2, {0, 0, 4, 4}, 0, INFINITY, ".... ...."},
        // One step of 0.0025 from x 7 to x 6: a view draws both, a buffer
        // not the end.
        {'a', 8, 2, {0, 0, 9, 2}, STEP, STEP + 0.0025, "........ ......##"},
        // x 8 (angle 0) and the row below the box's last lie past the buffer.
        {'A', 8, 4, {0, 0, 9, 5}, 0, 2 * PI, "######## #......# ######## ........"},
        {'A', 8, 4, {0, 0, 9, 5}, PI / 2, 0, "....#### ........ ........ ........"},
        {'A', 4, 2, {0, 0, 5, 3}, -INFINITY, 0, ".... ...."},
        {'A', 8, 1, {0, 0, 9, 2}, STEP, STEP + 0.0025, ".......#"},
    };
    for (const Stroke& s : strokes) {
        for (bool backwards : {false, true}) {
            SCOPED_TRACE(testing::Message() << s.picture << (backwards ? " backwards" : ""));
            const bool buffer = std::isupper(s.kind), arc = std::tolower(s.kind) == 'a';
            Canvas canvas(s.w, s.h, buffer ? 0 : 3);
            const RECT& p = s.points;
            const POINT from = backwards ? POINT{p.right, p.bottom} : POINT{p.left, p.top};
            const POINT to = backwards ? POINT{p.left, p.top} : POINT{p.right, p.bottom};
            const RECT rect{0, 0, s.w + 1, s.h + 1};
            if (arc && buffer) {
                device.DrawArcInBuffer(canvas.memory.data(), p, s.start, s.end, INK);
            } else if (arc) {
                device.DrawArc(canvas.view, p, backwards ? s.end : s.start,
                               backwards ? s.start : s.end, INK);
            } else if (buffer) {
                device.MoveToInRect(rect, from.x, from.y);
                device.LineToInBuffer(canvas.memory.data(), rect, to.x, to.y, INK);
            } else {
                device.MoveTo(canvas.view, from.x, from.y);
                device.LineTo(canvas.view, to.x, to.y, INK);
            }
            EXPECT_EQ(canvas.Drawn(INK_LEGEND), Rows(s.picture));
            if (!arc) {
                EXPECT_EQ(Pen(), (Spot{to.x, to.y}));
            }
        }
    }
}

// An end outside the view is refused and keeps the pen; in a buffer the
// rectangle's own edge lies past the buffer's last column and row.
TEST_F(Drawing, EndsOutsideTheViewOrBufferDrawNothing) {
    Canvas canvas(5, 5), buffer(6, 5, 0);
    device.MoveTo(canvas.view, 2, 2);
    for (POINT end : {POINT{5, 2}, POINT{2, 5}, POINT{-1, 0}, POINT{0, -1}}) {
        device.MoveTo(canvas.view, end.x, end.y);
        device.LineTo(canvas.view, end.x, end.y, INK);
    }
    EXPECT_EQ(Pen(), (Spot{2, 2}));
    EXPECT_EQ(canvas.Drawn(INK_LEGEND), Picture(5, "....."));
    const RECT rect{0, 0, 7, 6};
    device.LineToInBuffer(buffer.memory.data(), rect, 6, 0, INK);
    device.LineToInBuffer(buffer.memory.data(), rect, 0, 5, INK);
    EXPECT_EQ(Pen(), (Spot{2, 2}));
    device.MoveToInRect(rect, 7, 0); // the rectangle's edge, past the buffer's last column
    device.LineToInBuffer(buffer.memory.data(), rect, 0, 0, INK);
    EXPECT_EQ(buffer.Drawn(INK_LEGEND), Picture(5, "......"));
}

constexpr BYTE FILL = 10, EMPTY = 20, CENTRE = 30;

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

// Interior rows and columns run from 4 inside the rectangle's top left to 5
// inside its bottom right; every one of them shows the same bar.
TEST_F(Drawing, GaugeBarsAlongEveryInteriorLineOrRefused) {
    const RECT wide{2, 1, 110, 21}, tall{2, 1, 22, 41};
    const struct {
        RECT where;
        LONG maximum, value;
        DWORD flags;
        const char* bar; // left to right or top to bottom; null: refused
    } cases[] = {
        {wide, 100, 50, 0, "50f 50e"},
        {wide, 100, 30, GAUGE_REVERSED, "70e 30f"},
        {wide, 100, 25, GAUGE_VERTICAL, "9e 3f"},
        // The centre line at L + 54; the reversed flag is ignored.
        {wide, 100, -50, GAUGE_CENTRED, "50e 1c 25f 24e"},
        {wide, 100, 50, GAUGE_CENTRED | GAUGE_REVERSED, "25e 25f 1c 49e"},
        {wide, 100, -100, GAUGE_CENTRED, "50e 1c 49f"}, // stops at the interior's edge
        {tall, 100, -50, GAUGE_CENTRED | GAUGE_VERTICAL, "16e 1c 8f 7e"},
        {wide, INT_MAX, INT_MAX - 1, 0, "99f 1e"}, // lengths without overflow
        {wide, 100, -1, 0, nullptr},
        {wide, 100, -101, GAUGE_CENTRED, nullptr},
        {RECT{5, 1, 113, 21}, 100, 50, 0, nullptr},
    };
    const std::string bars =
        Legend({{'f', FILL}, {'e', EMPTY}, {'c', CENTRE}, {'W', 255}, {'D', 248}, {'F', 7}});
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " of " << c.maximum << " flags " << c.flags);
        Canvas canvas(112, 45);
        const int drawn = device.DrawGauge(canvas.view, c.maximum, c.value, c.where, FILL, EMPTY,
                                           CENTRE, c.flags);
        const Picture picture = canvas.Drawn(bars);
        if (c.bar == nullptr) {
            EXPECT_EQ(drawn, 0);
            EXPECT_EQ(picture, Picture(45, std::string(112, '.')));
            continue;
        }
        ASSERT_EQ(drawn, 1);
        const RECT& r = c.where;
        const bool vertical = c.flags & GAUGE_VERTICAL;
        for (int a = (vertical ? r.left : r.top) + 4; a <= (vertical ? r.right : r.bottom) - 5;
             ++a) {
            std::string bar;
            for (int b = (vertical ? r.top : r.left) + 4; b <= (vertical ? r.bottom : r.right) - 5;
                 ++b) {
                bar += vertical ? picture[b][a] : picture[a][b];
            }
            ASSERT_EQ(bar, Runs(c.bar)) << "line " << a;
        }
        // The bevel: light top and left edges, dark bottom and right, and
        // light again along the interior's right edge.
        EXPECT_EQ(picture[r.top].substr(r.left, 3) + picture[r.bottom - 1].substr(r.right - 3, 3) +
                      picture[r.top + 4][r.right - 4] + picture[r.bottom][r.left + 4],
                  "WWWDDDW.");
    }
    // A whole small gauge: a light outer edge at the top and left, dark at
    // the bottom and right, the face, then dark above and left of the
    // interior and light below and right of it; nothing outside.
    Canvas small(13, 12);
    ASSERT_EQ(device.DrawGauge(small.view, 2, 1, RECT{1, 1, 12, 11}, FILL, EMPTY, CENTRE, 0), 1);
    EXPECT_EQ(small.Drawn(bars), Rows("............. .WWWWWWWWWWW. .WFFFFFFFFFD. .WFFFFFFFFFD. "
                                      ".WFFDDDDDFFD. .WFFDfeeWFFD. .WFFDfeeWFFD. .WFFDWWWWFFD. "
                                      ".WFFFFFFFFFD. .WFFFFFFFFFD. .WDDDDDDDDDD. ............."));
}

// One ring every 500 / cell ms, the first wait before ring 0; ring 2 reaches
// in from the centres past the right and bottom edges too.
TEST_F(Drawing, DiamondsGrowRingByRingOverTheRegionOrAreRefusedWithoutWaiting) {
    SleepLog clock;
    Canvas canvas(10, 10), refused(7, 5);
    std::vector<Picture> seen;
    clock.onSleep = [&] { seen.push_back(canvas.Drawn(INK_LEGEND)); };
    const RECT region{1, 1, 9, 9}; // 8 x 8: centres at 1, 5 (and 9, outside)
    ASSERT_EQ(device.DiamondFill(canvas.view, 4, INK, &region), 1);
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>(5, 125)));
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], Picture(10, ".........."));
    EXPECT_EQ(seen[3], Rows(".......... .###.###.. .########. .###.###.. ..#...#... "
                            ".###.###.. .########. .###.###.. ..#...#... .........."));
    Picture full(10, ".########.");
    full[0] = full[9] = "..........";
    EXPECT_EQ(canvas.Drawn(INK_LEGEND), full);
    // A cell of 1 fills the whole view (none given) in ring 0.
    clock.waits.clear();
    ASSERT_EQ(device.DiamondFill(refused.view, 1, INK, nullptr), 1);
    EXPECT_EQ(refused.Drawn(INK_LEGEND), Picture(5, "#######"));
    EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>{500, 500}));

    clock.waits.clear();
    const RECT small{1, 1, 4, 4};
    EXPECT_EQ(device.DiamondFill(canvas.view, 0, INK, &small), 0);
    for (const RECT& r : {RECT{-1, 0, 4, 4}, RECT{0, -1, 4, 4}, RECT{8, 0, 11, 4},
                          RECT{0, 2, 4, 11}, RECT{3, 1, 3, 4}, RECT{5, 4, 1, 1}}) {
        EXPECT_EQ(device.DiamondFill(canvas.view, 2, 0, &r), 0) << r.left << "," << r.top;
    }
    EXPECT_TRUE(clock.waits.empty());
    EXPECT_EQ(canvas.Drawn(INK_LEGEND), full);
}

} // namespace
