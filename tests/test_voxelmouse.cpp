// voxelmouse: the maps beside voxelgrid's, the frame order and the values the
// pointer gives, driving, turning and the eye clamp, the painted area, the
// column that would never end, and the real maximum and minimum it clamps with.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/common.h"
#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "harness.h"
#include "voxelgrid/voxelgrid.h"
#include "voxelmouse/voxelmouse.h"

namespace {

constexpr std::uint32_t sentinel = 7;

std::uint32_t page_pixel(int page, int x, int y) {
    return graphics::canvas.pages[page][static_cast<std::size_t>(y) * graphics::canvas.width + x];
}

void fill_draw_page(std::uint32_t value) {
    auto& page = graphics::canvas.pages[graphics::canvas.draw_page];
    std::fill(page.begin(), page.end(), value);
}

class Voxelmouse : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        voxelmouse::start_up(state);
    }
    // Places the pointer (a mouse event) and runs one frame.
    bool frame_with_pointer(int x, int y, int buttons) {
        graphics::memory::move_mouse(x, y, buttons);
        return voxelmouse::frame(state);
    }
    voxelmouse::State state;
};

TEST_F(Voxelmouse, OpensItsWindow) {
    EXPECT_EQ(graphics::canvas.width, 800);
    EXPECT_EQ(graphics::canvas.height, 600);
    EXPECT_FALSE(graphics::canvas.true_colour);
    EXPECT_EQ(graphics::canvas.title, "RAY CASTING CU VOXELI");
}

TEST_F(Voxelmouse, MapsMatchVoxelgridExceptForRoundedDomeColours) {
    voxelgrid::State grid;
    voxelgrid::start_up(grid);
    struct Cell {
        int x, y, colour, grid_colour;
    };
    const Cell cells[] = {
        {15, 48, 32, 31},  // 31.5 rounds to the even 32 here, truncates to 31 there
        {17, 48, 32, 32},  // (17 + 48) / 2 = 32.5 rounds to the even 32
        {13, 48, 30, 30},  // 30.5 rounds down to the even 30
        {9, 36, 22, 22},   // 22.5 rounds down to 22
        {16, 48, 32, 32},  // a dome top
        {0, 0, 91, 91},    // floor
        {16, 33, 84, 84},  // v = 0: floor
    };
    for (const Cell& c : cells) {
        SCOPED_TRACE(testing::Message() << "cell (" << c.x << ", " << c.y << ")");
        EXPECT_EQ(state.world.colour_map[c.x][c.y], c.colour);
        EXPECT_EQ(int{grid.world.colour_map[c.x][c.y]}, c.grid_colour);
    }
    int differing = 0;
    for (int x = 0; x < voxelmouse::map_size; ++x) {
        for (int y = 0; y < voxelmouse::map_size; ++y) {
            SCOPED_TRACE(testing::Message() << "cell (" << x << ", " << y << ")");
            EXPECT_EQ(state.world.height_map[x][y], int{grid.world.height_map[x][y]});
            const int diff = state.world.colour_map[x][y] - grid.world.colour_map[x][y];
            if (diff != 0) {
                ++differing;
                EXPECT_EQ(diff, 1);
                EXPECT_LT(state.world.height_map[x][y], 64) << "only dome colours differ";
                EXPECT_EQ((x + y) % 4, 3) << "only n.5 with n odd rounds up to even";
            }
        }
    }
    EXPECT_GT(differing, 0);
}

TEST_F(Voxelmouse, FrameShowsThePreviousPageFirst) {
    // Before any mouse event the pointer reads (0, 0) with no buttons.
    ASSERT_TRUE(voxelmouse::frame(state));
    EXPECT_EQ(graphics::canvas.show_page, 1);
    EXPECT_EQ(graphics::canvas.draw_page, 0);
    const std::vector<std::uint32_t> first = graphics::canvas.pages[0];
    EXPECT_TRUE(std::all_of(graphics::canvas.pages[1].begin(), graphics::canvas.pages[1].end(),
                            [](std::uint32_t v) { return v == 0; }))
        << "the first frame shows page 1, not yet drawn";
    EXPECT_NE(page_pixel(0, 400, 598), 0u);

    // The second frame shows page 0 as the first left it, then clears page 1
    // and draws there.
    std::fill(graphics::canvas.pages[1].begin(), graphics::canvas.pages[1].end(), sentinel);
    ASSERT_TRUE(voxelmouse::frame(state));
    EXPECT_EQ(graphics::canvas.show_page, 0);
    EXPECT_EQ(graphics::canvas.pages[0], first);
    EXPECT_EQ(page_pixel(1, 799, 0), 0u);
    EXPECT_EQ(page_pixel(1, 799, 599), 0u);
}

