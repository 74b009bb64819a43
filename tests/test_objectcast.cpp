// objectcast: the built world and its cell rules, the renderer's painting
// rules, and the controls and physics driven frame by frame through scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"
#include "objectcast/objectcast.h"

namespace {

using namespace objectcast;

struct Built {
    std::unique_ptr<World> world = std::make_unique<World>();
    Viewer viewer;
    Built() { build_world(*world, viewer); }
};

// ---------------------------------------------------------------- the world

TEST(World, MovingObjectsInScanOrder) {
    struct Row {
        int a, b, low, base, high;
    };
    const std::vector<Row> expected = {
        {21, 2, 120, 120, 900}, {26, 7, 70, 120, 600},   {26, 8, 70, 120, 600},
        {26, 9, 70, 120, 600},  {26, 10, 70, 120, 600},  {6, 11, 150, 150, 500},
        {7, 11, 120, 150, 500}, {8, 11, 120, 150, 500},  {29, 17, 10, 500, 900},
        {4, 18, 50, 50, 510},   {29, 18, 500, 500, 900}, {4, 19, 50, 50, 510},
        {29, 19, 200, 500, 900}};
    const Built built;
    const World& w = *built.world;
    ASSERT_EQ(w.object_count, 13);
    EXPECT_EQ(w.object_table[0], MovingObject{});
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const Row& r = expected[k];
        const MovingObject want{r.a, r.b, r.low, r.high, 0, r.base, 5};
        EXPECT_EQ(w.object_table[k + 1], want) << "record " << k + 1;
        EXPECT_EQ(w.type_map[r.a][r.b], 0) << "marker left at record " << k + 1;
    }
    EXPECT_EQ(w.object_table[14], MovingObject{});
}

TEST(World, LaterStartMarkerWinsAndBothBecomeFloor) {
    const Built built;
    EXPECT_EQ(built.world->type_map[7][9], 0);
    EXPECT_EQ(built.world->type_map[8][17], 0);
    const Viewer& v = built.viewer;
    EXPECT_EQ(v.pos_x, 32768);
    EXPECT_EQ(v.pos_y, 69632);
    EXPECT_EQ(v.heading, 450);
    EXPECT_EQ(v.eye_level, -9600);
    EXPECT_EQ(v.fall_speed, 100);
    EXPECT_FALSE(v.airborne);
    EXPECT_EQ(v.horizon, 100);
    EXPECT_EQ(v.column_step, 2);
    EXPECT_EQ(v.ray_limit, 200);
    EXPECT_EQ(built.world->wave_phase, 0);
}

TEST(World, GridsTranscribedAsBuilt) {
    // Corners, the towers, the water and a few cells off the diagonals, so a
    // transposed or shifted table shows.
    struct Row {
        int a, b, type, colour, height;
    };
    const std::vector<Row> cells = {
        {1, 1, 31, 63, 200},     {1, 30, 127, 127, 100}, {30, 1, 31, 232, 900},
        {30, 30, 127, 127, 100}, {4, 27, 0, 127, 901},   {5, 28, 0, 127, 901},
        {14, 5, -33, 31, 1},     {2, 21, 14, 127, 100},  {21, 2, 0, 44, 120},
        {23, 3, -41, 28, 120},   {24, 4, -44, 28, 120},  {7, 5, 5, 63, 150},
        {30, 7, 31, 72, 900},    {12, 16, 2, 63, 120},   {17, 1, 31, 44, 180}};
    const Built built;
    const World& w = *built.world;
    for (const Row& r : cells) {
        EXPECT_EQ(w.type_map[r.a][r.b], r.type) << r.a << "," << r.b;
        EXPECT_EQ(w.colour_map[r.a][r.b], r.colour) << r.a << "," << r.b;
        EXPECT_EQ(w.height_map[r.a][r.b], r.height) << r.a << "," << r.b;
    }
}

TEST(World, SineTablesTruncateTwice) {
    struct Row {
        int i, sin, cos;
    };
    const Built built;
    for (const Row& r : std::vector<Row>{{0, 0, 409},
                                         {1, 1, 409},
                                         {225, 289, 289},
                                         {450, 409, 0},
                                         {900, 0, -409},
                                         {1350, -409, 0},
                                         {1795, -7, 409}}) {
        EXPECT_EQ(built.world->sin_table[r.i], r.sin) << r.i;
        EXPECT_EQ(built.world->cos_table[r.i], r.cos) << r.i;
    }
}

