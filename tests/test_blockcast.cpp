// blockcast: the random world, the grid walk and the frame loop.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "blockcast/blockcast.h"
#include "graphics/window.h"
#include "harness.h"

namespace {

using blockcast::State;

std::unique_ptr<State> started(std::uint64_t seed) {
    harness::manual(seed);
    auto state = std::make_unique<State>();
    blockcast::start_up(*state);
    return state;
}

TEST(BlockcastWorld, InvariantsHoldForEverySeed) {
    for (std::uint64_t seed : {1u, 2u, 3u, 77u, 1234u}) {
        const auto state = started(seed);
        const auto& map = state->world.block_map;
        for (int i = 0; i < 64; ++i) {
            for (int j = 0; j < 64; ++j) {
                const bool border = i == 0 || j == 0 || i == 63 || j == 63;
                EXPECT_LE(map[i][j], 4) << i << ',' << j;
                if (border) {
                    EXPECT_GE(map[i][j], 1) << i << "," << j;
                }
            }
        }
        const auto& v = state->viewer;
        const int i = static_cast<int>(v.pos_x), j = static_cast<int>(v.pos_y);
        EXPECT_EQ(map[i][j], 0);
        EXPECT_LE(i, 61);
        EXPECT_LE(j, 61);
        EXPECT_EQ(v.pos_x, i + 0.5);
        EXPECT_EQ(v.eye_offset, 0);
        const double steps = v.view_angle * 1000 / (2 * std::numbers::pi);
        EXPECT_NEAR(steps, std::round(steps), 1e-9);
        EXPECT_LT(steps, 1000);
        const auto& t = state->world.wall_textures;
        for (int u = 0; u < 64; ++u) {
            for (int w = 0; w < 64; ++w) {
                EXPECT_EQ(t[1][u][w], (u + w) / 2);
                EXPECT_TRUE(t[2][u][w] >= 64 && t[2][u][w] <= 101);
                EXPECT_TRUE(t[3][u][w] >= 128 && t[3][u][w] <= 165);
                EXPECT_EQ(t[4][u][w], (u * u + w * w) / 128 + 192);
            }
        }
    }
}

TEST(BlockcastWorld, PaletteIsFourRamps) {
    started(1);
    EXPECT_EQ(graphics::canvas.palette[191], (graphics::Rgb{0, 0, 252}));
    EXPECT_EQ(graphics::canvas.palette[232], (graphics::Rgb{160, 160, 160}));
    EXPECT_EQ(graphics::canvas.palette[64 + 10], (graphics::Rgb{0, 40, 0}));
    EXPECT_EQ(graphics::canvas.palette[5], (graphics::Rgb{20, 0, 0}));
}

TEST(BlockcastWorld, SeedsGiveDifferentWorlds) {
    const auto a = started(1), b = started(2);
    EXPECT_NE(a->world.block_map, b->world.block_map);
    EXPECT_NE(a->world.wall_textures[2], b->world.wall_textures[2]);
}

// A map with only its border solid, and blocks placed by the test.
blockcast::World open_world() {
    blockcast::World w;
    for (int k = 0; k < 64; ++k)
        w.block_map[k][0] = w.block_map[0][k] = w.block_map[k][63] = w.block_map[63][k] = 4;
    for (int u = 0; u < 64; ++u) {
        for (int v = 0; v < 64; ++v) w.wall_textures[1][u][v] = static_cast<std::uint8_t>(v);
    }
    return w;
}

TEST(BlockcastWalk, ACornerTieStepsInY) {
    auto w = open_world();
    w.block_map[10][11] = 1;
    w.block_map[11][10] = 2;
    w.block_map[11][11] = 3;
    const blockcast::Viewer v{10.5, 10.5, 0, 0};
    const blockcast::Hit hit = blockcast::cast_ray(w, v, 1, 1);
    EXPECT_EQ(hit.mx, 10);
    EXPECT_EQ(hit.my, 11);
    EXPECT_EQ(hit.hy, 11);
    EXPECT_EQ(hit.hx, 11);
    EXPECT_EQ(hit.u, 63);  // a y face seen going +y is mirrored
}

TEST(BlockcastWalk, AxisParallelRaysNeverMoveOnTheOtherAxis) {
    auto w = open_world();
    w.block_map[20][10] = 1;
    w.block_map[10][30] = 1;
    const blockcast::Viewer v{10.5, 10.25, 0, 0};
    blockcast::Hit hit = blockcast::cast_ray(w, v, 1, 0);
    EXPECT_EQ(hit.mx, 20);
    EXPECT_EQ(hit.my, 10);
    EXPECT_EQ(hit.hx, 20);
    EXPECT_EQ(hit.hy, 10.25);
    EXPECT_EQ(hit.u, 16);
    hit = blockcast::cast_ray(w, v, 0, 1);
    EXPECT_EQ(hit.mx, 10);
    EXPECT_EQ(hit.my, 30);
    EXPECT_EQ(hit.u, 63 - 32);
    hit = blockcast::cast_ray(w, v, -1, 0);  // to the border, an x face from the right
    EXPECT_EQ(hit.mx, 0);
    EXPECT_EQ(hit.hx, 1);
    EXPECT_EQ(hit.u, 63 - 16);
}

TEST(BlockcastWalk, TheViewersOwnBlockIsNotSeen) {
    auto w = open_world();
    w.block_map[10][10] = 1;
    w.block_map[15][10] = 2;
    const blockcast::Hit hit = blockcast::cast_ray(w, {10.5, 10.5, 0, 0}, 1, 0.01);
    EXPECT_EQ(hit.mx, 15);
    EXPECT_EQ(hit.my, 10);
}

class BlockcastRender : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        graphics::open_window(3, 4, "t");
    }
    // The colour index of big pixel (x, y) on the drawing page.
    static std::uint32_t block(int x, int y) {
        return graphics::canvas.pages[static_cast<std::size_t>(graphics::canvas.draw_page)]
                                     [static_cast<std::size_t>(2 * y) * 640 + 2 * x];
    }
};

