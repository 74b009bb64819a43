// voxelgrid: the maps, the big pixels of a frame, the keys and the wrap.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "common/common.h"
#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"
#include "voxelgrid/voxelgrid.h"

namespace {

using voxelgrid::columns;
using voxelgrid::rows;

struct PlotRecord {
    long calls = 0;
    long outside = 0;  // calls off the 320 x 200 picture
    std::array<std::array<int, rows>, columns> times{};
    std::array<std::array<std::uint8_t, rows>, columns> colour{};
};
PlotRecord record;

}  // namespace

// Every fill_rect of a voxelgrid frame is one plot_block call: the window
// layer's observer sees each one with its corners and colour.
void record_plot_block(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    const int x = x1 / 2, y = y1 / 2;
    ++record.calls;
    if (x1 % 2 == 0 && y1 % 2 == 0 && x2 == x1 + 2 && y2 == y1 + 2 && x >= 0 && x < columns &&
        y >= 0 && y < rows) {
        ++record.times[x][y];
        record.colour[x][y] = static_cast<std::uint8_t>(colour);
    } else {
        ++record.outside;
    }
}

namespace {

void start_recording() {
    record = PlotRecord{};
    graphics::fill_rect_observer = record_plot_block;
}

constexpr std::uint32_t sentinel = 7;

std::uint32_t page_pixel(int page, int x, int y) {
    return graphics::canvas.pages[page][static_cast<std::size_t>(y) * graphics::canvas.width + x];
}

class Voxelgrid : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        voxelgrid::start_up(state);
        start_recording();
    }
    voxelgrid::State state;
};

TEST_F(Voxelgrid, OpensItsWindow) {
    EXPECT_EQ(graphics::canvas.width, 640);
    EXPECT_EQ(graphics::canvas.height, 480);
    EXPECT_FALSE(graphics::canvas.true_colour);
    EXPECT_EQ(graphics::canvas.title, "RAYCASTING CU VOXELI");
}

TEST_F(Voxelgrid, MapsHoldFloorAndTwoDomesWithTruncatedColours) {
    struct Cell {
        int x, y, level, colour;
    };
    const Cell cells[] = {
        {0, 0, 64, 91},                      // floor
        {16, 48, 49, 32},                    // a dome top
        {48, 16, 49, 32},                    // the other dome top
        {16, 16, 64, 83},                    // v is 225, but x xor y has bit 5 clear
        {16, 33, 64, 84},                    // v is exactly 0: floor
        {9, 36, 58, 22},  {15, 48, 49, 31},  // (15 + 48) / 2 = 31.5 truncates to 31
        {17, 48, 49, 32}, {63, 63, 64, 91},  // 3 (cos 12.6 + sin 18.9) = 3.149
    };
    for (const Cell& c : cells) {
        SCOPED_TRACE(testing::Message() << "cell (" << c.x << ", " << c.y << ")");
        EXPECT_EQ(int{state.world.height_map[c.x][c.y]}, c.level);
        EXPECT_EQ(int{state.world.colour_map[c.x][c.y]}, c.colour);
    }
    for (int x = 0; x < voxelgrid::map_size; ++x) {
        for (int y = 0; y < voxelgrid::map_size; ++y) {
            const int level = state.world.height_map[x][y];
            const int colour = state.world.colour_map[x][y];
            SCOPED_TRACE(testing::Message() << "cell (" << x << ", " << y << ")");
            if (level == 64) {
                EXPECT_TRUE(colour >= 83 && colour <= 93);
            } else {
                EXPECT_TRUE(level >= 49 && level <= 62);
                EXPECT_TRUE(colour >= 21 && colour <= 42);
                EXPECT_EQ((x >= 32) + (y >= 32), 1) << "a dome fills a mixed quarter";
            }
        }
    }
}

TEST(VoxelgridRecord, SeesEveryPlotBlockCall) {
    harness::manual();
    graphics::open_window(3, 4, "plot");
    start_recording();
    common::plot_block(3, 4, 9);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.colour[3][4], 9);
    EXPECT_EQ(page_pixel(0, 6, 8), 9u);  // and the real plotter still paints
    EXPECT_EQ(page_pixel(0, 8, 10), 9u);
}

// Views from many places and headings, near and far from the domes.
TEST_F(Voxelgrid, EveryFramePaintsEachBigPixelOnceAndTheTopSixtyRowsBlack) {
    const double angles[] = {0, 0.7, 1.9, std::numbers::pi, -2.3, 4.6, 100.05};
    for (int px = 0; px <= 63; px += 12) {
        for (int py = 0; py <= 63; py += 12) {
            for (double angle : angles) {
                SCOPED_TRACE(testing::Message()
                             << "at (" << px << ", " << py << ") heading " << angle);
                auto& page = graphics::canvas.pages[graphics::canvas.draw_page];
                std::fill(page.begin(), page.end(), sentinel);
                start_recording();
                state.viewer.pos_x = px + 0.25;
                state.viewer.pos_y = py + 0.5;
                state.viewer.view_angle = angle;
                voxelgrid::render_view(state.world, state.viewer);

                ASSERT_EQ(record.calls, 64000);
                ASSERT_EQ(record.outside, 0);
                bool once = true, top_black = true;
                for (int x = 0; x < columns; ++x) {
                    for (int y = 0; y < rows; ++y) {
                        once = once && record.times[x][y] == 1;
                        if (y < 60) top_black = top_black && record.colour[x][y] == 0;
                    }
                }
                ASSERT_TRUE(once);
                ASSERT_TRUE(top_black);
                // Row 199 reaches pixel row 400; the rows below keep what they held.
                for (int x = 0; x < 640; x += 7) {
                    ASSERT_NE(page_pixel(graphics::canvas.draw_page, x, 400), sentinel);
                    ASSERT_EQ(page_pixel(graphics::canvas.draw_page, x, 401), sentinel);
                    ASSERT_EQ(page_pixel(graphics::canvas.draw_page, x, 479), sentinel);
                }
            }
        }
    }
}

