// voxelcave: the carved world and its colours, the column caster, and the
// walker driven frame by frame through scripts.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"
#include "voxelcave/voxelcave.h"

namespace {

using voxelcave::ColumnResult;
using voxelcave::State;
using voxelcave::Surface;
using voxelcave::Viewer;
using voxelcave::World;

constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r + 256 * g + 65536 * b);
}

// What the drawing page holds at (x, y): 0xBBGGRR.
std::uint32_t drawn(int x, int y) {
    const auto& c = graphics::canvas;
    return c
        .pages[static_cast<std::size_t>(c.draw_page)][static_cast<std::size_t>(y * c.width + x)];
}

// An open true-colour window of the program's size and the cave built once.
class CaveTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        cave = std::make_unique<World>();
        voxelcave::build_world(*cave);
    }
    void SetUp() override {
        harness::manual();
        graphics::open_window(9, 6, "test");
    }
    static std::unique_ptr<World> cave;
};
std::unique_ptr<World> CaveTest::cave;

// ---------------------------------------------------------------- the world

TEST_F(CaveTest, RockAndOpenCellsAreCountedAndRockHasBothSurfacesAtLevelZero) {
    int rock = 0;
    for (int y = 0; y < voxelcave::map_size; ++y) {
        for (int x = 0; x < voxelcave::map_size; ++x) {
            const Surface c = cave->ceiling_map[y][x], f = cave->floor_map[y][x];
            if (c.level == 0) {
                ++rock;
                EXPECT_EQ(f.level, 0) << y << ' ' << x;
                EXPECT_TRUE(std::signbit(c.shade))
                    << "rock's ceiling shade is -0 at " << y << ' ' << x;
            }
        }
    }
    EXPECT_EQ(rock, 1803);
    for (int k = 0; k < voxelcave::map_size; ++k) {
        EXPECT_EQ(cave->ceiling_map[0][k].level, 0) << "row 0 is rock";
        EXPECT_EQ(cave->ceiling_map[k][0].level, 0) << "column 0 is rock";
    }
}

TEST_F(CaveTest, CarvedCellsHaveTheirSurfaces) {
    struct Case {
        int y, x;
        double hollow;
    };
    const Case cases[] = {
        {32, 22, 4},                // the hall gives nothing at d2 = 100, tunnel 1 gives 4
        {32, 28, std::sqrt(84.0)},  // the hall is deeper than the tunnel there
        {5, 0, 0},                  // tunnels are closed at u = 0...
        {5, 1, std::sqrt(7.0)},     // ...narrow at u = 1...
        {5, 63, std::sqrt(7.0)},    // ...and still open at u = 63
        {0, 5, 0},
        {63, 5, std::sqrt(7.0)},
        {5, 2, std::sqrt(12.0)},  // tunnel 3's narrowing end beats tunnel 5 there
        {25, 25, std::sqrt(2.0)},
        {32, 33, std::sqrt(99.0)},
    };
    for (const Case& c : cases) {
        const Surface ceiling = cave->ceiling_map[c.y][c.x], floor = cave->floor_map[c.y][c.x];
        EXPECT_DOUBLE_EQ(ceiling.level, -c.hollow) << c.y << ' ' << c.x;
        EXPECT_DOUBLE_EQ(ceiling.shade, 2 * c.hollow) << c.y << ' ' << c.x;
        EXPECT_DOUBLE_EQ(floor.level, c.hollow / 4) << c.y << ' ' << c.x;
        EXPECT_DOUBLE_EQ(floor.shade, c.hollow / 2) << c.y << ' ' << c.x;
    }
}

