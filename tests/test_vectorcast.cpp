// vectorcast: textures, the rays' edge cases on small plans, the keys and the
// frame loop driven by scripts as castrun drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "graphics/window.h"
#include "harness.h"
#include "vectorcast/vectorcast.h"

namespace {

using vectorcast::Segment;
using vectorcast::State;
using vectorcast::Viewer;
using vectorcast::World;

// Start-up and the frame loop on a script, as castrun runs them, with the
// state left for inspection. The run ends at the (frames + 1)-th frame
// boundary, after that frame's view is drawn.
void run_script(State& state, const std::string& text, long frames) {
    static graphics::Script script;  // the memory backend reads it during the run
    script = harness::script(text);
    graphics::fix_random_seed(1);
    graphics::memory::start_run(script, frames);
    vectorcast::start_up(state);
    try {
        while (vectorcast::frame(state)) {
        }
    } catch (const graphics::memory::RunEnded&) {
    }
}

// The palette index of big pixel (x, y) on the drawing page.
std::uint32_t block(int x, int y) {
    const auto& c = graphics::canvas;
    return c.pages[static_cast<std::size_t>(c.draw_page)]
                  [static_cast<std::size_t>(2 * y * c.width + 2 * x)];
}

// A world holding the textures and only the given segments; the rest of the
// table is points, which no ray meets.
World small_plan(const std::vector<Segment>& segments) {
    World world;
    vectorcast::build_textures(world);
    world.wall_segments.fill(Segment{0, 0, 0, 0, 0});
    for (std::size_t i = 0; i < segments.size(); ++i) world.wall_segments[i] = segments[i];
    return world;
}

// Draws the view of a small plan into a freshly opened window.
void draw(const World& world, const Viewer& viewer) {
    harness::manual();
    graphics::open_window(3, 4, "test");
    vectorcast::render_view(world, viewer);
}

std::set<std::uint32_t> texture_column(const World& world, int texture, int u) {
    std::set<std::uint32_t> values;
    for (const auto& row : world.wall_textures[static_cast<std::size_t>(texture)])
        values.insert(row[static_cast<std::size_t>(u)]);
    return values;
}

// No wall anywhere: ceiling down to row 100, floor below.
void expect_plain_view() {
    for (int x = 0; x < vectorcast::columns; ++x) {
        for (int y = 0; y < vectorcast::rows; ++y) {
            ASSERT_EQ(block(x, y), y <= 100 ? 6u : 8u) << "column " << x << " row " << y;
        }
    }
}

TEST(VectorcastTextures, StayInTheirRangesAndAreLaidOutRowByColumn) {
    World world;
    vectorcast::build_textures(world);
    const struct { int low, high; } ranges[] = {{0, 126}, {16, 23}, {32, 54}, {104, 175}};
    // Texture 3's formula is bounded by 176, but on this grid the cosine and the
    // sine never reach 1 together.
    for (int t = 0; t < vectorcast::texture_count; ++t) {
        int low = 255, high = 0;
        for (const auto& row : world.wall_textures[static_cast<std::size_t>(t)])
            for (std::uint8_t texel : row) {
                low = std::min<int>(low, texel);
                high = std::max<int>(high, texel);
            }
        EXPECT_EQ(low, ranges[t].low) << "texture " << t;
        EXPECT_EQ(high, ranges[t].high) << "texture " << t;
    }
    // [texture][row i][column j]; texture 3 takes the cosine of the row and
    // the sine of the column, with real quotients i/5 and j/5.
    const struct {
        int t, i, j, value;
    } texels[] = {
        {0, 63, 63, 126}, {1, 40, 31, 20}, {2, 3, 4, 33},  {2, 63, 63, 54},
        {3, 0, 0, 158},   {3, 7, 7, 160},  {3, 0, 8, 175}, {3, 8, 0, 139},
    };
    for (const auto& c : texels) {
        EXPECT_EQ(world.wall_textures[c.t][c.i][c.j], c.value)
            << "texture " << c.t << " (" << c.i << ", " << c.j << ")";
    }
}

TEST(VectorcastPlan, StartUpPutsEachSegmentInOrderOfItsMajorAxis) {
    State state;
    run_script(state, "1\n", 0);
    const auto& table = state.world.wall_segments;
    const struct {
        int index;
        Segment expected;
    } rows[] = {
        {0, {285, 40, 360, 140, 0}},    // major y, already ascending
        {2, {470, 40, 410, 140, 0}},    // major y, swapped
        {3, {360, 40, 470, 40, 0}},     // major x, swapped
        {5, {215, 70, 285, 40, 3}},     // major x, swapped
        {7, {170, 110, 140, 170, 3}},   // major y, already ascending
        {14, {410, 260, 470, 360, 2}},  // major y, swapped
        {19, {260, 240, 260, 260, 1}},  // major y, swapped
        {24, {240, 140, 260, 140, 1}},  // major x, swapped
    };
    for (const auto& r : rows) {
        const Segment& s = table[static_cast<std::size_t>(r.index)];
        EXPECT_EQ((std::vector<int>{s.x1, s.y1, s.x2, s.y2, s.texture}),
                  (std::vector<int>{r.expected.x1, r.expected.y1, r.expected.x2, r.expected.y2,
                                    r.expected.texture}))
            << "segment " << r.index;
    }
}

// A segment just off each axis, 1000 units ahead: only the ray moved one unit
// off the axis meets it; the ray exactly along the axis would pass 30 units
// short and its neighbours two units either side pass beyond.
TEST(VectorcastRays, ColumnOnAnAxisIsMovedOneUnitOn) {
    const struct {
        int heading;
        Segment segment;
    } cases[] = {
        {0, {990, 2, 1010, 4, 3}},
        {512, {-2, 990, -4, 1010, 3}},
        {1024, {-990, -2, -1010, -4, 3}},
        {1536, {2, -990, 4, -1010, 3}},
    };
    for (const auto& c : cases) {
        const World world = small_plan({c.segment});
        draw(world, Viewer{0, 0, c.heading});
        EXPECT_GE(block(160, 100), 104u) << "heading " << c.heading;
        EXPECT_EQ(block(159, 100), 6u) << "heading " << c.heading;
        EXPECT_EQ(block(161, 100), 6u) << "heading " << c.heading;
    }
}

// Slopes that are exactly equal as doubles: the ray of column 160 at heading
// 107 has t = 6918763 / 20313745, at heading 370 it has 1/t = 8194901 /
// 17605349. The viewer stands on the segment's line, so the ray runs along it.
TEST(VectorcastRays, ParallelSegmentIsNeverHit) {
    const struct {
        int heading;
        Segment segment;
    } cases[] = {
        {107, {20313745, 6918763, 40627490, 13837526, 3}},  // major x: slope against t
        {370, {8194901, 17605349, 16389802, 35210698, 3}},  // major y: against 1/t
    };
    for (const auto& c : cases) {
        const World world = small_plan({c.segment});
        draw(world, Viewer{0, 0, c.heading});
        expect_plain_view();
    }
}

// From (70, 70) at heading 256 the ray of column 160 crosses y = 100 exactly
// at x = 100, where segments meet end to end. Texture 0 at column 63 shows
// 63..126, texture 2 at column 0 shows 32..47.
TEST(VectorcastRays, EndpointsCountAndTiesGoToTheLaterSegment) {
    const Segment left{40, 100, 100, 100, 0};    // met at its far end: u = 64
    const Segment right{100, 100, 160, 100, 2};  // met at its near end: u = 0
    const Segment right_reversed{160, 100, 100, 100, 2};
    const struct {
        const char* name;
        std::vector<Segment> segments;
        int texture, u;
    } cases[] = {
        {"far end alone shows the last column", {left}, 0, 63},
        {"near end alone", {right}, 2, 0},
        {"tie, right later", {left, right}, 2, 0},
        {"tie, left later", {right, left}, 0, 63},
        {"tie, right later, stored reversed", {left, right_reversed}, 2, 0},
    };
    for (const auto& c : cases) {
        const World world = small_plan(c.segments);
        draw(world, Viewer{70, 70, 256});
        EXPECT_TRUE(texture_column(world, c.texture, c.u).contains(block(160, 100))) << c.name;
    }
}

// A wall across the heading 100 units ahead stands 10485.76 / 100 rows high
// about row 100 (rows 48..152) in every column, since the distance is taken
// along the heading; its texels run from row 0 to row 63 of the texture, in
// the column measured from the segment's lower end.
TEST(VectorcastRays, WallHeightFollowsTheDistanceAlongTheHeading) {
    const World world = small_plan({{100, -50, 100, 50, 0}});
    draw(world, Viewer{0, 0, 0});
    for (int x : {100, 160, 220}) {
        EXPECT_EQ(block(x, 47), 6u) << "column " << x;   // last ceiling row
        EXPECT_NE(block(x, 48), 6u) << "column " << x;   // first wall row
        EXPECT_NE(block(x, 152), 8u) << "column " << x;  // last wall row
        EXPECT_EQ(block(x, 153), 8u) << "column " << x;  // first floor row
    }
    // Column 160 meets the wall at y = 0.3068: u = 32; texture 0 holds v + u.
    EXPECT_EQ(block(160, 48), 32u);
    EXPECT_EQ(block(160, 152), 32u + 63u);
    for (int y = 49; y <= 152; ++y) EXPECT_GE(block(160, y), block(160, y - 1)) << "row " << y;
}

// The viewer stands on a segment: every ray that meets it meets it at the
// viewer, at distance 0, which paints like no hit at all.
TEST(VectorcastRays, HitAtDistanceZeroPaintsLikeNoHit) {
    const World world = small_plan({{-50, 100, 50, 100, 3}});
    draw(world, Viewer{0, 100, 256});
    expect_plain_view();
}

TEST(VectorcastView, ViewAwayFromThePlanIsPlainCeilingAndFloor) {
    State state;
    run_script(state, "32 Right\n", 32);  // from heading 1024 to 0: the room is behind
    ASSERT_EQ(state.viewer.view_angle, 0);
    expect_plain_view();
    const auto& page = graphics::canvas.pages[static_cast<std::size_t>(graphics::canvas.draw_page)];
    for (int y = 401; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(page[static_cast<std::size_t>(y * 640 + x)], 0u) << x << "," << y;
}

// At the start, the middle of the view looks through the opening at the far
// curved wall (texture 3) between the two pillars (texture 1).
TEST(VectorcastView, StartLooksThroughTheOpeningAtPillarsAndFarWall) {
    State state;
    run_script(state, "1\n", 0);
    const auto texture_values = [&](int t) {
        std::set<std::uint32_t> values;
        for (const auto& row : state.world.wall_textures[static_cast<std::size_t>(t)])
            values.insert(row.begin(), row.end());
        return values;
    };
    const auto pillar = texture_values(1), far_wall = texture_values(3);
    EXPECT_TRUE(far_wall.contains(block(160, 100)));
    EXPECT_TRUE(pillar.contains(block(142, 100)));
    EXPECT_TRUE(pillar.contains(block(178, 100)));
    EXPECT_EQ(block(160, 0), 6u);
    EXPECT_EQ(block(160, 199), 8u);
}

TEST(VectorcastKeys, WalkAndTurnInTheirOrderWithTheHeadingWrap) {
    const struct {
        const char* script;
        double pos_x, pos_y;
        int heading;
    } cases[] = {
        {"1 Up\n", 684, 200, 1024},
        {"1 Down\n", 716, 200, 1024},
        {"1 Up Left\n", 684, 200, 992},  // the step takes the heading before the turn
        {"32 Right\n", 700, 200, 0},
        {"32 Right\n1 Left\n", 700, 200, 2016},  // Left at 0
        {"31 Right\n1 Right\n1 Right\n", 700, 200, 32},
        {"32 Right\n1 Left\n1 Right\n", 700, 200, 0},  // Right at 2016
        {"33 Left\n", 700, 200, 2016},
        {"64 Right\n", 700, 200, 1024},
    };
    for (const auto& c : cases) {
        State state;
        const std::string text = c.script;
        run_script(state, text, harness::script(text).frames());
        EXPECT_EQ(state.viewer.pos_x, c.pos_x) << c.script;
        EXPECT_EQ(state.viewer.pos_y, c.pos_y) << c.script;
        EXPECT_EQ(state.viewer.view_angle, c.heading) << c.script;
    }
}

// Esc is read after the flip: the frame in progress is finished and shown,
// then the program closes the window by itself.
TEST(VectorcastLoop, EscEndsAfterTheFrameIsShown) {
    EXPECT_TRUE(harness::run_program(vectorcast::run, "1\n1 Esc\n", 10));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 2);
    EXPECT_EQ(harness::shown(320, 0), graphics::default_palette()[6]);
    EXPECT_EQ(harness::shown(320, 479), graphics::Rgb{});
}

TEST(VectorcastLoop, CastrunRunsTheGalleryScript) {
    const auto result =
        harness::castrun({"vectorcast", "--script", CAST_SOURCE_DIR "/docs/vectorcast.script"});
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