TEST(World, RampPalette) {
    struct Row {
        int i;
        Rgb6 rgb;
    };
    for (const Row& r : std::vector<Row>{
             {0, {0, 0, 0}},      {6, {42, 21, 0}},    {15, {63, 63, 63}},
             {16, {0, 0, 4}},     {31, {0, 0, 63}},    {46, {0, 60, 0}},
             {88, {36, 0, 36}},   {89, {39, 0, 39}},  // one short of 40
             {90, {44, 0, 44}},   {96, {4, 2, 0}},     {111, {63, 32, 0}},
             {112, {4, 4, 4}},    {131, {25, 25, 25}}, {132, {27, 27, 27}},
             {143, {43, 43, 43}}, {144, {2, 2, 4}},    {217, {39, 20, 39}},  // one short of 40
             {218, {44, 22, 44}}, {232, {36, 36, 0}},  {240, {45, 45, 45}},
             {252, {58, 58, 58}}, {255, {63, 63, 63}}}) {
        EXPECT_EQ(ramp_palette[static_cast<std::size_t>(r.i)], r.rgb) << r.i;
    }
}

struct ShapeCase {
    const char* what;
    int t, h, c, fx, fy, phase;
    int height, colour;
};

TEST(World, ShapeCell) {
    const std::vector<ShapeCase> cases = {
        {"tower corner block", 0, 901, 127, 3600, 3600, 0, 401, 127},
        {"tower front", 0, 901, 127, 3600, 3400, 0, 901, 31},
        {"tower side", 0, 901, 127, 3400, 3600, 0, 901, 127},
        {"tower rule on a wall type", 127, 901, 127, 3600, 3600, 0, 401, 127},
        {"wall gets no type rule", 31, 200, 63, 2048, 2048, 0, 200, 63},
        {"plain floor", 0, 120, 44, 2048, 2048, 0, 120, 44},
        {"plate, low region", 1, 120, 47, 2000, 2000, 0, 170, 124},
        {"plate, high region", 1, 120, 47, 2000, 1200, 0, 220, 127},
        {"plate, boundary excluded", 1, 120, 47, 1000, 2000, 0, 120, 47},
        {"type 2 front", 2, 120, 63, 100, 999, 0, 420, 124},
        {"type 3 front", 3, 120, 63, 100, 999, 0, 420, 127},
        {"type 3 behind", 3, 120, 63, 100, 1000, 0, 120, 63},
        {"type 4 back", 4, 120, 63, 100, 3501, 0, 220, 124},
        {"slab 5 patch", 5, 150, 63, 700, 700, 0, 200, 0},
        {"slab 5 middle", 5, 150, 63, 2000, 2000, 0, 200, 45},
        {"slab 5 front rim", 5, 150, 63, 2000, 400, 0, 210, 110},
        {"slab 5 side rim before patch", 5, 150, 63, 3600, 3800, 0, 210, 110},
        {"slab 5 back patch", 5, 150, 63, 600, 3800, 0, 200, 0},
        {"slab 6 back rim", 6, 150, 63, 700, 3600, 0, 210, 110},
        {"slab 6 front patch", 6, 150, 63, 700, 200, 0, 200, 0},
        {"slab 6 inner patch", 6, 150, 63, 3200, 3200, 0, 200, 0},
        {"bump 7 top", 7, 400, 31, 2048, 0, 0, 450, 31},
        {"dip -7", -7, 400, 31, 2048, 0, 0, 350, 31},
        {"bump 8 along y", 8, 400, 31, 0, 2048, 0, 450, 31},
        {"wave 9 sinks in its second half", 9, 70, 79, 4000, 0, 2000, 21, 79},
        {"wave 9 wraps at 8191", 9, 70, 79, 4000, 0, 8000, 80, 79},
        {"wave -10", -10, 70, 79, 0, 2048, 4096, 70 + 50, 79},
        {"gentle ramp 11", 11, 120, 44, 4095, 0, 0, 201, 44},
        {"gentle ramp 13 at its foot", 13, 120, 44, 0, 0, 0, 201, 44},
        {"steep ramp -14", -14, 200, 44, 0, 100, 0, 399, 44},
        {"stripe -30", -30, 120, 44, 0, 2000, 0, 120, 111},
        {"stripe -31 outside", -31, 120, 44, 0, 2000, 0, 120, 44},
        {"double wave -32", -32, 100, 47, 2048, 2048, 0, 200, 43},
        {"water -33", -33, 100, 31, 2048, 2048, 0, 0, 27},
        {"water -33 masked by 4095", -33, 100, 31, 0, 0, 2048, 0, 27},
        {"double wave -34", -34, 70, 31, 1024, 0, 1024, 70 + 63 - 106, 27},
        {"pyramid -41", -41, 120, 28, 2000, 1000, 0, 120 + 100 + 50, 28},
        {"pyramid apex -44", -44, 120, 28, 0, 0, 0, 120 + 408, 28},
        {"pyramid -43", -43, 120, 28, 1000, 4000, 0, 120 + 4 + 50, 28},
        {"unlisted type below 16", -20, 120, 44, 2048, 2048, 0, 120, 44},
        {"blocker below -128", -200, 120, 44, 2048, 2048, 0, 120, 44}};
    for (const ShapeCase& s : cases) {
        const Surface got = shape_cell(s.t, s.h, s.c, s.fx, s.fy, s.phase);
        EXPECT_EQ(got.height, s.height) << s.what;
        EXPECT_EQ(got.colour, s.colour) << s.what;
    }
}

