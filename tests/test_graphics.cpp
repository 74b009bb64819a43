// The window layer on the memory backend: pages, primitives, palette, input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "common/common.h"
#include "graphics/canvas.h"
#include "graphics/window.h"
#include "harness.h"

namespace {

using namespace graphics;

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        open_window(3, 4, "test");
    }
    static std::uint32_t at(int x, int y, int page = -1) {
        const int p = page < 0 ? canvas.draw_page : page;
        return canvas
            .pages[static_cast<std::size_t>(p)][static_cast<std::size_t>(y) * canvas.width + x];
    }
    // The set of pixels of the drawing page that are not 0.
    static std::set<std::pair<int, int>> painted() {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < canvas.height; ++y) {
            for (int x = 0; x < canvas.width; ++x) {
                if (at(x, y) != 0) out.insert({x, y});
            }
        }
        return out;
    }
};

TEST(OpenWindow, ModesGiveTheirClientSizes) {
    struct Case {
        int driver, mode, width, height;
        bool true_colour;
    };
    const Case cases[] = {
        {3, 1, 320, 200, false},  {3, 2, 640, 200, false},  {3, 3, 640, 350, false},
        {3, 4, 640, 480, false},  {3, 5, 720, 350, false},  {3, 6, 800, 600, false},
        {3, 7, 1024, 768, false}, {9, 8, 1280, 1024, true}, {9, 6, 800, 600, true},
        {1, 4, 640, 480, false},  {2, 4, 640, 480, false}};
    for (const Case& c : cases) {
        harness::manual();
        open_window(c.driver, c.mode, "t");
        EXPECT_EQ(max_x(), c.width - 1) << c.mode;
        EXPECT_EQ(max_y(), c.height - 1) << c.mode;
        EXPECT_EQ(canvas.true_colour, c.true_colour);
        EXPECT_EQ(canvas.draw_page, 0);
        EXPECT_EQ(canvas.show_page, 0);
    }
}

TEST_F(Window, StartsBlackWithWhitePenAndFill) {
    for (int p = 0; p < page_count; ++p) EXPECT_EQ(at(320, 240, p), 0u);
    EXPECT_EQ(canvas.fill_colour, 15u);  // (252, 252, 252), the first entry nearest white
    EXPECT_EQ(canvas.pen_colour, 15u);
    harness::manual();
    open_window(9, 6, "t");
    EXPECT_EQ(canvas.pen_colour, 0xFFFFFFu);
}