TEST_F(Voxelmouse, PointerAtTheOriginTurnsLeftAndDrivesFullSpeedForward) {
    double x = 0, y = 0, heading = 0;
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(testing::Message() << "frame " << k);
        ASSERT_TRUE(voxelmouse::frame(state));
        // 29.95 units along the heading the frame was drawn with, then -0.2 radians.
        x += 29.95 * std::cos(heading);
        y += 29.95 * std::sin(heading);
        heading -= 0.2;
        EXPECT_NEAR(state.viewer.pos_x, x, 1e-9);
        EXPECT_NEAR(state.viewer.pos_y, y, 1e-9);
        EXPECT_NEAR(state.viewer.view_angle, heading, 1e-12);
        EXPECT_EQ(state.viewer.eye_level, 40.0);
    }
    EXPECT_EQ(state.frame.horizon_offset, -299.5);
    EXPECT_EQ(state.frame.start_slope, 599 * (2.0 / 799));
}

TEST_F(Voxelmouse, NoPointerPositionStandsStill) {
    struct Case {
        int x, y;
        double dx, turn;
    };
    const Case cases[] = {
        {400, 299, 0.05, 0.00025},    // just above the middle: forward
        {400, 300, -0.05, 0.00025},   // just below: back
        {399, 300, -0.05, -0.00025},  // left of the middle: turn left
        {0, 599, -29.95, -0.2},      {799, 0, 29.95, 0.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pointer (" << c.x << ", " << c.y << ")");
        state.viewer = voxelmouse::Viewer{};
        ASSERT_TRUE(frame_with_pointer(c.x, c.y, 0));
        EXPECT_NEAR(state.viewer.pos_x, c.dx, 1e-12);
        EXPECT_EQ(state.viewer.pos_y, 0.0);
        EXPECT_NEAR(state.viewer.view_angle, c.turn, 1e-6);
        EXPECT_EQ(std::signbit(state.viewer.view_angle), c.turn < 0);
    }
}

TEST_F(Voxelmouse, AButtonShiftOrCtrlMovesTheEyeWithinItsLimits) {
    struct Case {
        int y;
        std::vector<double> levels;  // eye level after each frame
    };
    const Case cases[] = {
        {599, {48, 48}},                // 40 + 29.95 held at 48
        {0, {10.05, -19.9, -48, -48}},  // raised, then held at -48
        {300, {40.05, 40.1}},           // below the middle: lower
        {299, {39.95, 39.9}},           // above it: higher
    };
    for (int buttons : {1, 2, 4, 8, 16, 3, 24}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "buttons " << buttons << ", pointer row " << c.y);
            state.viewer = voxelmouse::Viewer{};
            for (double level : c.levels) {
                ASSERT_TRUE(frame_with_pointer(400, c.y, buttons));
                EXPECT_NEAR(state.viewer.eye_level, level, 1e-9);
            }
            if (std::fabs(c.levels.back()) == 48) {
                EXPECT_EQ(std::fabs(state.viewer.eye_level), 48);
            }
            EXPECT_EQ(state.viewer.pos_x, 0.0) << "with a button the viewer stays";
            EXPECT_EQ(state.viewer.pos_y, 0.0);
        }
    }
}

// The pointer's row sets the horizon; the last pixel row and column are never
// painted, and nothing at or above the horizon is painted with the eye over
// the terrain.
TEST_F(Voxelmouse, PaintsBelowTheHorizonButNeverTheLastRowOrColumn) {
    struct Case {
        int pointer_y;
        double eye_level, angle;
    };
    const Case cases[] = {
        {300, 40, 0}, {150, 40, 1}, {450, 40, -2}, {0, 40, 0.5}, {0, -48, 3}, {560, 48, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "pointer row " << c.pointer_y << ", eye " << c.eye_level);
        graphics::memory::move_mouse(400, c.pointer_y, 0);
        state.viewer.pos_x = 40.5;
        state.viewer.pos_y = 10.25;
        state.viewer.eye_level = c.eye_level;
        state.viewer.view_angle = c.angle;
        fill_draw_page(sentinel);
        const voxelmouse::FrameValues f = voxelmouse::read_pointer();
        voxelmouse::render_view(state.world, state.viewer, f);

        long painted = 0;
        for (int x = 0; x < 800; ++x) {
            for (int y = 0; y < 600; ++y) {
                if (page_pixel(graphics::canvas.draw_page, x, y) == sentinel) continue;
                ++painted;
                ASSERT_LT(x, 799);
                ASSERT_LT(y, 599);
                if (c.eye_level == 40) {
                    ASSERT_GT(y, c.pointer_y - 1) << "at or above the horizon";
                }
            }
        }
        EXPECT_GT(painted, 0);
    }
}