TEST(World, StandingLevel) {
    struct Row {
        const char* what;
        int t, H, fx, fy, phase, level;
    };
    const std::vector<Row> rows = {
        {"plain floor", 0, 120, 100, 100, 0, -1700},
        {"start cell", 0, 400, 0, 0, 0, -4500},
        {"raised plate stands plain", 1, 120, 2000, 2000, 0, -1700},
        {"slab stands plain", 5, 150, 2000, 2000, 0, -2000},
        {"tower stands plain", 0, 901, 3600, 3600, 0, -9510},
        {"bump 7 top", 7, 400, 2048, 0, 0, -5000},
        {"dip -8 bottom", -8, 400, 0, 2048, 0, -4000},
        {"wave 10 through the phase", 10, 70, 0, 0, 2048, -1700},
        {"gentle ramp 12", 12, 120, 0, 4095, 0, -1700 - 810},
        {"steep ramp -13", -13, 120, 0, 0, 0, -1700 - 2040},
        {"double wave -32", -32, 100, 0, 2048, 0, -1000},
        {"water at rest", -33, 100, 0, 0, 0, 0},
        {"water lifted", -33, 100, 2048, 0, 0, -1000},
        {"water sunk", -33, 100, 0, 2048, 0, 1000},
        {"double wave -34", -34, 70, 2048, 2048, 2048, -700 + 0 - 1500 - 500},
        {"pyramid -41", -41, 120, 3000, 1000, 0, -1200 + 20000 - 500},
        {"pyramid -42", -42, 120, 0, 0, 0, -1200 + 40960 - 500},
        {"pyramid -43", -43, 120, 0, 0, 0, -1200 - 40960 - 500},
        {"pyramid -44", -44, 120, 1000, 3000, 0, -1200 + 20000 - 500}};
    for (const Row& r : rows) {
        EXPECT_EQ(standing_level(r.t, r.H, r.fx, r.fy, r.phase), r.level) << r.what;
    }
}

TEST(World, SolidTypes) {
    for (int t : {16, 31, 127, -129, -200}) EXPECT_TRUE(is_solid(t)) << t;
    for (int t : {15, 14, 0, -1, -44, -128}) EXPECT_FALSE(is_solid(t)) << t;
}

TEST(World, ObjectSweepsBetweenItsEnds) {
    Built built;
    World& w = *built.world;
    update_objects(w);
    EXPECT_EQ(w.height_map[21][2], 125);
    // 120 up to 900 in steps of 5, turning on the frame it reaches 900.
    int frames = 1;
    while (w.height_map[21][2] < 900 && frames < 1000) {
        update_objects(w);
        ++frames;
    }
    EXPECT_EQ(frames, 156);
    EXPECT_EQ(w.object_table[1].speed, -5);
    update_objects(w);
    EXPECT_EQ(w.height_map[21][2], 895);
    while (w.height_map[21][2] > 120 && frames < 1000) {
        update_objects(w);
        ++frames;
    }
    EXPECT_EQ(w.object_table[1].speed, 5);
    update_objects(w);
    EXPECT_EQ(w.height_map[21][2], 125);
}

TEST(World, ObjectWithEqualEndsFlipsTwiceAtThatHeight) {
    // low = high = base = 200: at 200 both end tests flip the speed, so the
    // object passes through 200 and turns only 5 beyond it on either side.
    auto w = std::make_unique<World>();
    w->object_count = 1;
    w->object_table[1] = {5, 5, 200, 200, 0, 200, 5};
    struct Row {
        int height, speed;
    };
    for (const Row& r : std::vector<Row>{{205, -5}, {200, -5}, {195, 5}, {200, 5}, {205, -5}}) {
        update_objects(*w);
        EXPECT_EQ(w->height_map[5][5], r.height);
        EXPECT_EQ(w->object_table[1].speed, r.speed);
    }
}

// ------------------------------------------------------------- the renderer

// A window as the program opens it, and the world and viewer as built.
class Render : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        graphics::open_window(3, 4, "RAYCASTING CU OBIECTE");
        build_world(*world, viewer);
    }

    // The drawing page after render_view on a page first filled with
    // background, or with a colour no other pixel shows.
    std::vector<std::uint32_t> render_on(std::uint32_t background) {
        graphics::set_fill(1, background);
        graphics::fill_rect(0, 0, graphics::max_x(), graphics::max_y());
        render_view(*world, viewer);
        return graphics::canvas.pages[graphics::canvas.draw_page];
    }

    // Which pixels render_view paints: those that come out the same over two
    // different backgrounds.
    std::vector<bool> painted() {
        const auto a = render_on(0), b = render_on(255);
        std::vector<bool> mask(a.size());
        for (std::size_t i = 0; i < a.size(); ++i) mask[i] = a[i] == b[i];
        return mask;
    }

    static std::size_t at(int x, int y) { return static_cast<std::size_t>(y) * 640 + x; }

    std::unique_ptr<World> world = std::make_unique<World>();
    Viewer viewer;
};