TEST_F(CaveTest, FloorsBesideTheStartAreSetByHandUnderTheHallCeiling) {
    struct Case {
        int y, x;
        Surface floor;
    };
    const Case cases[] = {
        {32, 32, {2.4, 13}}, {31, 32, {1.8, 17}}, {33, 32, {1.8, 17}},
        {32, 31, {0.3, 20}}, {33, 31, {1.0, 19}}, {31, 31, {1.0, 19}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cave->floor_map[c.y][c.x].level, c.floor.level) << c.y << ' ' << c.x;
        EXPECT_EQ(cave->floor_map[c.y][c.x].shade, c.floor.shade) << c.y << ' ' << c.x;
    }
    EXPECT_EQ(cave->ceiling_map[32][32].level, -10);
    EXPECT_EQ(cave->ceiling_map[32][32].shade, 20);
    EXPECT_DOUBLE_EQ(cave->ceiling_map[32][31].level, -std::sqrt(99.0));
}

TEST_F(CaveTest, RampEntriesFollowTheThreeBells) {
    struct Case {
        int k;
        double red, green, blue;
        int r, g, b;
    };
    const Case cases[] = {
        {0, 14.314, 70.900, 154.665, 14, 71, 155},
        {2, 27.280, 107.511, 197.584, 27, 108, 198},
        {5, 61.587, 172.262, 244.801, 62, 172, 245},
        {8, 115.707, 229.700, 252.411, 116, 230, 252},
        {13, 220.064, 246.707, 176.605, 220, 247, 177},
        {17, 254.896, 180.910, 91.914, 255, 181, 92},
        {19, 242.712, 137.064, 58.667, 243, 137, 59},
        {20, 229.700, 115.707, 45.457, 230, 116, 45},
        {63, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const auto& e = cave->colour_ramp[static_cast<std::size_t>(c.k)];
        EXPECT_NEAR(e.red, c.red, 0.0005) << c.k;
        EXPECT_NEAR(e.green, c.green, 0.0005) << c.k;
        EXPECT_NEAR(e.blue, c.blue, 0.0005) << c.k;
        EXPECT_EQ(voxelcave::shaded_colour(*cave, c.k, 1), rgb(c.r, c.g, c.b)) << c.k;
    }
}

TEST_F(CaveTest, ShadeAndFogProductsRoundHalfToEven) {
    World w = *cave;
    w.colour_ramp[2] = {1, 3, 5};
    w.colour_ramp[4] = {0, 0, 7};
    struct Case {
        double shade, fog;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {-0.0, 1, rgb(14, 71, 155)},                          // rock's ceiling: entry 0
        {0.4, 1, rgb(14, 71, 155)},  {2.5, 1, rgb(1, 3, 5)},  // to entry 2
        {3.5, 1, rgb(0, 0, 7)},                               // to entry 4
        {2, 0.5, rgb(0, 2, 2)},                               // 0.5, 1.5, 2.5
        {20, 1, rgb(230, 116, 45)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(voxelcave::shaded_colour(w, c.shade, c.fog), c.colour) << c.shade << ' ' << c.fog;
    }
}

TEST_F(CaveTest, FogIsOnePointZeroSixToTheMinusDistance) {
    EXPECT_NEAR(voxelcave::fog_at(10), 0.5584, 0.00005);
    EXPECT_NEAR(voxelcave::fog_at(64), 0.0240, 0.00005);
    for (const double d : {0.0, 1.0, 10.0, 31.5, 64.0, 255.0}) {
        EXPECT_NEAR(voxelcave::fog_at(d), std::pow(1.06, -d), 1e-14 * std::pow(1.06, -d)) << d;
    }
}

// ------------------------------------------------------------- the renderer

Viewer viewer_at(double x, double y, double eye, double angle) {
    Viewer v;
    v.pos_x = x;
    v.pos_y = y;
    v.eye_level = eye;
    v.view_angle = angle;
    return v;
}

// The ray direction of column k: column 0's, with the step added k times.
std::pair<double, double> column_direction(const voxelcave::FrameSetup& f, int k) {
    double x = f.dir_x, y = f.dir_y;
    for (int j = 0; j < k; ++j) {
        x += f.dir_x_step;
        y += f.dir_y_step;
    }
    return {x, y};
}

ColumnResult cast(const World& world, const Viewer& v, int k) {
    const voxelcave::FrameSetup f = voxelcave::frame_setup(v);
    const auto [dx, dy] = column_direction(f, k);
    return voxelcave::cast_column(world, v, f, k, dx, dy);
}

// A world open everywhere (ceiling -4, floor 1) with the cave's colours, for
// placing single rock cells.
std::unique_ptr<World> open_world(const World& colours) {
    auto w = std::make_unique<World>();
    w->colour_ramp = colours.colour_ramp;
    for (auto& row : w->ceiling_map) row.fill(Surface{-4, 8});
    for (auto& row : w->floor_map) row.fill(Surface{1, 2});
    return w;
}

void make_rock(World& w, int x, int y) {
    w.ceiling_map[y][x] = Surface{};
    w.floor_map[y][x] = Surface{};
}

TEST_F(CaveTest, ColumnDownTheTunnelClosesOnTheRockBeyondItsOpenEnd) {
    const Viewer v = viewer_at(32.5, 32.5, 1.4, 0);
    const ColumnResult r = cast(*cave, v, 399);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.dist, 31.5);
    EXPECT_EQ(r.steps_x, 32);
    EXPECT_EQ(r.steps_y, 0);
    EXPECT_EQ(r.span_top, r.span_bottom);
    EXPECT_EQ(std::nearbyint(r.span_top), 282);  // half_height - 1.4 * focal / 31.5

    // The rock of cell [32][64] in its fog, and just above it the tunnel's
    // open end, column 63, whose floor is lower than level 0.
    graphics::clear_page();
    voxelcave::render_view(*cave, v);
    const std::uint32_t rock = voxelcave::shaded_colour(*cave, 0, voxelcave::fog_at(31.5));
    EXPECT_EQ(drawn(399, 282), rock);
    // The step down from the hall's vault to the tunnel's ceiling, a face at
    // the boundary x = 42 in the tunnel cell's colour and fog.
    EXPECT_EQ(drawn(399, 65), voxelcave::shaded_colour(*cave, 8, voxelcave::fog_at(9.5)));
}

TEST_F(CaveTest, RayAlongAnAxisNeverStepsAcrossTheOther) {
    // The viewer stands on a boundary of the other axis, with rock just
    // across it: a zero component taken for a negative or positive one
    // would step over that boundary at distance 0 and close on the rock.
    struct Case {
        double x, y, dir_x, dir_y;
        int rock_x, rock_y;  // a whole row (rock_x < 0) or column of rock
        double dist;
    };
    const Case cases[] = {
        {32.5, 32.0, 1, 0, -1, 31, 31.5},   // frac_y 0: row 31 behind the line
        {32.5, 33.0, -1, 0, -1, 33, 32.5},  // frac_y 1: row 33 ahead of it
        {32.0, 32.5, 0, 1, 31, -1, 31.5},
        {33.0, 32.5, 0, -1, 33, -1, 32.5},
    };
    for (const Case& c : cases) {
        auto w = open_world(*cave);
        for (int k = 0; k < voxelcave::map_size; ++k) {
            if (c.rock_x < 0) make_rock(*w, k, c.rock_y);
            if (c.rock_y < 0) make_rock(*w, c.rock_x, k);
        }
        const Viewer v = viewer_at(c.x, c.y, 0, 0);
        const voxelcave::FrameSetup f = voxelcave::frame_setup(v);
        const ColumnResult r = voxelcave::cast_column(*w, v, f, 10, c.dir_x, c.dir_y);
        EXPECT_TRUE(r.closed) << c.x << ' ' << c.y;
        EXPECT_EQ(r.dist, c.dist) << c.x << ' ' << c.y;
        EXPECT_EQ(c.dir_x == 0 ? r.steps_x : r.steps_y, 0) << c.x << ' ' << c.y;
    }
}

TEST_F(CaveTest, OnATieTheRayStepsInYFirst) {
    auto w = open_world(*cave);
    make_rock(*w, 32, 33);  // the cell across the y boundary
    const Viewer v = viewer_at(32.5, 32.5, 0, 0);
    const ColumnResult r = voxelcave::cast_column(*w, v, voxelcave::frame_setup(v), 0, 1, 1);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.dist, 0.5);
    EXPECT_EQ(r.steps_y, 1);
    EXPECT_EQ(r.steps_x, 0);
}

