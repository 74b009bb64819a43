// polycast: the key table, the frame order, the first frame's geometry, the
// texture and the settings that would otherwise divide by 0 or read past it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "graphics/window.h"
#include "harness.h"
#include "polycast/polycast.h"

namespace polycast {
void PrintTo(const Room& r, std::ostream* os) {
    *os << "{sides " << r.side_count << ", radius " << r.room_radius << ", near " << r.near_distance
        << ", height " << r.wall_height << ", step " << r.pixel_step << ", angle " << r.room_angle
        << "}";
}
}  // namespace polycast

namespace {

using polycast::Point;
using polycast::Room;
using polycast::State;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int near_row = 274;  // the near line at the start, 3 rows thick: 273..275

class PolycastTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        state = std::make_unique<State>();
        polycast::start_up(*state);
    }

    // The palette index at (x, y) of the page drawn last.
    static int drawn(int x, int y) { return page(graphics::canvas.draw_page)[index(x, y)]; }
    static const std::vector<std::uint32_t>& page(int p) {
        return graphics::canvas.pages[static_cast<std::size_t>(p)];
    }
    static std::size_t index(int x, int y) {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(graphics::canvas.width) +
               static_cast<std::size_t>(x);
    }
    // In columns 0..99 only the near line is drawn over the wall samples.
    static bool wall_at(int x, int y) { return drawn(x, y) != 0; }
    // Pixels of the page drawn last that are neither black, a pen nor a texel.
    int strays() const {
        const polycast::Pens& pens = state->world.pens;
        int n = 0;
        for (std::uint32_t p : page(graphics::canvas.draw_page)) {
            const bool known = p == 0 || p == pens.white || p == pens.magenta || p == pens.green ||
                               (p >= 32 && p <= 52);
            n += known ? 0 : 1;
        }
        return n;
    }

    std::unique_ptr<State> state;
};

Room with_sides(int n) {
    Room r;
    r.side_count = n;
    return r;
}
Room with_step(int n) {
    Room r;
    r.pixel_step = n;
    return r;
}

TEST_F(PolycastTest, KeyTableWithItsWrapsAndBounds) {
    struct Case {
        const char* what;
        Room before;
        int key;
        Room after;
    };
    const Room start;
    Room radius_up = start, radius_down = start, near_up = start, near_down = start,
         height_up = start, height_down = start;
    radius_up.room_radius = 1.0 + 0.1;
    radius_down.room_radius = 1.0 - 0.1;
    near_up.near_distance = 0.1 + 0.1;
    near_down.near_distance = 0.1 - 0.1;
    height_up.wall_height = 0.5 + 0.1;
    height_down.wall_height = 0.5 - 0.1;
    const Case cases[] = {
        {"a takes a side", with_sides(4), 'a', with_sides(3)},
        {"a at 3 wraps to 30", with_sides(3), 'a', with_sides(30)},
        {"q adds a side", with_sides(29), 'q', with_sides(30)},
        {"q at 30 wraps to 3", with_sides(30), 'q', with_sides(3)},
        {"t widens the step", with_step(9), 't', with_step(10)},
        {"t stops at 10", with_step(10), 't', with_step(10)},
        {"g narrows the step", with_step(2), 'g', with_step(1)},
        {"g stops at 1", with_step(1), 'g', with_step(1)},
        {"w", start, 'w', radius_up},
        {"s", start, 's', radius_down},
        {"e", start, 'e', near_up},
        {"d", start, 'd', near_down},
        {"r", start, 'r', height_up},
        {"f", start, 'f', height_down},
        {"upper-case Q does nothing", start, 'Q', start},
        {"upper-case A does nothing", start, 'A', start},
        {"the second code of Up does nothing", start, 72, start},
        {"Esc changes no setting", start, 27, start},
        {"no key", start, 0, start},
    };
    for (const Case& c : cases) {
        Room room = c.before;
        polycast::apply_key(room, c.key);
        EXPECT_EQ(room, c.after) << c.what;
    }
}

TEST_F(PolycastTest, TakesOneTypedKeyPerFrameAndAnExtendedKeyAsItsSecondCode) {
    graphics::memory::type_bytes({0, 72, 'q', 'q'});
    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(state->key, 72);
    EXPECT_EQ(state->room.side_count, 4);
    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(state->key, 'q');
    EXPECT_EQ(state->room.side_count, 5);
    EXPECT_TRUE(graphics::key_waiting());  // the second q waits for the next frame
    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(state->room.side_count, 6);
    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(state->key, 0);
    EXPECT_EQ(state->room.side_count, 6);
}