// The blocks of a box put one by one, as the box is defined.
void box_block_by_block(int x1, int y1, int x2, int y2, int c) {
    auto span = [&](int x, int a, int b) {
        if (b < a) std::swap(a, b);
        a = std::max(a, 0);
        b = std::min(b, 199);
        for (int y = a; y <= b; ++y) put_block(x, y, c);
    };
    if (x1 == x2) {
        span(x1, y1, y2);
        return;
    }
    if (x2 < x1) std::swap(x1, x2);
    for (int i = x1; i <= x2; ++i) {
        if (0 <= i && i < 320) span(i, y1, y2);
        put_block(i, y1, c);
        put_block(i, y2, c);
    }
}

TEST_F(Render, BoxesPaintTheSamePixelsAsTheirBlocks) {
    struct Box {
        int x1, y1, x2, y2, c;
    };
    // Overlapping boxes in several colours, so the order of painting shows.
    const std::vector<Box> boxes = {
        {10, 20, 10, 60, 47},     {11, 60, 11, 20, 63},    {12, -5, 12, 250, 31},
        {20, 150, 21, 210, 44},   {21, -1, 22, 90, 20},    {23, 100, 20, 80, 127},
        {300, 50, 349, 120, 232}, {318, 199, 322, 200, 9}, {-3, 10, 2, 40, 79},
        {40, 250, 45, 230, 110},  {50, -20, 52, -10, 15},  {60, 7, 61, 7, 200},
        {100, 120, 100, 119, 0},  {5, 199, 9, 5, 255}};
    graphics::clear_page();
    for (const Box& b : boxes) box_block_by_block(b.x1, b.y1, b.x2, b.y2, b.c);
    const auto expected = graphics::canvas.pages[graphics::canvas.draw_page];
    graphics::clear_page();
    for (const Box& b : boxes) draw_box(b.x1, b.y1, b.x2, b.y2, b.c);
    const auto& got = graphics::canvas.pages[graphics::canvas.draw_page];
    ASSERT_EQ(got.size(), expected.size());
    int differing = 0;
    for (std::size_t i = 0; i < got.size(); ++i) differing += got[i] != expected[i];
    EXPECT_EQ(differing, 0);
}

TEST_F(Render, PutBlockUsesTheNearestWindowColour) {
    graphics::clear_page();
    put_block(5, 7, 20);    // ramp (0, 0, 16): the sky
    put_block(6, 7, 89);    // (39, 0, 39)
    put_block(-1, -1, 15);  // only pixel (0, 0) lies in the window
    EXPECT_EQ(harness::shown(10, 14), graphics::canvas.palette[graphics::rgb_colour(0, 0, 64)]);
    EXPECT_EQ(harness::shown(12, 16), graphics::canvas.palette[graphics::rgb_colour(156, 0, 156)]);
    EXPECT_EQ(harness::shown(0, 0), graphics::canvas.palette[graphics::rgb_colour(252, 252, 252)]);
    EXPECT_EQ(harness::shown(1, 1), graphics::Rgb{});
}

// Columns 1, 2 and 50 blocks wide, from the start and from a standing view.
TEST_F(Render, ColumnStepsPaintTheViewAndTheirEndBlocks) {
    for (const bool standing : {false, true}) {
        if (standing) viewer.eye_level = -4500;
        for (const int step : {1, 2, 50}) {
            SCOPED_TRACE(::testing::Message()
                         << "column_step " << step << " standing " << standing);
            viewer.column_step = step;
            const std::vector<bool> mask = painted();
            // Every pixel of the view's 320 x 200 blocks is painted.
            int holes = 0;
            for (int y = 0; y <= 400; ++y)
                for (int x = 0; x < 640; ++x) holes += !mask[at(x, y)];
            EXPECT_EQ(holes, 0);
            // Below the view only the end blocks of wider boxes reach, on row 200.
            int below = 0, far_below = 0;
            for (int y = 401; y < 480; ++y)
                for (int x = 0; x < 640; ++x) (y <= 402 ? below : far_below) += mask[at(x, y)];
            EXPECT_EQ(far_below, 0);
            if (step == 1) {
                EXPECT_EQ(below, 0);
            } else {
                EXPECT_GT(below, 0);
            }
        }
    }
}

TEST_F(Render, WideColumnsRepeatTheirRayUpToTheEdge) {
    viewer.eye_level = -4500;
    viewer.column_step = 50;
    const auto page = render_on(0);
    // Columns 300..349 are one box: pixel columns 601..639 match column 601;
    // the first group 0..49 fills pixel columns 1..99 alike.
    for (const auto& [first, last] : std::vector<std::pair<int, int>>{{1, 99}, {601, 639}}) {
        int differing = 0;
        for (int x = first + 1; x <= last; ++x)
            for (int y = 0; y <= 400; ++y) differing += page[at(x, y)] != page[at(first, y)];
        EXPECT_EQ(differing, 0) << first << ".." << last;
    }
    // and the groups differ from each other somewhere.
    int differing = 0;
    for (int y = 0; y <= 400; ++y) differing += page[at(99, y)] != page[at(101, y)];
    EXPECT_GT(differing, 0);
}