TEST_F(CaveTest, ViewerOnACellBoundaryDrawsNothingAtDistanceZero) {
    // The eye exactly at the level of the next cell's floor: at distance 0
    // that floor's row would be 0 times infinity, which would paint the
    // whole column at once.
    auto w = open_world(*cave);
    w->floor_map[32][33] = Surface{0.5, 3};
    const Viewer v = viewer_at(33.0, 32.5, 0.5, 0);  // frac_x 1: on the boundary x = 33
    const ColumnResult r = cast(*w, v, 399);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(r.dist, 31);  // on the rock beyond the grid's edge
    graphics::clear_page();
    voxelcave::render_view(*w, v);
    for (int row = 0; row <= 598; ++row) EXPECT_NE(drawn(399, row), 0u) << row;
}

TEST_F(CaveTest, ColumnsCoverRowsZeroTo598AndNeverTheLastColumnOrRow) {
    const Viewer views[] = {
        viewer_at(32.5, 32.5, 1.4, 0),     // at rest after the start
        viewer_at(32.5, 32.5, -9, 2.0),    // at the top of the jumps, under the vault
        viewer_at(60.5, 32.3, 0, 0),       // close to the rock at the tunnel's end
        viewer_at(5.5, 5.5, -0.3, 0.785),  // in a corner of the ring
    };
    for (const Viewer& v : views) {
        graphics::clear_page();
        voxelcave::render_view(*cave, v);
        for (int row = 0; row < 600; ++row) {
            ASSERT_EQ(drawn(799, row), 0u) << v.pos_x << ' ' << row;
        }
        for (int col = 0; col < 800; ++col) {
            ASSERT_EQ(drawn(col, 599), 0u) << v.pos_x << ' ' << col;
        }
        // Every column closes within the cave, so both its ends are painted.
        for (int col = 0; col < 799; ++col) {
            ASSERT_NE(drawn(col, 0), 0u) << v.pos_x << ' ' << col;
            ASSERT_NE(drawn(col, 598), 0u) << v.pos_x << ' ' << col;
        }
    }
}