TEST_F(Window, DefaultPaletteHasItsExceptions) {
    const std::array<Rgb, 256> p = default_palette();
    struct Case {
        int index;
        Rgb rgb;
    };
    const Case cases[] = {
        {0, {0, 0, 0}},        {1, {0, 0, 168}},      {6, {168, 84, 0}},  {8, {84, 84, 84}},
        {9, {132, 132, 252}},  {15, {252, 252, 252}}, {16, {0, 0, 0}},    {23, {96, 96, 96}},
        {31, {252, 252, 252}}, {32, {0, 0, 252}},     {40, {252, 0, 0}},  {48, {0, 252, 0}},
        {56, {124, 124, 252}}, {65, {252, 156, 252}}, {104, {0, 0, 112}}, {231, {64, 44, 48}},
        {232, {64, 48, 44}},   {246, {44, 48, 64}},   {247, {0, 0, 0}},   {255, {0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(p[static_cast<std::size_t>(c.index)], c.rgb) << c.index;
}

TEST_F(Window, FillRectIncludesBothCornersAndClips) {
    set_fill(1, 7);
    fill_rect(10, 20, 12, 21);
    EXPECT_EQ(painted().size(), 6u);
    EXPECT_EQ(at(10, 20), 7u);
    EXPECT_EQ(at(12, 21), 7u);
    EXPECT_EQ(at(13, 21), 0u);
    fill_rect(5, 5, 4, 9);  // x1 > x2
    fill_rect(5, 9, 9, 5);  // y1 > y2
    EXPECT_EQ(painted().size(), 6u);
    fill_rect(-5, -5, 0, 0);  // clipped to the one pixel inside
    EXPECT_EQ(at(0, 0), 7u);
    fill_rect(639, 479, 700, 700);
    EXPECT_EQ(painted().size(), 8u);
}

TEST_F(Window, FillPatterns) {
    set_fill(1, 300);  // above 255: entry 300 mod 256
    fill_rect(0, 0, 0, 0);
    EXPECT_EQ(at(0, 0), 44u);
    set_fill(0, 5);  // solid background
    fill_rect(0, 0, 0, 0);
    EXPECT_EQ(at(0, 0), 0u);
    set_fill(9, 5);  // none
    fill_rect(0, 0, 0, 0);
    EXPECT_EQ(at(0, 0), 0u);
    set_fill(4, 5);  // a hatch fills solid
    fill_rect(0, 0, 0, 0);
    EXPECT_EQ(at(0, 0), 5u);
}

TEST_F(Window, PlotBlockCoversThreeByThree) {
    common::plot_block(0, 0, 9);
    std::set<std::pair<int, int>> expected;
    for (int y = 0; y <= 2; ++y) {
        for (int x = 0; x <= 2; ++x) expected.insert({x, y});
    }
    EXPECT_EQ(painted(), expected);
    clear_page();
    common::plot_block(319, 239, 9);  // 638..640 x 478..480: the last row and column are outside
    EXPECT_EQ(painted(),
              (std::set<std::pair<int, int>>{{638, 478}, {639, 478}, {638, 479}, {639, 479}}));
    // The right neighbour overwrites the shared column.
    clear_page();
    common::plot_block(0, 0, 9);
    common::plot_block(1, 0, 10);
    EXPECT_EQ(at(1, 0), 9u);
    EXPECT_EQ(at(2, 0), 10u);
}

TEST_F(Window, PlotBlockWrapsItsPixelCoordinatesAsSixteenBits) {
    // 2 * 16400 = 32800 wraps to -32736: off the window, nothing drawn.
    common::plot_block(16400, 0, 9);
    EXPECT_TRUE(painted().empty());
    // 2 * 32768 = 65536 wraps to 0.
    common::plot_block(32768, 0, 9);
    EXPECT_EQ(at(0, 0), 9u);
}

TEST_F(Window, PagesAreSeparateAndOutOfRangeMeansZero) {
    set_draw_page(1);
    plot_pixel(3, 3, 4);
    EXPECT_EQ(at(3, 3, 1), 4u);
    EXPECT_EQ(at(3, 3, 0), 0u);
    set_draw_page(7);
    EXPECT_EQ(canvas.draw_page, 0);
    set_show_page(-1);
    EXPECT_EQ(canvas.show_page, 0);
    set_show_page(1);
    EXPECT_EQ(shown_rgb(3, 3), (Rgb{168, 0, 0}));
    set_draw_page(1);
    clear_page();
    EXPECT_EQ(at(3, 3, 1), 0u);
}

TEST_F(Window, DrawingOnTheShownPageMarksItForPresenting) {
    set_show_page(0);
    EXPECT_FALSE(canvas.shown_dirty);
    set_draw_page(1);
    plot_pixel(1, 1, 2);
    EXPECT_FALSE(canvas.shown_dirty);
    set_draw_page(0);
    plot_pixel(1, 1, 2);
    EXPECT_TRUE(canvas.shown_dirty);
}

TEST_F(Window, PlotPixelOutsideIsIgnored) {
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {640, 0}, {0, 480}}) plot_pixel(x, y, 3);
    EXPECT_TRUE(painted().empty());
}

TEST_F(Window, ThinLinesIncludeBothEnds) {
    set_pen_colour(2);
    draw_line(5, 5, 5, 5);
    EXPECT_EQ(painted(), (std::set<std::pair<int, int>>{{5, 5}}));
    clear_page();
    draw_line(0, 0, 4, 2);
    const auto p = painted();
    EXPECT_EQ(p.size(), 5u);
    EXPECT_TRUE(p.count({0, 0}) && p.count({4, 2}));
    clear_page();
    draw_line(10, 479 + 5, 10, 470);  // vertical, clipped at the bottom
    EXPECT_EQ(painted().size(), 10u);
    EXPECT_EQ(canvas.pen_x, 10);
    EXPECT_EQ(canvas.pen_y, 470);
}

TEST_F(Window, ThickLinesAreThreeWideWithoutTheirEndPixel) {
    set_pen_colour(2);
    set_pen_style(0, 0, 3);
    draw_line(10, 10, 14, 10);  // x 10..13, rows 9..11
    auto p = painted();
    EXPECT_EQ(p.size(), 12u);
    EXPECT_FALSE(p.count({14, 10}));
    EXPECT_TRUE(p.count({10, 9}) && p.count({13, 11}));
    clear_page();
    move_pen(50, 50);
    line_to(50, 53);  // vertical: columns 49..51, rows 50..52
    p = painted();
    EXPECT_EQ(p.size(), 9u);
    EXPECT_FALSE(p.count({50, 53}));
    EXPECT_EQ(canvas.pen_y, 53);
}

TEST_F(Window, RgbColourFindsTheNearestEntryLowestFirst) {
    EXPECT_EQ(rgb_colour(0, 0, 0), 0u);         // 0, 16, 247..255 are all black
    EXPECT_EQ(rgb_colour(255, 255, 255), 15u);  // 15 and 31 tie
    EXPECT_EQ(rgb_colour(250, 2, 3), 40u);
    set_palette_entry(0, 10, 10, 10);
    EXPECT_EQ(rgb_colour(0, 0, 0), 16u);  // the cached answer follows the palette
    set_palette_entry(200, 1, 2, 3);
    EXPECT_EQ(rgb_colour(1, 2, 3), 200u);
    harness::manual();
    open_window(9, 4, "t");
    EXPECT_EQ(rgb_colour(1, 2, 3), 1u + 256u * 2u + 65536u * 3u);
}

TEST_F(Window, ShownPixelsGoThroughTheCurrentPalette) {
    plot_pixel(0, 0, 70);
    set_palette_entry(70, 1, 2, 3);
    EXPECT_EQ(shown_rgb(0, 0), (Rgb{1, 2, 3}));
    std::vector<std::uint32_t> argb(640 * 480);
    shown_to_argb(argb.data());
    EXPECT_EQ(argb[0], 0xFF010203u);
}

TEST_F(Window, TypedKeyQueueDropsTheOldest) {
    EXPECT_FALSE(key_waiting());
    for (int i = 1; i <= 40; ++i) input.push_key(static_cast<std::uint8_t>(i));
    for (int i = 10; i <= 40; ++i) {
        ASSERT_TRUE(key_waiting());
        EXPECT_EQ(read_key(), i);
    }
    EXPECT_FALSE(key_waiting());
    EXPECT_THROW(read_key(), memory::RunEnded);  // nothing can ever arrive headless
    input.push_special(72);
    EXPECT_EQ(read_key(), 0);
    EXPECT_EQ(read_key(), 72);
}

TEST_F(Window, HeldKeysAndMouse) {
    EXPECT_EQ(GetAsyncKeyState(vk::up), 0);
    memory::hold_key(vk::up, true);
    EXPECT_LT(GetAsyncKeyState(vk::up), 0);
    EXPECT_EQ(GetAsyncKeyState(-5), 0);
    EXPECT_EQ(GetAsyncKeyState(1000), 0);
    EXPECT_EQ(mouse_x() + mouse_y() + mouse_buttons(), 0);
    memory::move_mouse(5, 6, 9);
    EXPECT_EQ(mouse_x(), 5);
    EXPECT_EQ(mouse_y(), 6);
    EXPECT_EQ(mouse_buttons(), 9);
}

TEST_F(Window, TextIsDrawnInThePenColourAlignedOnItsBottomEdge) {
    set_pen_colour(14);
    set_text_style(3, 0, 3);  // 24 pixels high
    set_text_align(1, 1);
    draw_text(320, 400, "TASTE");
    const auto p = painted();
    ASSERT_FALSE(p.empty()) << "no font found (fonts-liberation)";
    int left = 640, right = 0, top = 480, bottom = 0;
    for (auto [x, y] : p) {
        EXPECT_EQ(at(x, y), 14u);
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    EXPECT_LE(bottom, 400);
    EXPECT_GT(bottom, 400 - 10);  // capitals stand on the baseline, above the descent
    EXPECT_GT(400 - top, 12);
    EXPECT_NEAR((left + right) / 2.0, 320, 3);
}

TEST(Random, FixedSeedRepeatsAndStaysInRange) {
    fix_random_seed(42);
    randomize();
    std::vector<int> first;
    for (int i = 0; i < 1000; ++i) first.push_back(random_int(62));
    randomize();
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(random_int(62), first[static_cast<std::size_t>(i)]);
    EXPECT_EQ(*std::min_element(first.begin(), first.end()), 0);
    EXPECT_EQ(*std::max_element(first.begin(), first.end()), 61);
    EXPECT_EQ(random_int(1), 0);
    EXPECT_EQ(random_int(0), 0);
    unfix_random_seed();
}

TEST(Script, ParsesKeysMouseAndTypedText) {
    std::string error;
    auto s = parse_script(
        "# a comment\n\n30 Up\n5 left up  # turn and walk\n1 mouse=400,150,8\n1 "
        "type=q<Up><Esc>\n7\n",
        error);
    ASSERT_TRUE(s) << error;
    ASSERT_EQ(s->lines.size(), 5u);
    EXPECT_EQ(s->frames(), 44);
    EXPECT_EQ(s->lines[1].held, (std::vector<int>{vk::left, vk::up}));
    EXPECT_TRUE(s->lines[2].moves_mouse);
    EXPECT_EQ(s->lines[2].mouse_buttons, 8);
    EXPECT_EQ(s->lines[3].typed, (std::vector<unsigned char>{'q', 0, 72, 27}));
    EXPECT_TRUE(s->lines[4].held.empty());
}

TEST(Script, MalformedLinesNameTheirLineNumber) {
    const char* cases[] = {"1 Up\n0 Up\n",       "1 Up\nx Up\n",       "1 Up\n2 Jump\n",
                           "1\n2 mouse=1,2\n",   "1\n2 type=<Home>\n", "1\n-3\n",
                           "1\n2 mouse=1,-2,0\n"};
    for (const char* text : cases) {
        std::string error;
        EXPECT_FALSE(parse_script(text, error)) << text;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

TEST(Script, InputFollowsTheFramesOfEachLine) {
    const Script s = harness::script("2 Up mouse=7,8,1 type=ab\n1 Down\n");
    memory::start_run(s, -1);
    open_window(3, 4, "t");
    pump_events();  // frame 1
    EXPECT_LT(GetAsyncKeyState(vk::up), 0);
    EXPECT_EQ(mouse_x(), 7);
    EXPECT_EQ(read_key(), 'a');
    EXPECT_EQ(read_key(), 'b');
    pump_events();  // frame 2: the same line, nothing typed again
    EXPECT_LT(GetAsyncKeyState(vk::up), 0);
    EXPECT_FALSE(key_waiting());
    pump_events();  // frame 3
    EXPECT_EQ(GetAsyncKeyState(vk::up), 0);
    EXPECT_LT(GetAsyncKeyState(vk::down), 0);
    pump_events();  // past the end: nothing held, the mouse stays
    EXPECT_EQ(GetAsyncKeyState(vk::down), 0);
    EXPECT_EQ(mouse_y(), 8);
}

TEST(Script, TheRunEndsAtTheCallAfterTheLastFrame) {
    const Script s = harness::script("3\n");
    memory::start_run(s, 3);
    open_window(3, 4, "t");
    for (int i = 0; i < 3; ++i) pump_events();
    EXPECT_THROW(pump_events(), memory::RunEnded);
    EXPECT_EQ(memory::pump_count(), 4);
}

TEST(Common, SignOf) {
    EXPECT_EQ(common::sign_of(-0.5), -1);
    EXPECT_EQ(common::sign_of(0.0), 0);
    EXPECT_EQ(common::sign_of(-0.0), 0);
    EXPECT_EQ(common::sign_of(1e-300), 1);
}

TEST(Common, MaxMinRealReturnTheSecondOnATieOrANaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(common::max_real(2, 1), 2);
    EXPECT_EQ(common::max_real(1, 2), 2);
    EXPECT_EQ(common::min_real(1, 2), 1);
    EXPECT_EQ(common::min_real(2, 1), 1);
    EXPECT_FALSE(std::signbit(common::max_real(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(common::max_real(0.0, -0.0)));
    EXPECT_TRUE(std::signbit(common::min_real(0.0, -0.0)));
    EXPECT_EQ(common::max_real(nan, 3), 3);
    EXPECT_TRUE(std::isnan(common::max_real(3, nan)));
    EXPECT_EQ(common::min_real(nan, 3), 3);
    EXPECT_TRUE(std::isnan(common::min_real(3, nan)));
}

}  // namespace