TEST(RenderRules, RayAngleCorrectionsDiffer) {
    struct Row {
        int heading, offset, angle;
    };
    for (const Row& r : std::vector<Row>{{450, 0, 450},
                                         {1795, 1, 0},  // 1796 - 1796
                                         {1795, 160, 159},
                                         {1700, 96, 0},
                                         {0, -1, 1794},  // -1 + 1795
                                         {100, -159, 1736},
                                         {159, -159, 0},
                                         {1635, 160, 1795}}) {
        EXPECT_EQ(ray_angle(r.heading, r.offset), r.angle) << r.heading << " " << r.offset;
    }
}

// A flat world: floor of one height everywhere inside a ring of wall 31,
// the floor in colour 47 (the top of the green ramp), the ring in 63.
void make_flat(World& world, int height) {
    for (int a = 1; a <= grid_size; ++a) {
        for (int b = 1; b <= grid_size; ++b) {
            const bool ring = a == 1 || b == 1 || a == grid_size || b == grid_size;
            world.type_map[a][b] = ring ? 31 : 0;
            world.colour_map[a][b] = ring ? 63 : 47;
            world.height_map[a][b] = height;
        }
    }
}

std::uint32_t window_colour_of(int c) {
    const Rgb6 rgb = ramp_palette[static_cast<std::size_t>(c)];
    return graphics::rgb_colour(4 * rgb.red, 4 * rgb.green, 4 * rgb.blue);
}

TEST_F(Render, CentreColumnOverFlatGround) {
    // Standing at the middle of (15, 15) on floor 10 (eye level -600) and
    // looking along -y: the centre ray has k = 1 and steps (0, 409). A surface
    // at distance s lies 1524 div s rows under the horizon, so block row
    // 100 + q is painted by step 1524 div q, darkened by one entry per 8
    // steps. The ray meets the ring (b = 1) at step 137: its backdrop, black
    // by then, rises to 100 - 424 div 137, and the sky fills the rest.
    make_flat(*world, 10);
    viewer.pos_x = viewer.pos_y = 15 * 4096 + 2048;
    viewer.eye_level = -600;
    viewer.heading = 450;
    viewer.column_step = 1;
    viewer.ray_limit = 250;
    const auto page = render_on(0);
    for (int y = 0; y < 200; ++y) {
        int c = 20;
        if (y >= 97) c = 0;
        if (y >= 112) {
            c = 47 - (1524 / (y - 100)) / 8;
            if (c < 32) c = 0;
        }
        EXPECT_EQ(page[at(2 * 159 + 1, 2 * y + 1)], window_colour_of(c)) << "block row " << y;
    }
    // A ray limit of 100 ends the same column at step 101 with the sky.
    viewer.ray_limit = 100;
    const auto short_ray = render_on(0);
    for (int y = 0; y < 200; ++y) {
        const int q = y - 100;
        const int c = q >= 1524 / 102 + 1 ? 47 - (1524 / q) / 8 : 20;
        EXPECT_EQ(short_ray[at(2 * 159 + 1, 2 * y + 1)], window_colour_of(c)) << "block row " << y;
    }
}

TEST_F(Render, GroundAtHeightZeroLeavesSeams) {
    // A drawn height of 0 is remembered as 1, so the next step's near edge
    // starts a row short of the last far edge: one-row seams (intended).
    viewer.pos_x = viewer.pos_y = 15 * 4096 + 2048;
    viewer.heading = 450;
    viewer.column_step = 1;
    for (const int height : {10, 0}) {
        make_flat(*world, height);
        viewer.eye_level = -10 * height - 500;
        const std::vector<bool> mask = painted();
        int holes = 0;
        for (int y = 0; y <= 400; ++y) holes += !mask[at(2 * 159 + 1, y)];
        if (height == 0) {
            EXPECT_GT(holes, 0);
        } else {
            EXPECT_EQ(holes, 0);
        }
    }
}

// Pixels of a column (x, rows first..last) in the sky colour.
int sky_pixels(const std::vector<std::uint32_t>& page, int x, int first, int last) {
    const std::uint32_t sky = graphics::rgb_colour(0, 0, 64);
    int n = 0;
    for (int y = first; y <= last; ++y) n += page[static_cast<std::size_t>(y) * 640 + x] == sky;
    return n;
}