// ----------------------------------------------------------------- the walker

// Starts the program and plays a script frame by frame, keeping the viewer
// after every frame.
class WalkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        state = std::make_unique<State>();
        voxelcave::start_up(*state);
    }
    std::vector<Viewer> play(const std::string& text) {
        script = harness::script(text);
        graphics::memory::start_run(script, -1);
        std::vector<Viewer> after;
        for (long f = 0; f < script.frames(); ++f) {
            voxelcave::frame(*state);
            after.push_back(state->viewer);
        }
        return after;
    }
    // The start fall with the pointer just right of the middle.
    void settle() { play("1 mouse=400,300,0\n4\n"); }

    std::unique_ptr<State> state;
    graphics::Script script;
};

TEST_F(WalkTest, StartOpensTheWindowAndFallsOntoTheHandSetFloor) {
    EXPECT_TRUE(graphics::canvas.true_colour);
    EXPECT_EQ(graphics::canvas.width, 800);
    EXPECT_EQ(graphics::canvas.height, 600);
    EXPECT_EQ(graphics::canvas.title, "RAY CASTING CU VOXELI");
    const auto after = play("7\n");
    const double eyes[] = {-0.3, 0.1, 0.7, 1.4, 1.4, 1.4, 1.4};
    for (int f = 0; f < 7; ++f) {
        EXPECT_DOUBLE_EQ(after[f].eye_level, eyes[f]) << f;
        EXPECT_EQ(after[f].grounded, f >= 4) << f;
        EXPECT_EQ(after[f].pos_x, 32.5);
        EXPECT_EQ(after[f].pos_y, 32.5);
    }
    EXPECT_EQ(after[6].vel_z, 2.5);
}