TEST_F(BlockcastRender, AHitAtTheViewerReusesThePreviousSpan) {
    // Standing on the line y = 10 with row 9 solid: every ray to the left of
    // the heading meets that face at distance 0.
    auto w = open_world();
    for (int i = 1; i < 63; ++i) w.block_map[i][9] = 1;
    const blockcast::Viewer v{20.5, 10.0, 0, 0};
    blockcast::Span span{};  // nothing drawn before: top 0, bottom 0
    blockcast::render_view(w, v, span);
    EXPECT_EQ(block(0, 0), blockcast::ceiling_colour);
    for (int y = 1; y < 240; ++y) ASSERT_EQ(block(0, y), blockcast::floor_colour) << y;
    span = {50, 150, 0.5};  // as if the previous frame's last column left this
    blockcast::render_view(w, v, span);
    EXPECT_EQ(block(0, 50), blockcast::ceiling_colour);
    EXPECT_EQ(block(0, 51), 48u);  // v = trunc((150 - 51) * 0.5 - 1)
    EXPECT_EQ(block(0, 149), 0u);
    EXPECT_EQ(block(0, 150), blockcast::floor_colour);
    EXPECT_EQ(block(159, 100), block(0, 100));  // the whole left half the same
}

TEST_F(BlockcastRender, ProjectionOfAFarAndANearWall) {
    auto w = open_world();
    const blockcast::Viewer v{1.5, 31.5, 0, 0};  // facing +x down the open map to x = 63
    blockcast::Span span{};
    blockcast::render_view(w, v, span);
    // Column 159's ray meets the border at dist 61.5: h = 2.08, top = 118.
    EXPECT_EQ(block(159, 118), blockcast::ceiling_colour);
    EXPECT_NE(block(159, 119), blockcast::ceiling_colour);
    EXPECT_EQ(block(159, 121), blockcast::floor_colour);
    // A face 1e-9 ahead would overflow the rows: the column is all wall.
    w.block_map[2][31] = 1;
    const blockcast::Viewer near{2 - 1e-9, 31.5, 0, 0};
    blockcast::render_view(w, near, span);
    for (int y = 0; y < 240; ++y) ASSERT_LT(block(160, y), 64u) << y;
}