TEST_F(Render, RayLimitEndsInTheSkyColour) {
    // Standing in the open at (15, 25) looking along -x: the wall ring is 14
    // cells away, out of reach of 50 steps (about 5 cells) but not of 250.
    viewer.pos_x = 15 * 4096 + 2048;
    viewer.pos_y = 25 * 4096 + 2048;
    viewer.heading = 0;
    viewer.eye_level = -1500;
    viewer.column_step = 1;
    viewer.ray_limit = 250;
    const auto far = render_on(0);
    viewer.ray_limit = 50;
    const auto near = render_on(0);
    // The centre column (offset 0 is column 159): above the ground the short
    // ray leaves only sky; the long one shows the wall's backdrop there.
    const int x = 2 * 159 + 1;
    int ground = 0;
    while (ground < 400 && near[at(x, ground)] == near[at(x, 0)]) ++ground;
    ASSERT_LT(ground, 400);
    EXPECT_EQ(sky_pixels(near, x, 0, ground - 1), ground);
    EXPECT_LT(sky_pixels(far, x, 0, ground - 1), ground);
}

TEST_F(Render, HorizonAtItsLimits) {
    viewer.eye_level = -4500;  // standing on the start cell
    viewer.column_step = 1;
    // Looking up as far as allowed: mostly sky, and no floor as near as the
    // viewer's own, whose first rows would fill the bottom of the view.
    viewer.horizon = 300;
    const auto up = render_on(0);
    int sky = 0;
    for (int x = 1; x < 640; x += 2) sky += sky_pixels(up, x, 0, 400);
    EXPECT_GT(sky, 320 * 401 / 2);
    // Looking down as far as allowed: ground only, no sky below the top row.
    viewer.horizon = -100;
    const auto down = render_on(0);
    sky = 0;
    for (int x = 1; x < 640; x += 2) sky += sky_pixels(down, x, 1, 400);
    EXPECT_EQ(sky, 0);
}

// ---------------------------------------------------- controls and physics

// The program started on the memory backend with a script, driven one frame
// at a time so that its state can be read between frames.
class Controls : public ::testing::Test {
  protected:
    void start(const std::string& script_text) {
        script = harness::script(script_text);
        graphics::fix_random_seed(1);
        graphics::memory::start_run(script, -1);
        start_up(*state);
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(frame(*state));
    }

    Viewer& viewer() { return state->viewer; }
    World& world() { return state->world; }

    graphics::Script script;
    std::unique_ptr<State> state = std::make_unique<State>();
};

TEST_F(Controls, StartFallLandsOnTheSeventeenthFrame) {
    start("40");
    int expected = -9600, speed = 100;
    for (int k = 1; k <= 16; ++k) {
        frames(1);
        expected += speed;
        speed += 25;
        EXPECT_EQ(viewer().eye_level, expected) << "frame " << k;
        EXPECT_EQ(viewer().fall_speed, speed) << "frame " << k;
    }
    EXPECT_EQ(viewer().eye_level, -5000);  // 500 above: followed at once
    frames(1);
    EXPECT_EQ(viewer().eye_level, -4500);
    EXPECT_EQ(viewer().ground_level, -4500);
    EXPECT_EQ(viewer().fall_speed, 500);
    frames(1);
    EXPECT_EQ(viewer().fall_speed, 100);
}

TEST_F(Controls, SingleJumpLandsOnTheTwentySecondFrame) {
    start("30\n1 Space\n40");
    frames(30);
    const int ground = viewer().eye_level;
    ASSERT_EQ(ground, -4500);
    int highest = 0, landed = 0;
    for (int k = 1; k <= 40 && landed == 0; ++k) {
        frames(1);
        highest = std::max(highest, ground - viewer().eye_level);
        if (viewer().eye_level == ground) landed = k;
    }
    EXPECT_EQ(landed, 22);
    EXPECT_EQ(highest, 1475);
    EXPECT_FALSE(viewer().airborne);
}

TEST_F(Controls, HeldSpaceKeepsRising) {
    start("30\n5 Space");
    frames(30);
    for (int k = 1; k <= 5; ++k) {
        frames(1);
        EXPECT_EQ(viewer().eye_level, -4500 - 350 * k);
    }
}

TEST_F(Controls, EyeStopsAtItsHighestLevel) {
    // However long Space is held the eye stops at -1e9, so that no row
    // computed from it leaves 32 bits.
    start("30\n3 Space");
    frames(30);
    viewer().eye_level = -999'999'500;
    frames(1);
    EXPECT_EQ(viewer().eye_level, -999'999'850);
    frames(2);
    EXPECT_EQ(viewer().eye_level, -1'000'000'000);
}

TEST_F(Controls, HeadingCorrections) {
    struct Row {
        const char* key;
        int heading, after, table_index;  // table_index: the move's direction, or -1
    };
    const std::vector<Row> rows = {
        {"Right", 1780, 35, -1}, {"Left", 20, 1765, -1}, {"Right", 1750, 1800 - 1795, -1},
        {"H", 0, 1795, 1345},    {"J", 1795, 0, 450},    {"H", 900, 900, 450},
        {"J", 900, 900, 1350}};
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.key << " at " << r.heading);
        state = std::make_unique<State>();
        start(std::string("20\n1 ") + r.key);
        frames(20);
        viewer().heading = r.heading;
        const int x = viewer().pos_x, y = viewer().pos_y;
        frames(1);
        EXPECT_EQ(viewer().heading, r.after);
        if (r.table_index >= 0) {
            EXPECT_EQ(viewer().pos_x, x + 10 * world().cos_table[r.table_index]);
            EXPECT_EQ(viewer().pos_y, y + 10 * world().sin_table[r.table_index]);
        }
    }
}