TEST_F(PolycastTest, TheRoomTurnsByAHundredthOfARadianEachFrame) {
    Room room;
    const Point expected[] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}, {1, 0}};
    for (int i = 0; i <= 4; ++i) {  // left to right in front: vertices 2, 3, 4
        const Point p = polycast::vertex(room, i);
        EXPECT_NEAR(p.x, expected[i].x, 1e-15) << "vertex " << i;
        EXPECT_NEAR(p.y, expected[i].y, 1e-15) << "vertex " << i;
    }
    room.room_angle = std::acos(-1.0) / 2;  // a quarter turn: vertex 0 stands where 1 stood
    EXPECT_NEAR(polycast::vertex(room, 0).x, 0, 1e-15);
    EXPECT_NEAR(polycast::vertex(room, 0).y, -1, 1e-15);

    for (int k = 0; k < 3; ++k) ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(state->room.room_angle, 0.0 + 0.01 + 0.01 + 0.01);  // summed, never reduced
}

TEST_F(PolycastTest, FirstFrameClipsTheEdgesAtTheNearLine) {
    const Room room;
    Point v[5];
    for (int i = 0; i <= 4; ++i) v[i] = polycast::vertex(room, i);
    // Beside and behind the viewer: only their magenta lines are drawn.
    EXPECT_FALSE(polycast::clip_to_near(v[0], v[1], room.near_distance));
    EXPECT_FALSE(polycast::clip_to_near(v[1], v[2], room.near_distance));

    const polycast::Screen screen = polycast::screen_of_window();
    EXPECT_EQ(screen.cx, 399.5);
    EXPECT_EQ(screen.cy, 299.5);
    EXPECT_EQ(screen.focal, 399.5);

    const auto left = polycast::clip_to_near(v[2], v[3], room.near_distance);
    ASSERT_TRUE(left);
    EXPECT_NEAR(left->a.x, -0.9, 1e-12);
    EXPECT_EQ(left->a.y, 0.1);
    EXPECT_EQ(left->b.x, v[3].x);
    EXPECT_EQ(left->b.y, v[3].y);
    const polycast::Span left_span = polycast::screen_span(*left, screen);
    EXPECT_EQ(left_span.s1, 0);  // about -3196, raised to the window's edge
    EXPECT_NEAR(left_span.s2, 399.5, 1e-9);

    const auto right = polycast::clip_to_near(v[3], v[4], room.near_distance);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->a.x, v[3].x);
    EXPECT_NEAR(right->b.x, 0.9, 1e-12);
    EXPECT_EQ(right->b.y, 0.1);
    const polycast::Span right_span = polycast::screen_span(*right, screen);
    EXPECT_NEAR(right_span.s1, 399.5, 1e-9);
    EXPECT_EQ(right_span.s2, 799);  // about 3995, lowered to max_x

    // Column 0 meets the wall at (-0.5, 0.5).
    const auto column = polycast::wall_column(v[2], v[3], 0, screen, room.wall_height);
    ASSERT_TRUE(column);
    EXPECT_DOUBLE_EQ(column->t, 1.0 / 799);
    EXPECT_DOUBLE_EQ(column->height, 399.5);
    EXPECT_DOUBLE_EQ(column->top, 99.75);
    EXPECT_DOUBLE_EQ(column->bottom, 499.25);
    EXPECT_DOUBLE_EQ(column->u, 16);
    EXPECT_EQ(column->v, 0);
}

// Columns 0, step, 2 step, ... up to 399 are cast, each sampled from row 100
// (99.75 rounded) every step rows while the row is below 499.25.
TEST_F(PolycastTest, SamplesEveryPixelStepAcrossAndDown) {
    for (int step : {1, 3, 10}) {
        harness::manual();
        polycast::start_up(*state);
        state->room.pixel_step = step;
        ASSERT_TRUE(polycast::frame(*state));
        for (int x = 0; x < 100; ++x) {
            bool any = false;
            for (int y = 0; y < 600; ++y) {
                if (y < near_row - 1 || y > near_row + 1) any = any || wall_at(x, y);
            }
            EXPECT_EQ(any, x % step == 0) << "step " << step << ", column " << x;
        }
        for (int y = 0; y < 600; ++y) {
            if (y >= near_row - 1 && y <= near_row + 1) continue;
            const bool sampled = y >= 100 && y <= 499 && (y - 100) % step == 0;
            EXPECT_EQ(wall_at(0, y), sampled) << "step " << step << ", row " << y;
        }
    }
}