TEST_F(WalkTest, HeldSpaceJumpsAgainAtEachTopUntilTheVaultHoldsTheEye) {
    settle();
    const auto after = play("30 Space mouse=400,300,0\n");
    const double first[] = {0.4, -0.4, -1.0, -1.4, -1.6, -1.6, -2.6};
    for (int f = 0; f < 7; ++f) EXPECT_NEAR(after[f].eye_level, first[f], 1e-12) << f;
    EXPECT_TRUE(after[5].grounded);
    EXPECT_FALSE(after[6].grounded);
    // The fourth jump reaches the hall's ceiling (-10): the eye stays 1 below.
    EXPECT_NEAR(after[18].eye_level, -8.6, 1e-12);
    EXPECT_EQ(after[19].eye_level, -9);
    EXPECT_LT(after[20].vel_z, 0);
    EXPECT_FALSE(after[20].grounded) << "stopped by the ceiling while moving up";
    EXPECT_EQ(after[29].eye_level, -9);
}

TEST_F(WalkTest, HeldASinksSteadilyAndRisesEveryFrameWithSpace) {
    const auto sink = play("4 A mouse=400,300,0\n");
    for (int f = 0; f < 4; ++f) EXPECT_NEAR(sink[f].eye_level, -0.5 + 0.25 * (f + 1), 1e-12) << f;
    settle();
    const auto rise = play("4 A Space\n");
    for (int f = 0; f < 4; ++f) EXPECT_NEAR(rise[f].eye_level, 1.4 - (f + 1), 1e-12) << f;
}

TEST_F(WalkTest, PointerTurnsByItsDistanceFromTheMiddle) {
    struct Case {
        int x;
        double per_frame;
    };
    const Case cases[] = {{0, -0.3196}, {399, -0.0004}, {400, 0.0004}, {799, 0.3196}};
    for (const Case& c : cases) {
        state->viewer.view_angle = 0;
        const auto after = play("3 mouse=" + std::to_string(c.x) + ",10,0\n");
        for (int f = 0; f < 3; ++f) {
            EXPECT_NEAR(after[f].view_angle, c.per_frame * (f + 1), 1e-12) << c.x << ' ' << f;
        }
    }
    state->viewer.view_angle = 0;
    const auto keys = play("1 Left mouse=400,10,0\n1 Right\n1 Left Right\n");
    EXPECT_NEAR(keys[0].view_angle, 0.0004 - 0.08, 1e-12);
    EXPECT_NEAR(keys[1].view_angle, 0.0008, 1e-12);
    EXPECT_NEAR(keys[2].view_angle, 0.0012, 1e-12);
}

TEST_F(WalkTest, ButtonsWalkOnlyAloneAndDownWinsOverUp) {
    settle();
    const Viewer rest = state->viewer;
    struct Case {
        std::string line;
        int walk;
    };
    // Facing +y, where the neighbouring floors (1.8) can be stepped onto
    // both ways.
    const Case cases[] = {
        {"1 mouse=400,10,1", 1},      {"1 mouse=400,10,2", -1},   {"1 mouse=400,10,3", 0},
        {"1 mouse=400,10,9", 0},      {"1 Up mouse=400,10,3", 1}, {"1 Up Down mouse=400,10,0", -1},
        {"1 Down mouse=400,10,1", 1}, {"1 mouse=400,10,4", 0},
    };
    for (const Case& c : cases) {
        state->viewer = rest;
        state->viewer.view_angle = std::numbers::pi / 2;
        const Viewer v = play(c.line + "\n")[0];
        // The pointer at 400 turns the heading by 0.0004 before the step.
        EXPECT_NEAR(v.pos_y - rest.pos_y, 0.4 * c.walk, 1e-7) << c.line;
    }
}