TEST_F(Controls, WalkingAndTheFastStep) {
    struct Row {
        const char* key;
        int dy;  // at heading 450 every move is along y
    };
    for (const Row& r : std::vector<Row>{{"Up", -4090}, {"Down", 4090}, {"K", -20450}}) {
        state = std::make_unique<State>();
        start(std::string("20\n1 ") + r.key);
        frames(20);
        const int x = viewer().pos_x, y = viewer().pos_y;
        frames(1);
        EXPECT_EQ(viewer().pos_x, x) << r.key;
        EXPECT_EQ(viewer().pos_y, y + r.dy) << r.key;
    }
}

TEST_F(Controls, RayLimitCycles) {
    start("20\n7 L");
    frames(20);
    for (int want : {250, 50, 100, 150, 200, 250, 50}) {
        frames(1);
        EXPECT_EQ(viewer().ray_limit, want);
    }
}

TEST_F(Controls, SettingsStopAtTheirLimits) {
    struct Row {
        const char* key;
        int frames_to_limit;
        int Viewer::*field;
        int limit;
    };
    for (const Row& r : std::vector<Row>{{"C", 48, &Viewer::column_step, 50},
                                         {"X", 1, &Viewer::column_step, 1},
                                         {"Q", 40, &Viewer::horizon, 300},
                                         {"A", 40, &Viewer::horizon, -100}}) {
        state = std::make_unique<State>();
        start(std::string("80 ") + r.key);
        frames(r.frames_to_limit);
        EXPECT_EQ(viewer().*r.field, r.limit) << r.key;
        frames(20);
        EXPECT_EQ(viewer().*r.field, r.limit) << r.key;
    }
}