// The clipped edge keeps its texture in place: column 0 reads texture column
// u = 16 of the whole edge, rows 0..31 from the wall's top (99.75) to its
// bottom (499.25), 12.48 pixel rows per texel. Each row is probed in the
// middle of its band.
TEST_F(PolycastTest, ColumnZeroReadsTheMiddleOfTheEdgeDownTheWall) {
    state->room.pixel_step = 1;
    ASSERT_TRUE(polycast::frame(*state));
    const polycast::Texture& t = state->world.wall_texture;
    for (int v = 0; v < 32; ++v) {
        const int y = static_cast<int>(std::lround(99.75 + (v + 0.5) * (399.5 / 32)));
        if (y >= near_row - 1 && y <= near_row + 1) continue;
        EXPECT_EQ(drawn(0, y), t[16][v]) << "texture row " << v << ", pixel row " << y;
    }
}

TEST_F(PolycastTest, TheTextureIsTheSameOnEveryRun) {
    const polycast::Texture first = state->world.wall_texture;
    harness::manual(12345);  // a different seed, and the generator disturbed
    for (int k = 0; k < 17; ++k) graphics::random_int(8);
    polycast::start_up(*state);
    EXPECT_EQ(state->world.wall_texture, first);

    bool noisy = false;
    for (int u = 0; u <= 32; ++u) {
        for (int v = 0; v <= 32; ++v) {
            const int t = first[u][v];
            if (u == 32 || v == 32) {
                EXPECT_EQ(t, 0) << u << ", " << v;
                continue;
            }
            const int q = ((u ^ v) * 40) / 37;  // the noise adds 0..7 before halving
            EXPECT_GE(t, q / 2 + 32) << u << ", " << v;
            EXPECT_LE(t, (q + 7) / 2 + 32) << u << ", " << v;
            noisy = noisy || t != q / 2 + 32;
        }
    }
    EXPECT_TRUE(noisy);
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PolycastRun, TheSamePictureWhateverTheSeed) {
    const std::string a = "polycast_seed1.png", b = "polycast_seed2.png";
    ASSERT_EQ(harness::castrun({"polycast", "--frames", "3", "--seed", "1", "--png", a}).status, 0);
    ASSERT_EQ(harness::castrun({"polycast", "--frames", "3", "--seed", "2", "--png", b}).status, 0);
    const std::string pa = file_bytes(a);
    EXPECT_FALSE(pa.empty());
    EXPECT_EQ(pa, file_bytes(b));
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST_F(PolycastTest, TheFarEndOfAnEdgeOrOfTheWallSamplesBlack) {
    const polycast::Texture& t = state->world.wall_texture;
    struct Case {
        double u, v;
        int expected;
    };
    const Case cases[] = {
        {32, 5, 0},                   // the end of an edge
        {5, 32, 0},                   // the bottom of the wall
        {32, 32, 0},                  //
        {31.999, 31.999, t[31][31]},  // just inside
        {16.7, 0.2, t[16][0]},        // truncated
        {-0.5, 3, t[0][3]},           // past the start of the edge
        {-7, 3, t[0][3]},             //
        {40, 3, t[32][3]},            // past its end
        {1e300, -1e300, t[32][0]},    //
        {nan, 3, t[0][3]},            // an undefined coordinate
        {3, inf, t[3][32]},           //
        {-inf, nan, t[0][0]},         //
    };
    for (const Case& c : cases) {
        EXPECT_EQ(polycast::texel(t, c.u, c.v), c.expected) << c.u << ", " << c.v;
    }
}

TEST_F(PolycastTest, RaysThatMeetNoWallInFrontCastNothing) {
    const polycast::Screen screen = polycast::screen_of_window();
    struct Case {
        const char* what;
        Point a, b;
        double sx;
    };
    const Case cases[] = {
        // (a.y - b.y) * 399 - (a.x - b.x) * 399.5 is exactly 0.
        {"parallel to the edge", {0, 1}, {-3.1171875, -2.12109375}, 798.5},
        {"the line behind the eye", {1, -1}, {-1, -1}, 0},
        {"the line through the eye", {-1, -1}, {1, 1}, 100},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(polycast::wall_column(c.a, c.b, c.sx, screen, 0.5)) << c.what;
    }
    // A negative wall height in front: top below bottom, so nothing is sampled.
    const auto column = polycast::wall_column({-1, 0.5}, {1, 0.5}, 100, screen, -0.5);
    ASSERT_TRUE(column);
    EXPECT_GT(column->top, column->bottom);
}

// Settings with no bounds: none of them may end the program or read past the
// texture, and every pixel drawn is black, a pen or a texel.
TEST_F(PolycastTest, UnboundedSettingsNeverFail) {
    struct Case {
        const char* what;
        double radius, near_distance, height;
    };
    const Case cases[] = {
        {"near line at the eye", 1.0, 0.0, 0.5},
        {"near line behind the eye", 1.0, -0.3, 0.5},
        {"everything passes the clip", 1.0, -5.0, 0.5},
        {"negative wall behind", 1.0, -5.0, -0.5},
        {"no room", 0.0, 0.1, 0.5},
        {"no room, no clip", 0.0, -0.1, 0.5},
        {"a room turned inside out", -1.0, 0.1, 0.5},
        {"a huge room", 5000.0, 0.1, 0.5},
        {"a far near line", 1.0, 1e6, 0.5},
        {"a flat wall", 1.0, 0.1, 0.0},
    };
    for (const Case& c : cases) {
        for (int sides : {3, 4, 7, 30}) {
            for (int step : {1, 10}) {
                Room room;
                room.side_count = sides;
                room.room_radius = c.radius;
                room.near_distance = c.near_distance;
                room.wall_height = c.height;
                room.pixel_step = step;
                for (double angle : {0.0, 0.01, 0.5}) {
                    room.room_angle = angle;
                    graphics::clear_page();
                    polycast::render_view(state->world, room);
                    EXPECT_EQ(strays(), 0) << c.what << ", " << sides << " sides";
                }
            }
        }
    }
    // The parallel edge above, drawn whole with every column cast.
    Room room;
    room.near_distance = -5;
    room.pixel_step = 1;
    graphics::clear_page();
    polycast::draw_wedge(state->world, room, polycast::screen_of_window(), {0, 1},
                         {-3.1171875, -2.12109375});
    EXPECT_EQ(strays(), 0);
}

TEST_F(PolycastTest, ANegativeWallHeightGivesAnEmptyWall) {
    for (double near_distance : {0.1, 0.0, -5.0}) {
        Room room;
        room.wall_height = -0.5;
        room.near_distance = near_distance;
        room.pixel_step = 1;
        graphics::clear_page();
        polycast::render_view(state->world, room);
        int texels = 0;
        for (std::uint32_t p : page(graphics::canvas.draw_page)) {
            // magenta (36) lies in the texture's band; every other texel colour counts
            if (p >= 32 && p <= 52 && p != state->world.pens.magenta) ++texels;
        }
        EXPECT_EQ(texels, 0) << "near " << near_distance;
    }
}

// Flip and clear come first: a frame is shown only by the next one, and the
// page drawn on is cleared of the frame before last.
TEST_F(PolycastTest, FlipsAndClearsBeforeDrawing) {
    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(graphics::canvas.draw_page, 0);
    EXPECT_EQ(graphics::canvas.show_page, 1);
    const std::vector<std::uint32_t> first = page(0);
    for (std::uint32_t p : page(1)) ASSERT_EQ(p, 0u);  // the first shown page is blank

    ASSERT_TRUE(polycast::frame(*state));
    EXPECT_EQ(graphics::canvas.show_page, 0);
    EXPECT_EQ(page(0), first);

    const Room third = state->room;
    ASSERT_TRUE(polycast::frame(*state));
    const std::vector<std::uint32_t> drawn_third = page(0);
    graphics::set_draw_page(0);
    graphics::clear_page();
    polycast::render_view(state->world, third);
    EXPECT_EQ(page(0), drawn_third);
    EXPECT_NE(drawn_third, first);
}

TEST(PolycastRun, EscEndsAfterDrawingAFrameThatIsNeverShown) {
    EXPECT_TRUE(harness::run_program(polycast::run, "1 type=<Esc>", 5));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 1);
    const auto& pages = graphics::canvas.pages;
    int shown_lit = 0, drawn_lit = 0;
    for (std::uint32_t p : pages[static_cast<std::size_t>(graphics::canvas.show_page)]) {
        shown_lit += p != 0;
    }
    for (std::uint32_t p : pages[static_cast<std::size_t>(graphics::canvas.draw_page)]) {
        drawn_lit += p != 0;
    }
    EXPECT_EQ(shown_lit, 0);
    EXPECT_GT(drawn_lit, 10000);

    // Esc behind another key is read, and acted on, one frame later.
    EXPECT_TRUE(harness::run_program(polycast::run, "1 type=q<Esc>", 5));
    EXPECT_EQ(graphics::memory::pump_count(), 2);
}

}  // namespace