TEST_F(BlockcastRender, EyeOffsetMovesTheHorizonOfWalls) {
    auto w = open_world();
    blockcast::Span span{};
    // z = -0.5: the ceiling reaches row 120; z = 0.5: the floor begins at 119 or 120.
    blockcast::render_view(w, {1.5, 31.5, 0, -0.5}, span);
    EXPECT_EQ(block(100, 120), blockcast::ceiling_colour);
    EXPECT_NE(block(100, 121), blockcast::ceiling_colour);
    blockcast::render_view(w, {1.5, 31.5, 0, 0.5}, span);
    EXPECT_EQ(block(100, 120), blockcast::floor_colour);
    EXPECT_NE(block(100, 118), blockcast::floor_colour);
}

TEST(BlockcastLoop, LimitsHoldEachCoordinateAndTheEye) {
    harness::drive("400 Down A\n");
    auto state = std::make_unique<State>();
    blockcast::start_up(*state);
    state->viewer.view_angle = std::numbers::pi / 4;  // walking back toward the (1.25, 1.25) corner
    for (int i = 0; i < 400; ++i) ASSERT_TRUE(blockcast::frame(*state));
    EXPECT_EQ(state->viewer.pos_x, 1.25);
    EXPECT_EQ(state->viewer.pos_y, 1.25);
    EXPECT_EQ(state->viewer.eye_offset, -0.5);
    harness::drive("400 Up Z\n");
    blockcast::start_up(*state);
    state->viewer.view_angle = std::numbers::pi / 4;
    for (int i = 0; i < 400; ++i) blockcast::frame(*state);
    EXPECT_EQ(state->viewer.pos_x, 62.75);
    EXPECT_EQ(state->viewer.pos_y, 62.75);
    EXPECT_EQ(state->viewer.eye_offset, 0.5);
}

TEST(BlockcastLoop, OppositeKeysCancelAndTurnsSteerTheSideSteps) {
    harness::drive("10 Up Down Left Right\n1 Right X\n");
    auto state = std::make_unique<State>();
    blockcast::start_up(*state);
    const blockcast::Viewer start = state->viewer;
    for (int i = 0; i < 10; ++i) blockcast::frame(*state);
    EXPECT_NEAR(state->viewer.pos_x, start.pos_x, 1e-12);
    EXPECT_NEAR(state->viewer.pos_y, start.pos_y, 1e-12);
    EXPECT_NEAR(state->viewer.view_angle, start.view_angle, 1e-12);
    const blockcast::Viewer before = state->viewer;
    blockcast::frame(*state);
    const double a = before.view_angle + 0.1;
    EXPECT_EQ(state->viewer.pos_x, std::clamp(before.pos_x + 0.25 * std::sin(a), 1.25, 62.75));
    EXPECT_EQ(state->viewer.pos_y, std::clamp(before.pos_y - 0.25 * std::cos(a), 1.25, 62.75));
}

TEST(BlockcastLoop, EscEndsAfterTheFrameIsShown) {
    EXPECT_TRUE(harness::run_program(blockcast::run, "3\n1 Esc\n10\n", 14));
    EXPECT_EQ(graphics::memory::pump_count(), 4);
    EXPECT_TRUE(graphics::memory::window_closed());
    // Four flips: page 0 drawn first, then 1, 0, 1; page 1 is shown.
    EXPECT_EQ(graphics::canvas.show_page, 0);
}

}  // namespace