TEST_F(Voxelmouse, AColumnThatWouldNeverRiseEndsAtTheTopEdge) {
    // The eye just above a dome top and the view steeply down: the first
    // sample of column 0 lies in cell (17, 47), level 49, below the surface,
    // while the lift is still 0.
    state.viewer.pos_x = 16.5;
    state.viewer.pos_y = 48.5;
    state.viewer.eye_level = 48;
    ASSERT_EQ(state.world.height_map[17][47], 49);
    ASSERT_TRUE(frame_with_pointer(0, 0, 1));
    for (int y = 0; y < 599; ++y) ASSERT_EQ(page_pixel(0, 0, y), 32u) << "row " << y;
    EXPECT_EQ(page_pixel(0, 0, 599), 0u);
    EXPECT_NEAR(state.viewer.eye_level, 48 - 29.95, 1e-9);
}

// The position is never wrapped. Far out, where a ray step no longer moves the
// sample and the coordinates are past any integer type, every sample lies in
// cell (0, 0): the low six bits of such a large whole number are 0.
TEST_F(Voxelmouse, FarPositionsStillFindTheirCell) {
    for (const double far : {1e300, -1e300, 1e19}) {
        SCOPED_TRACE(far);
        graphics::memory::move_mouse(400, 300, 0);
        state.viewer.pos_x = far;
        state.viewer.pos_y = -far;
        fill_draw_page(sentinel);
        voxelmouse::render_view(state.world, state.viewer, voxelmouse::read_pointer());
        for (int x = 0; x < 799; ++x) {
            ASSERT_EQ(page_pixel(graphics::canvas.draw_page, x, 598), 91u) << "column " << x;
            for (int y = 0; y < 599; ++y) {
                const std::uint32_t v = page_pixel(graphics::canvas.draw_page, x, y);
                ASSERT_TRUE(v == 91u || v == sentinel) << x << ", " << y;
            }
        }
    }
}

TEST(VoxelmouseRun, AnyTypedKeyEndsTheProgram) {
    for (const std::string keys : {"q", "<Esc>", "<Up>", "<Space>", "7", "A"}) {
        SCOPED_TRACE(keys);
        EXPECT_TRUE(
            harness::run_program(voxelmouse::run, "2 mouse=400,300,0\n1 type=" + keys + "\n", 10));
        EXPECT_EQ(graphics::memory::pump_count(), 3);
        EXPECT_TRUE(graphics::memory::window_closed());
    }
    EXPECT_FALSE(harness::run_program(voxelmouse::run, "5 mouse=400,300,0 Esc\n", 5))
        << "a held key that types nothing does not end it";
}

TEST(RealMaxMin, ReturnTheLargerOrSmallerAndTheSecondOnATieOrNaN) {
    const double nan_a = std::bit_cast<double>(0x7FF8000000000001ull);
    const double nan_b = std::bit_cast<double>(0x7FF8000000000002ull);
    const double inf = std::numeric_limits<double>::infinity();
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    struct Case {
        double a, b, max, min;
    };
    const Case cases[] = {
        {1, 2, 2, 1},
        {2, 1, 2, 1},
        {-3.5, -48, -3.5, -48},
        {inf, 48, inf, 48},
        {1, 1, 1, 1},
        {-0.0, 0.0, 0.0, 0.0},  // a tie gives the second
        {0.0, -0.0, -0.0, -0.0},
        {nan_a, 1, 1, 1},
        {1, nan_a, nan_a, nan_a},  // a NaN fails the test
        {nan_a, nan_b, nan_b, nan_b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << ", " << c.b);
        EXPECT_EQ(bits(common::max_real(c.a, c.b)), bits(c.max));
        EXPECT_EQ(bits(common::min_real(c.a, c.b)), bits(c.min));
    }
}

}  // namespace