TEST_F(Controls, MouseButtons) {
    struct Row {
        const char* what;
        int at_frame, buttons;
        int dy, rise;  // after that frame: move along y, levels risen
    };
    const std::vector<Row> rows = {{"left walks forward", 30, 1, -4090, 0},
                                   {"right walks back", 30, 2, 4090, 0},
                                   {"Shift with left still walks", 30, 1 | 8, -4090, 0},
                                   {"both standing: jump, no move", 30, 3, 0, 350},
                                   {"both with Shift: no jump", 30, 3 | 8, 0, 0},
                                   {"both while falling: nothing", 5, 3, 0, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        state = std::make_unique<State>();
        start(std::to_string(r.at_frame - 1) + "\n1 mouse=100,100," + std::to_string(r.buttons) +
              "\n1 mouse=100,100,0");
        frames(r.at_frame - 1);
        const Viewer before = viewer();
        frames(1);
        EXPECT_EQ(viewer().pos_x, before.pos_x);
        EXPECT_EQ(viewer().pos_y, before.pos_y + r.dy);
        if (r.at_frame == 5) {  // still falling as before
            EXPECT_EQ(viewer().eye_level, before.eye_level + before.fall_speed);
            EXPECT_FALSE(viewer().airborne);
        } else if (r.dy == 0) {
            EXPECT_EQ(viewer().eye_level, before.eye_level - r.rise);
            EXPECT_EQ(viewer().airborne, r.rise != 0);
        }
    }
}

TEST_F(Controls, DropsFollowedOrFallenAndStepsClimbedOrRefused) {
    // The cell ahead (8, 16) gets another height; one Up step enters it from
    // the start cell, whose standing level is -4500.
    struct Row {
        const char* what;
        int height_ahead, eye_before;
        bool moved;
        int eye_after;
    };
    const std::vector<Row> rows = {{"drop of 690 followed", 331, -4500, true, -3810},
                                   {"drop of 699 followed", 330, -4499, true, -3800},
                                   {"drop of 700 falls", 330, -4500, true, -4500 + 100},
                                   {"rise of 1000 climbed", 500, -4500, true, -5500},
                                   {"rise of 1001 refused", 500, -4499, false, -4499},
                                   {"rise onto a tower refused", 901, -4500, false, -4500}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        state = std::make_unique<State>();
        start("30\n1 Up");
        frames(30);
        ASSERT_EQ(viewer().fall_speed, 100);
        world().height_map[8][16] = r.height_ahead;
        viewer().eye_level = r.eye_before;
        const int y = viewer().pos_y;
        frames(1);
        EXPECT_EQ(viewer().pos_y, r.moved ? y - 4090 : y);
        EXPECT_EQ(viewer().eye_level, r.eye_after);
    }
}

TEST_F(Controls, WallsRefuseTheWholeMove) {
    // Up takes the viewer from (8, 2) into the wall ring; H, which alone would
    // be a legal side step, is undone with it.
    start("20\n1 Up H\n1 H");
    viewer().pos_x = 8 * 4096 + 2048;
    viewer().pos_y = 2 * 4096 + 100;
    viewer().eye_level = standing_level(0, world().height_map[8][2], 2048, 100, 0);
    frames(20);
    const int x = viewer().pos_x, y = viewer().pos_y;
    frames(1);
    EXPECT_EQ(viewer().pos_x, x);
    EXPECT_EQ(viewer().pos_y, y);
    frames(1);
    EXPECT_EQ(viewer().pos_x, x + 4090);
    EXPECT_EQ(viewer().pos_y, y);
}

TEST_F(Controls, OnlyTheDestinationCellIsTested) {
    // A wall across the way at (8, 15): the fast step from (8, 17) lands five
    // cells on, beyond it, and is kept; a walk into it is refused. The way
    // beyond is (8, 12), height 500: a climb of exactly 1000.
    struct Row {
        const char* key;
        int dy;
    };
    for (const Row& r : std::vector<Row>{{"K", -20450}, {"Up", 0}}) {
        state = std::make_unique<State>();
        start(std::string("20\n1 ") + r.key);
        world().type_map[8][15] = 31;
        viewer().pos_y =
            15 * 4096 + 4095 + 4090;  // at the near edge of (8, 16): one walk step reaches the wall
        frames(20);
        const int y = viewer().pos_y;
        frames(1);
        EXPECT_EQ(viewer().pos_y, y + r.dy) << r.key;
    }
}

TEST_F(Controls, MovesOutOfTheGridAreRefused) {
    // From (8, 2) the fast step would leave the grid (y below 0): refused,
    // as a move into a wall is.
    start("20\n1 K");
    viewer().pos_x = 8 * 4096 + 2048;
    viewer().pos_y = 2 * 4096 + 3000;
    viewer().eye_level = standing_level(0, world().height_map[8][2], 2048, 3000, 0);
    frames(20);
    const int x = viewer().pos_x, y = viewer().pos_y;
    frames(1);
    EXPECT_EQ(viewer().pos_x, x);
    EXPECT_EQ(viewer().pos_y, y);
}

TEST_F(Controls, RidingAMovingObject) {
    start("200");
    // The centre of the object cell (6, 11), which starts at its low end.
    viewer().pos_x = 6 * 4096 + 2048;
    viewer().pos_y = 11 * 4096 + 2048;
    viewer().eye_level = -10 * 150 - 500;
    int previous = viewer().eye_level;
    for (int k = 1; k <= 100; ++k) {
        frames(1);
        const int height = world().height_map[6][11];
        EXPECT_EQ(viewer().eye_level, -10 * height - 500) << "frame " << k;
        EXPECT_EQ(std::abs(viewer().eye_level - previous), 50) << "frame " << k;
        previous = viewer().eye_level;
    }
    EXPECT_LT(world().object_table[6].speed, 0);  // it has turned at the top
}

TEST(Program, EscEndsAndClosesTheWindow) {
    EXPECT_TRUE(harness::run_program(objectcast::run, "3\n1 Esc", 10));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 4);
}

TEST(Program, FirstFrameIsDrawnOnTheShownPageThenCleared) {
    // After one frame the empty page 1 is shown; after two, the second frame.
    ASSERT_FALSE(harness::run_program(objectcast::run, "", 1));
    EXPECT_EQ(graphics::canvas.show_page, 1);
    int lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) lit += !(harness::shown(x, y) == graphics::Rgb{});
    EXPECT_EQ(lit, 0);
    ASSERT_FALSE(harness::run_program(objectcast::run, "", 2));
    EXPECT_EQ(graphics::canvas.show_page, 0);
    EXPECT_FALSE(harness::shown(320, 100) == graphics::Rgb{});
}

TEST(Program, HelpLineUnderTheView) {
    ASSERT_FALSE(harness::run_program(objectcast::run, "", 2));
    EXPECT_EQ(graphics::canvas.title, "RAYCASTING CU OBIECTE");
    EXPECT_EQ(graphics::canvas.width, 640);
    EXPECT_EQ(graphics::canvas.height, 480);
    // The text lies centred on x = 319 with its bottom edge at row 459, in
    // the default pen colour; nothing else is drawn there.
    const graphics::Rgb white = graphics::canvas.palette[15];
    int left = 640, right = -1, top = 480, bottom = -1;
    for (int y = 403; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const graphics::Rgb p = harness::shown(x, y);
            if (p == graphics::Rgb{}) continue;
            EXPECT_EQ(p, white) << x << "," << y;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "no help line (is Liberation Sans installed?)";
    EXPECT_LE(bottom, 459);
    EXPECT_GE(top, 459 - 24);
    EXPECT_LE(std::abs((left + right) / 2 - 319), 3);
}

}  // namespace