TEST_F(Voxelgrid, TheHorizonFallsOnRowFortyNine) {
    voxelgrid::render_view(state.world, state.viewer);
    for (int x = 0; x < columns; ++x) {
        for (int y = 0; y <= 49; ++y) ASSERT_EQ(record.colour[x][y], 0) << x << ", " << y;
        ASSERT_NE(record.colour[x][199], 0) << x;
    }
}

TEST_F(Voxelgrid, FrameDrawsThenFlips) {
    ASSERT_TRUE(voxelgrid::frame(state));
    EXPECT_EQ(record.calls, 64000);
    // The first frame is painted onto page 0, which was shown; the flip then
    // shows page 1, not yet drawn.
    EXPECT_EQ(graphics::canvas.show_page, 1);
    EXPECT_NE(page_pixel(0, 320, 398), 0u);
    EXPECT_EQ(page_pixel(1, 320, 398), 0u);
    // The second is painted onto page 0 again and shown by its flip.
    ASSERT_TRUE(voxelgrid::frame(state));
    EXPECT_EQ(graphics::canvas.show_page, 0);
    EXPECT_EQ(page_pixel(1, 320, 398), 0u);
    ASSERT_TRUE(voxelgrid::frame(state));
    EXPECT_EQ(graphics::canvas.show_page, 1);
    EXPECT_NE(page_pixel(1, 320, 398), 0u);
}

TEST_F(Voxelgrid, HoldingUpJumpsFromPastTheFarEdgeToZero) {
    graphics::memory::hold_key(graphics::vk::up, true);
    for (int k = 1; k <= 15; ++k) {
        ASSERT_TRUE(voxelgrid::frame(state));
        EXPECT_EQ(state.viewer.pos_x, 4.0 * k);
        EXPECT_EQ(state.viewer.pos_y, 0.0);
    }
    ASSERT_TRUE(voxelgrid::frame(state));  // 64 > 63
    EXPECT_EQ(state.viewer.pos_x, 0.0);
}

TEST_F(Voxelgrid, KeysMoveAndTurnInTheirOrderThenTheWrapJumpsToTheOppositeEdge) {
    const double half_pi = std::numbers::pi / 2;
    struct Case {
        const char* what;
        double x, y, angle;
        std::vector<int> keys;
        double want_x, want_y, want_angle;
    };
    using namespace graphics::vk;
    const Case cases[] = {
        {"no key, x below 0", -0.1, 5, 0, {}, 63, 5, 0},
        {"no key, y above 63", 5, 63.5, 0, {}, 5, 0, 0},
        {"no key, 63 stays", 63, 63, 0, {}, 63, 63, 0},
        {"back from 0", 0, 0, 0, {down}, 63, 0, 0},
        {"back from 3", 3, 10, 0, {down}, 63, 10, 0},
        {"forward past 63 in y", 10, 60, half_pi, {up}, 10 + 4 * std::cos(half_pi), 0, half_pi},
        {"both wrap, x first",
         62,
         1,
         std::numbers::pi / 4,
         {down, down},
         62 - 4 * std::cos(std::numbers::pi / 4),
         63,
         std::numbers::pi / 4},
        {"right turns after the move", 10, 10, 0, {up, right}, 14, 10, 0.05},
        {"left turns after the move", 10, 10, 0, {down, left}, 6, 10, -0.05},
        {"right and left", 10, 10, 1, {right, left}, 10, 10, 1 + 0.05 - 0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        graphics::memory::release_all_keys();
        for (int key : c.keys) graphics::memory::hold_key(key, true);
        state.viewer.pos_x = c.x;
        state.viewer.pos_y = c.y;
        state.viewer.view_angle = c.angle;
        ASSERT_TRUE(voxelgrid::frame(state));
        EXPECT_EQ(state.viewer.pos_x, c.want_x);
        EXPECT_EQ(state.viewer.pos_y, c.want_y);
        EXPECT_EQ(state.viewer.view_angle, c.want_angle);
        EXPECT_EQ(state.viewer.eye_level, 40.0);
    }
}

TEST(VoxelgridRun, EscEndsAfterTheFrameIsShown) {
    EXPECT_TRUE(harness::run_program(voxelgrid::run, "2\n1 Esc\n", 10));
    EXPECT_EQ(graphics::memory::pump_count(), 3);
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::canvas.show_page, 1);  // the third frame's flip happened
    EXPECT_FALSE(harness::run_program(voxelgrid::run, "3 Up\n", 3));
}

}  // namespace