TEST_F(WalkTest, StepsOntoAFloorUpTo06HigherButNotOntoTheHandSetBlock) {
    settle();
    const Viewer rest = state->viewer;
    state->viewer.view_angle = std::numbers::pi / 2;  // towards [33][32], floor 1.8
    const auto up = play("3 Up mouse=400,10,0\n");
    EXPECT_GT(up[2].pos_y, 33.5);
    EXPECT_DOUBLE_EQ(up[2].eye_level, 0.8);  // 1 above the new floor
    state->viewer = rest;
    state->viewer.view_angle = std::numbers::pi;  // towards [32][31], floor 0.3
    const auto blocked = play("3 Up mouse=400,10,0\n");
    for (const Viewer& v : blocked) {
        // Only the sideways part of the step (the pointer's slight turn) is
        // left: the viewer slides, but does not get closer to the block.
        EXPECT_EQ(v.pos_x, rest.pos_x);
        EXPECT_NEAR(v.pos_y, rest.pos_y, 0.001);
    }
}

TEST_F(WalkTest, CellsUnder18HighAreNeverEnteredTunnelCellsAre) {
    // [25][25] (hollow sqrt 2) is closed at any eye level; the narrow end of
    // tunnel 3 at [5][1] (hollow sqrt 7) admits an eye between its limits.
    for (double eye = -12; eye <= 12; eye += 0.25) {
        EXPECT_FALSE(voxelcave::has_room(state->world, 25.5, 25.5, eye)) << eye;
    }
    EXPECT_TRUE(voxelcave::has_room(state->world, 1.5, 5.5, -1));
    EXPECT_FALSE(voxelcave::has_room(state->world, 1.5, 5.5, 0.3));   // floor too near
    EXPECT_FALSE(voxelcave::has_room(state->world, 1.5, 5.5, -2.3));  // ceiling too near
    // Past the open end of a tunnel lies rock, not the table's edge.
    EXPECT_FALSE(voxelcave::has_room(state->world, 63.8, 32.5, 0));
}

TEST_F(WalkTest, AMoveIntoAWallAtAnAngleSlidesAlongIt) {
    // In tunnel 1 heading 0.5 rad off its axis towards the wall at row 36.
    state->viewer.pos_x = 45.5;
    state->viewer.pos_y = 32.5;
    state->viewer.eye_level = 0;
    state->viewer.vel_z = 0;
    state->viewer.grounded = true;
    state->viewer.view_angle = 0.5;
    const auto after = play("20 Up mouse=400,10,0\n");
    const Viewer& last = after.back();
    const Viewer& before = after[after.size() - 2];
    EXPECT_LT(last.pos_y, 35.75);  // the footprint stays out of row 36
    EXPECT_GT(last.pos_y, 35.75 - 0.4);
    EXPECT_EQ(last.pos_y, before.pos_y);
    EXPECT_EQ(last.pos_x, before.pos_x + 0.1 * (std::cos(last.view_angle) * 1 * 40 * 0.1));
}

TEST_F(WalkTest, EachFrameShowsThePreviousPageThenClearsAndDrawsTheOther) {
    play("1 mouse=400,300,0\n");
    EXPECT_EQ(graphics::canvas.show_page, 1);  // the first frame shows a page not yet drawn
    EXPECT_EQ(harness::shown(400, 300), graphics::Rgb{});
    EXPECT_EQ(graphics::canvas.draw_page, 0);
    const std::uint32_t picture = drawn(400, 300);
    EXPECT_NE(picture, 0u);
    // A mark on page 1, in the last pixel column and row, which the view
    // never paints: only the clear can remove it.
    graphics::set_draw_page(1);
    graphics::plot_pixel(799, 599, rgb(255, 255, 255));
    voxelcave::frame(*state);
    EXPECT_EQ(graphics::canvas.show_page, 0);
    EXPECT_EQ(graphics::canvas.draw_page, 1);
    EXPECT_EQ(graphics::page_rgb(0, 400, 300),
              (graphics::Rgb{static_cast<std::uint8_t>(picture & 0xFF),
                             static_cast<std::uint8_t>(picture >> 8 & 0xFF),
                             static_cast<std::uint8_t>(picture >> 16 & 0xFF)}));
    EXPECT_EQ(drawn(799, 599), 0u);
}

TEST(VoxelcaveRun, EscEndsTheProgramAndClosesTheWindow) {
    EXPECT_TRUE(harness::run_program(voxelcave::run, "3\n1 Esc\n", 10));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 4);
}

}  // namespace
