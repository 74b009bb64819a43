// bspcast: the map reader and its guards, the renderer's clipping and
// painting, the movement model and the frame loop.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bspcast/bspcast.h"
#include "bspcast_fuzz_input.h"
#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"

namespace {

using bspcast::Map;
using bspcast::State;
using bspcast::Viewer;
using bspcast::ViewTables;
using bspcast::Wall;

// One value per line.
std::string lines(std::initializer_list<std::string> values, const std::string& end = "\n") {
    std::string text;
    for (const std::string& v : values) text += v + end;
    return text;
}

// The 18-line file with one wall in front of the viewer.
const std::initializer_list<std::string> one_wall_values = {
    "1",  "0",    "0", "0", "0",    "0",    "0",    "-50",  "-100",
    "50", "-100", "0", "1", "1006", "-994", "1006", "-994", "16"};

Map read(const std::string& text, std::vector<std::string>* messages = nullptr) {
    Map map;
    std::vector<std::string> m;
    bspcast::read_map(text, "bigcastl.txt", map, m);
    if (messages != nullptr) *messages = m;
    return map;
}

bool same_wall(const Wall& a, const Wall& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.t_start == b.t_start &&
           a.t_end == b.t_end && a.top1 == b.top1 && a.bottom1 == b.bottom1 && a.top2 == b.top2 &&
           a.bottom2 == b.bottom2 && a.colour == b.colour;
}

// ---------------------------------------------------------------- the reader

TEST(BspReader, OneWallFileLoadsEveryField) {
    std::vector<std::string> messages;
    const Map map = read(lines(one_wall_values), &messages);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(map.wall_count, 1);
    EXPECT_EQ(map.pos_x, 0);
    EXPECT_EQ(map.pos_y, 0);
    EXPECT_EQ(map.view_angle, 0);
    EXPECT_EQ(map.nodes[1].wall_index, 0);
    EXPECT_EQ(map.nodes[1].left_child, 0);
    EXPECT_EQ(map.nodes[1].right_child, 0);
    const Wall& w = map.walls[0];
    EXPECT_EQ(w.x1, -50);
    EXPECT_EQ(w.y1, -100);
    EXPECT_EQ(w.x2, 50);
    EXPECT_EQ(w.y2, -100);
    EXPECT_EQ(w.t_start, 0);
    EXPECT_EQ(w.t_end, 1);
    EXPECT_EQ(w.top1, 1006);
    EXPECT_EQ(w.bottom1, -994);
    EXPECT_EQ(w.top2, 1006);
    EXPECT_EQ(w.bottom2, -994);
    EXPECT_EQ(w.colour, 16);
    EXPECT_EQ(map.root, 1);
}

// The same file in other layouts reads the same.
TEST(BspReader, LayoutsThatReadTheSame) {
    const Map reference = read(lines(one_wall_values));
    struct Case {
        const char* name;
        std::string text;
    };
    std::string blank_lines, described, cr_only, crlf, tabs;
    for (const std::string& v : one_wall_values) {
        blank_lines += "\n  \n" + v + "\n";
        described += v + " the value\tand more 1 2 3\n";
        cr_only += v + "\r";
        crlf += v + "\r\n";
        tabs += "\t " + v + "\t;comment\n";
    }
    const Case cases[] = {
        {"blank lines", blank_lines},
        {"text after a space", described},
        {"CR only", cr_only},
        {"CR LF", crlf},
        {"tabs", tabs},
        {"Ctrl-Z after the last value", lines(one_wall_values) + "\x1a" + "99\n"},
        {"no final line end", lines(one_wall_values).substr(0, lines(one_wall_values).size() - 1)},
    };
    for (const Case& c : cases) {
        std::vector<std::string> messages;
        const Map map = read(c.text, &messages);
        EXPECT_TRUE(messages.empty()) << c.name;
        EXPECT_EQ(map.wall_count, 1) << c.name;
        EXPECT_TRUE(same_wall(map.walls[0], reference.walls[0])) << c.name;
    }
}

// The first value of the file is read as a real in pos_x.
TEST(BspReader, RealSyntax) {
    struct Case {
        const char* token;
        double value;
        bool malformed;
    };
    const Case cases[] = {
        {"-3.5e1", -35, false}, {".5", 0.5, false},    {"5.", 5, false},    {"+.5E+1", 5, false},
        {"12", 12, false},      {"1e-2", 0.01, false}, {"0.1", 0.1, false}, {"1e", 0, true},
        {".", 0, true},         {"1,5", 0, true},      {"12;", 0, true},    {"e5", 0, true},
        {"--1", 0, true},       {"1e400", 0, true},    {"0x10", 0, true},   {"inf", 0, true},
        {"nan", 0, true},       {"1.5.", 0, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> messages;
        const Map map = read(lines({"0", c.token, "7"}), &messages);
        EXPECT_EQ(map.pos_x, c.value) << c.token;
        EXPECT_EQ(map.pos_y, c.malformed ? 0 : 7) << c.token;
        EXPECT_EQ(messages.size(), c.malformed ? 1u : 0u) << c.token;
    }
}

// A token is at most 255 characters; the rest of a longer run goes with the
// rest of its line.
TEST(BspReader, LongTokenIsCutAt255Characters) {
    const std::string long_token = std::string(254, '0') + "12345";
    std::vector<std::string> messages;
    const Map map = read(lines({"0", long_token, "7"}), &messages);
    EXPECT_EQ(map.pos_x, 1);
    EXPECT_EQ(map.pos_y, 7);
    EXPECT_TRUE(messages.empty());
}

TEST(BspReader, IntegerSyntaxAndSixteenBitWrap) {
    struct Case {
        const char* token;
        int value;
        bool malformed;
    };
    const Case cases[] = {
        {"400", 400, false},       {"-30", -30, false},     {"+7", 7, false},
        {"40000", -25536, false},  {"65541", 5, false},     {"-2147483648", 0, false},
        {"2147483647", -1, false}, {"2147483648", 0, true}, {"99999999999", 0, true},
        {"1.0", 0, true},          {"12abc", 0, true},      {"-", 0, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> messages;
        const Map map = read(lines({"0", "1", "2", c.token}), &messages);
        EXPECT_EQ(map.view_angle, c.value) << c.token;  // headings are kept as read
        EXPECT_EQ(map.pos_y, 2) << c.token;
        EXPECT_EQ(messages.size(), c.malformed ? 1u : 0u) << c.token;
    }
}

// From a malformed token on, every value is 0; the values before it stand;
// one message names the file, the line and the token.
TEST(BspReader, MalformedTokenZeroesTheRestAndSaysWhere) {
    std::vector<std::string> values(one_wall_values);
    values[13] = "1006m";  // top1, on line 14
    std::string text;
    for (const std::string& v : values) text += v + "\n";
    std::vector<std::string> messages;
    const Map map = read(text, &messages);
    EXPECT_EQ(map.wall_count, 1);
    EXPECT_EQ(map.walls[0].x1, -50);
    EXPECT_EQ(map.walls[0].t_end, 1);
    EXPECT_EQ(map.walls[0].top1, 0);
    EXPECT_EQ(map.walls[0].bottom1, 0);
    EXPECT_EQ(map.walls[0].colour, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "bigcastl.txt:14: malformed value '1006m' for top1 of wall 0: it and every later "
              "value read as 0");
}

TEST(BspReader, CommentLineWhereAValueIsExpectedIsMalformed) {
    std::vector<std::string> messages;
    const Map map = read("1\n# a comment\n5\n6\n", &messages);
    EXPECT_EQ(map.wall_count, 1);
    EXPECT_EQ(map.pos_x, 0);
    EXPECT_EQ(map.pos_y, 0);  // not read: the 5 is never consumed
    EXPECT_EQ(map.view_angle, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(":2: malformed value '#' for pos_x"), std::string::npos);
}

TEST(BspReader, LineNumbersCountEveryKindOfLineEnd) {
    std::vector<std::string> messages;
    read("1\r\n2\r3\n\r\n\rx\n", &messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("bigcastl.txt:6: malformed value 'x'"), std::string::npos)
        << messages[0];
}

TEST(BspReader, ShortFileAndNonPositiveCounts) {
    const Map early = read("1\n5\n");  // ends after pos_x
    EXPECT_EQ(early.wall_count, 1);
    EXPECT_EQ(early.pos_x, 5);
    EXPECT_EQ(early.walls[0].x2, 0);
    const Map negative = read(lines({"-3", "1", "2", "3", "0", "0", "0"}));
    EXPECT_EQ(negative.wall_count, 0);
    EXPECT_EQ(negative.view_angle, 3);
    EXPECT_EQ(negative.nodes[1].wall_index, 0);
    const Map ctrl_z = read(
        "1\n\x1a"
        "5\n6\n");
    EXPECT_EQ(ctrl_z.pos_x, 0);
}

// A map of n walls w0, w1, ... and the nodes given, in file form.
std::string map_text(int count, const std::vector<std::array<int, 3>>& nodes,
                     const std::vector<std::array<double, 10>>& walls) {
    std::ostringstream out;
    out.precision(17);
    out << count << "\n0\n0\n0\n";
    for (const auto& n : nodes) out << n[0] << '\n' << n[1] << '\n' << n[2] << '\n';
    for (const auto& w : walls) {
        for (double v : w) out << v << '\n';
        out << "16\n";
    }
    return out.str();
}

std::array<double, 10> wall_at(double y, double x1 = -10, double x2 = 10) {
    return {x1, y, x2, y, 0, 1, 56, -44, 56, -44};
}

// The guards: each keeps the tables and the tree walk sound and says so.
TEST(BspReader, GuardsKeepTheTreeInsideItsTables) {
    struct Case {
        const char* name;
        std::vector<std::array<int, 3>> nodes;
        std::vector<std::array<int, 3>> expected;  // the links after the guards
        int root;
        const char* message;  // a part of the one message
    };
    const std::vector<std::array<double, 10>> walls = {wall_at(-10), wall_at(-20), wall_at(-30)};
    const Case cases[] = {
        {"child beyond the count",
         {{0, 0, 2}, {1, 0, 7}, {2, 0, 0}},
         {{0, 0, 2}, {1, 0, 0}, {2, 0, 0}},
         1,
         "bigcastl.txt:10: node 2 links to node 7, outside 1..3: link ignored"},
        {"negative child",
         {{0, -1, 2}, {1, 0, 3}, {2, 0, 0}},
         {{0, 0, 2}, {1, 0, 3}, {2, 0, 0}},
         1,
         "node 1 links to node -1"},
        {"cycle back to the root",
         {{0, 0, 2}, {1, 0, 3}, {2, 1, 0}},
         {{0, 0, 2}, {1, 0, 3}, {2, 0, 0}},
         1,
         "node 3 links to node 1, already in the tree"},
        {"self loop",
         {{0, 0, 2}, {1, 2, 3}, {2, 0, 0}},
         {{0, 0, 2}, {1, 0, 3}, {2, 0, 0}},
         1,
         "node 2 links to node 2, already in the tree"},
        {"two links to one node",
         {{0, 2, 2}, {1, 0, 3}, {2, 0, 0}},
         {{0, 2, 0}, {1, 0, 3}, {2, 0, 0}},
         1,
         "node 1 links to node 2, already in the tree"},
        {"wall index beyond the count",
         {{0, 0, 2}, {5, 0, 3}, {2, 0, 0}},
         {{0, 0, 0}, {5, 0, 3}, {2, 0, 0}},
         1,
         "node 2 names wall 5, outside 0..2: the node and its subtree are not drawn"},
        {"root names no wall",
         {{-4, 0, 2}, {1, 0, 3}, {2, 0, 0}},
         {{-4, 0, 2}, {1, 0, 3}, {2, 0, 0}},
         0,
         "node 1 names wall -4"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> messages;
        const Map map = read(map_text(3, c.nodes, walls), &messages);
        for (int k = 1; k <= 3; ++k) {
            const auto& n = map.nodes[static_cast<std::size_t>(k)];
            EXPECT_EQ(n.left_child, c.expected[static_cast<std::size_t>(k - 1)][1])
                << c.name << " node " << k;
            EXPECT_EQ(n.right_child, c.expected[static_cast<std::size_t>(k - 1)][2])
                << c.name << " node " << k;
        }
        EXPECT_EQ(map.root, c.root) << c.name;
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_NE(messages[0].find(c.message), std::string::npos) << c.name << ": " << messages[0];
        EXPECT_EQ(map.walls[2].y1, -30) << c.name;  // the walls still line up
    }
}

// More than 100 records: all are read, so the walls still line up, and the
// first 100 are kept.
TEST(BspReader, CountAbove100KeepsTheFirst100) {
    std::vector<std::array<int, 3>> nodes;
    std::vector<std::array<double, 10>> walls;
    for (int k = 1; k <= 120; ++k) {
        nodes.push_back({k - 1, 0, k < 120 ? k + 1 : 0});
        walls.push_back(wall_at(-k));
    }
    std::vector<std::string> messages;
    const Map map = read(map_text(120, nodes, walls), &messages);
    EXPECT_EQ(map.wall_count, 100);
    EXPECT_EQ(map.walls[0].y1, -1);
    EXPECT_EQ(map.walls[99].y1, -100);
    EXPECT_EQ(map.nodes[100].right_child, 0);  // 101 is cut off
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0],
              "bigcastl.txt:1: wall_count 120 is above 100: only the first 100 nodes "
              "and walls are kept");
    EXPECT_NE(messages[1].find("node 100 links to node 101, outside 1..100"), std::string::npos);
}

// --------------------------------------------------------------- a program

// Runs in a fresh folder of its own, so that "bigcastl.txt" is the test's.
class InFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        folder_ = std::filesystem::temp_directory_path() /
                  ("bspcast_test_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
        harness::manual();
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(folder_);
    }
    static void write_map(const std::string& text) {
        std::ofstream("bigcastl.txt", std::ios::binary) << text;
    }
    std::filesystem::path saved_, folder_;
};

using BspLoader = InFolder;

TEST_F(BspLoader, MissingFileGivesAnEmptyWorld) {
    Map map;
    map.wall_count = 5;
    map.pos_x = 3;
    bspcast::load_map(map);
    EXPECT_EQ(map.wall_count, 0);
    EXPECT_EQ(map.pos_x, 0);
    EXPECT_EQ(map.pos_y, 0);
    EXPECT_EQ(map.view_angle, 0);
}

TEST_F(BspLoader, ReadsTheFileAndReportsOnStandardError) {
    write_map("1\n2\n3\n4\n9x\n");
    Map map;
    ::testing::internal::CaptureStderr();
    bspcast::load_map(map);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(map.pos_y, 3);
    EXPECT_EQ(map.view_angle, 4);
    EXPECT_EQ(err,
              "bigcastl.txt:5: malformed value '9x' for wall_index of node 1: it and every "
              "later value read as 0\n");
}

// --------------------------------------------------------------- the renderer

// The colour index of big pixel (col, row) on the drawing page.
std::uint32_t block_at(int col, int row) {
    return graphics::canvas.pages[static_cast<std::size_t>(graphics::canvas.draw_page)]
                                 [static_cast<std::size_t>(2 * row + 1) * 640 + 2 * col + 1];
}
std::uint32_t pixel_at(int x, int y) {
    return graphics::canvas.pages[static_cast<std::size_t>(graphics::canvas.draw_page)]
                                 [static_cast<std::size_t>(y) * 640 + x];
}

Wall wall(double x1, double y1, double x2, double y2, double top, double bottom,
          std::int16_t colour = 16) {
    Wall w;
    w.x1 = x1;
    w.y1 = y1;
    w.x2 = x2;
    w.y2 = y2;
    w.t_start = 0;
    w.t_end = 1;
    w.top1 = w.top2 = top;
    w.bottom1 = w.bottom2 = bottom;
    w.colour = colour;
    return w;
}

// Walls in a chain of nodes: node k names wall k - 1; the links are given.
Map map_of(std::initializer_list<Wall> walls, std::vector<std::array<int, 2>> links = {}) {
    Map map;
    for (const Wall& w : walls) {
        map.walls[static_cast<std::size_t>(map.wall_count)] = w;
        ++map.wall_count;
        map.nodes[static_cast<std::size_t>(map.wall_count)].wall_index =
            static_cast<std::int16_t>(map.wall_count - 1);
    }
    for (std::size_t k = 0; k < links.size(); ++k) {
        map.nodes[k + 1].left_child = static_cast<std::int16_t>(links[k][0]);
        map.nodes[k + 1].right_child = static_cast<std::int16_t>(links[k][1]);
    }
    return map;
}

class BspRender : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        graphics::open_window(3, 4, "test");
        viewer.show_map = false;
    }
    void draw(const Map& map) { bspcast::render_view(map, viewer, tables); }
    Viewer viewer;
    ViewTables tables;
};

TEST_F(BspRender, OneWallPicture) {
    const Map map = read(lines(one_wall_values));
    viewer.show_map = true;
    draw(map);
    const auto& s = tables.screen_walls[0];
    EXPECT_EQ(s.sx1, 79.5);
    EXPECT_EQ(s.sx2, 238.5);
    EXPECT_NEAR(s.top_y, 54.2, 1e-12);
    EXPECT_NEAR(s.bottom_y, 117.8, 1e-12);
    EXPECT_EQ(s.top_step, 0);
    for (int col = 0; col < 318; ++col) {
        for (int row = 1; row <= 172; ++row) {
            const bool wall_block = col >= 80 && col <= 238 && row >= 55 && row <= 118;
            const bool marker = col == 160 && row == 100;
            if (marker) continue;
            ASSERT_EQ(block_at(col, row), wall_block ? 31u : 0u) << col << "," << row;
        }
    }
    // The overlay: the wall as a line from (220, 0) to (420, 0), the marker.
    EXPECT_EQ(pixel_at(219, 0), 0u);
    for (int x = 220; x <= 420; ++x) ASSERT_EQ(pixel_at(x, 0), 31u) << x;
    EXPECT_EQ(pixel_at(421, 0), 0u);
    EXPECT_EQ(pixel_at(220, 1), 0u);
    for (int x = 320; x <= 322; ++x) {
        for (int y = 200; y <= 202; ++y) EXPECT_EQ(pixel_at(x, y), 31u);
    }
}

TEST_F(BspRender, NearAndFarCuts) {
    // Crosses y = -1: end 1 is cut there and drawn at depth 1.
    Map near = map_of({wall(0.5, 1, 0.5, -3, 56, -44)});
    draw(near);
    EXPECT_TRUE(tables.view_walls[0].visible);
    EXPECT_EQ(tables.view_walls[0].t1, 0.5);
    EXPECT_EQ(tables.screen_walls[0].sx1, 185.5);
    EXPECT_EQ(tables.screen_walls[0].sx2, 238.5);  // 0.5 across at depth 1
    // Crosses y = -600: end 2 is cut there.
    Map far = map_of({wall(-100, -500, -100, -700, 56, -44)});
    draw(far);
    EXPECT_TRUE(tables.view_walls[0].visible);
    EXPECT_EQ(tables.view_walls[0].t2, 0.5);
    EXPECT_EQ(tables.screen_walls[0].sx1, 127.2);
    EXPECT_NEAR(tables.screen_walls[0].sx2, 132.5, 1e-12);
}

TEST_F(BspRender, WallsThatAreNotDrawn) {
    const Wall cases[] = {
        wall(-10, 2, 10, -0.5, 56, -44),     // both ends nearer than y = -1
        wall(-10, -700, 10, -601, 56, -44),  // both ends beyond y = -600
        wall(0, -10, 0, -20, 56, -44),       // edge-on
        wall(0, -500, 1, -500, 56, -44),     // 0.318 columns wide
        wall(-30, -10, -20, -10, 56, -44),   // wholly left of the view
        wall(20, -10, 30, -12, 56, -44),     // wholly right of the view
    };
    for (const Wall& w : cases) {
        draw(map_of({w}));
        EXPECT_FALSE(tables.view_walls[0].visible) << w.x1 << "," << w.y1;
        for (int col = 0; col < 318; col += 3) {
            for (int row = 1; row <= 172; row += 3) ASSERT_EQ(block_at(col, row), 0u);
        }
    }
}

TEST_F(BspRender, FieldOfViewEdgesAndRows) {
    // Ends exactly on the right edge: column 318 is drawn up to 317.
    draw(map_of({wall(0, -10, 10, -10, 56, -44, 40)}));
    EXPECT_EQ(tables.screen_walls[0].sx2, 317);
    EXPECT_EQ(block_at(317, 86), 55u);
    EXPECT_EQ(pixel_at(637, 173), 0u);
    EXPECT_EQ(block_at(158, 86), 0u);
    EXPECT_EQ(block_at(159, 86), 55u);  // 159 rounds to itself
    // Top 56 and bottom -44 at depth 10: rows 70.1 .. 101.9, painted 71..102.
    EXPECT_EQ(block_at(200, 70), 0u);
    EXPECT_EQ(block_at(200, 71), 55u);
    EXPECT_EQ(block_at(200, 102), 55u);
    EXPECT_EQ(block_at(200, 103), 0u);
    // From the left edge, with top 6 on row 86 at every depth.
    draw(map_of({wall(-20, -20, 0, -30, 6, -100, 40)}));
    EXPECT_EQ(tables.screen_walls[0].sx1, 0);
    EXPECT_EQ(tables.screen_walls[0].top_y, 86);
    EXPECT_EQ(tables.screen_walls[0].top_step, 0);
    EXPECT_EQ(block_at(0, 86), 0u);
    EXPECT_EQ(block_at(0, 87), 55u);
    // Taller than the view: rows 1..172 in every column.
    draw(map_of({wall(-10, -10, 10, -10, 5000, -5000, 40)}));
    EXPECT_EQ(block_at(150, 1), 55u);  // row 1 paints pixels 2..4; row 0 is never painted
    EXPECT_EQ(pixel_at(301, 1), 0u);
    EXPECT_EQ(block_at(150, 172), 55u);
    EXPECT_EQ(pixel_at(301, 347), 0u);
}

TEST_F(BspRender, PaletteIndexOfAColour) {
    const std::pair<std::int16_t, std::uint32_t> cases[] = {
        {16, 31}, {241, 0}, {0, 15}, {-20, 251}, {497, 0}};
    for (const auto& [colour, index] : cases) {
        draw(map_of({wall(-10, -10, 10, -10, 56, -44, colour)}));
        EXPECT_EQ(block_at(159, 86), index) << colour;
    }
}

TEST_F(BspRender, OutlineMode) {
    viewer.outline_mode = 1;
    draw(read(lines(one_wall_values)));
    EXPECT_EQ(block_at(80, 80), 31u);    // first column in full
    EXPECT_EQ(block_at(238, 80), 31u);   // last column in full
    EXPECT_EQ(block_at(160, 55), 31u);   // first row
    EXPECT_EQ(block_at(160, 118), 31u);  // last row
    EXPECT_EQ(block_at(160, 80), 0u);
    EXPECT_EQ(block_at(81, 56), 0u);
    // Two columns wide (158.36 .. 159.40): both columns full.
    draw(map_of({wall(-0.04, -10, 0.025, -10, 56, -44)}));
    for (int row = 71; row <= 102; ++row) {
        EXPECT_EQ(block_at(158, row), 31u) << row;
        EXPECT_EQ(block_at(159, row), 31u) << row;
        EXPECT_EQ(block_at(160, row), 0u) << row;
    }
}

// Back to front from either side of the partition wall.
TEST_F(BspRender, TreeOrderPaintsTheNearWallLast) {
    // Wall 0 along y = -10 heading +x; wall 1 at y = -30 lies on its right.
    const Map map =
        map_of({wall(-5, -10, 5, -10, 56, -44, 1), wall(-20, -30, 20, -30, 500, -500, 2)},
               {{0, 2}, {0, 0}});
    draw(map);
    EXPECT_EQ(block_at(159, 86), 16u);  // wall 0 in front
    EXPECT_EQ(block_at(60, 86), 17u);   // wall 1 beside it
    viewer.pos_y = -50;
    viewer.view_angle = 180;  // looking along +y, from behind wall 1
    draw(map);
    EXPECT_EQ(block_at(159, 86), 17u);
    // On the line of wall 0: its left subtree first, its right one last.
    const Map on_line =
        map_of({wall(-5, 0, 5, 0, 56, -44, 1), wall(-20, -30, 20, -30, 500, -500, 2),
                wall(-20, -20, 20, -20, 500, -500, 3)},
               {{3, 2}, {0, 0}, {0, 0}});
    viewer = Viewer{};
    viewer.show_map = false;
    draw(on_line);
    EXPECT_EQ(block_at(159, 86), 17u);  // wall 1 (right) over wall 2 (left)
}

TEST_F(BspRender, EmptyWorldShowsOnlyTheMarker) {
    viewer.show_map = true;
    draw(Map{});
    int lit = 0;
    for (std::uint32_t p : graphics::canvas.pages[0]) lit += p != 0;
    EXPECT_EQ(lit, 9);
    EXPECT_EQ(pixel_at(321, 201), 31u);
}

TEST_F(BspRender, OverlayDrawsWallsByTheirParametersAndAllZeroWallsAsAPoint) {
    viewer.show_map = true;
    Wall part = wall(-50, -50, 50, -50, 56, -44);
    part.t_start = 0.25;
    part.t_end = 0.25;
    Wall zero{};
    Map map = map_of({part, zero});
    viewer.pos_x = 10;
    viewer.pos_y = 20;
    draw(map);
    EXPECT_EQ(pixel_at(2 * (160 - 35), 2 * (100 - 70)), 31u);  // the single point of wall 0
    EXPECT_EQ(pixel_at(2 * (160 - 35) + 1, 2 * (100 - 70)), 0u);
    EXPECT_EQ(pixel_at(2 * 150, 2 * 80), 31u);  // the origin, seen from (10, 20)
}

// Values no sane map holds must not break a frame (the sanitizer build
// checks the conversions): huge, opposite and tiny coordinates, walls
// through the eye, far overlays. Each frame paints only the wall's colour, and
// a collision pass against such a wall leaves the step a number or NaN
// without looping.
TEST_F(BspRender, AbsurdCoordinatesDrawWithoutFault) {
    viewer.show_map = true;
    const Wall cases[] = {
        wall(-1e308, -10, 1e308, -10, 56, -44),
        wall(1e300, -1e300, -1e300, -1e-300, 1e308, -1e308),
        wall(0, 0, 0, 0, 1, 0),
        wall(-1e-300, -1e-300, 1e-300, 5, 1e300, -1e300),
        wall(0, 0, 1, -1, 1e308, -1e308),
        wall(-1, 1, 1, -1, 56, -44),
        wall(5e4, -10, -5e4, -9, 56, -44),
    };
    for (const Wall& w : cases) {
        const Map map = map_of({w});
        draw(map);
        for (std::uint32_t p : graphics::canvas.pages[0]) ASSERT_TRUE(p == 0 || p == 31) << w.x1;
        double dx = 0.5, dy = -0.5;
        bspcast::collide(map, viewer, dx, dy);
    }
    // Behind the viewer, so only the plan shows it: a wall whose ends lie
    // within 16000 units is drawn; one reaching a million units is left off.
    draw(map_of({wall(-15000, 20, 15000, 20, 56, -44)}));
    EXPECT_EQ(pixel_at(0, 240), 31u);
    draw(map_of({wall(-1e6, 20, 1e6, 20, 56, -44)}));
    EXPECT_EQ(pixel_at(0, 240), 0u);
}

// The fuzzer's kept inputs (seeds and any input that once failed), replayed
// the way the fuzz target runs them, in every build.
TEST_F(BspRender, FuzzInputsReplay) {
    const std::filesystem::path folder =
        std::filesystem::path(CAST_SOURCE_DIR) / "tests/fuzz/bspcast";
    auto state = std::make_unique<State>();
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        fuzz::exercise_map(bytes, *state);
        EXPECT_LE(state->map.wall_count, 100) << entry.path();
        ++replayed;
    }
    EXPECT_GE(replayed, 2);
}

// --------------------------------------------------------------- movement

class BspControls : public ::testing::Test {
  protected:
    void SetUp() override { harness::manual(); }
    void TearDown() override { graphics::memory::release_all_keys(); }
    std::int16_t press(int key) {
        graphics::memory::release_all_keys();
        graphics::memory::hold_key(key, true);
        bool quit = false;
        return bspcast::read_input(map, viewer, 0, quit);
    }
    Map map;
    Viewer viewer;
};

TEST_F(BspControls, UpFromRestAlternates) {
    const double expected[] = {0.75, -0.645, 0.26625, -1, 0, -1, 0, -1};
    for (int key : {graphics::vk::up, graphics::vk::down}) {
        viewer = Viewer{};
        const double sign = key == graphics::vk::up ? 1 : -1;
        for (double step : expected) {
            const double before = viewer.pos_y;
            EXPECT_EQ(press(key), bspcast::walked);
            EXPECT_NEAR(viewer.pos_y - before, sign * step, 1e-12);
            EXPECT_EQ(viewer.pos_x, 0);
            EXPECT_EQ(viewer.bob_amplitude, 20);
        }
    }
}

TEST_F(BspControls, CoastingShrinksUntilItStops) {
    press(graphics::vk::up);
    graphics::memory::release_all_keys();
    bool quit = false;
    int frames = 0;
    while (bspcast::read_input(map, viewer, 0, quit) == bspcast::coasting) {
        bspcast::move_viewer(map, viewer, 0, 0);
        ASSERT_LT(++frames, 200);
    }
    EXPECT_GT(frames, 10);
    EXPECT_EQ(viewer.vel_y, 0);
    EXPECT_EQ(viewer.push_y, 0);
}

TEST_F(BspControls, TurningAndToggles) {
    viewer.view_angle = 2;
    EXPECT_EQ(press(graphics::vk::right), bspcast::redraw);
    EXPECT_EQ(viewer.view_angle, 358);
    EXPECT_EQ(press(graphics::vk::left), bspcast::redraw);
    EXPECT_EQ(press(graphics::vk::left), bspcast::redraw);
    EXPECT_EQ(viewer.view_angle, 366);  // no reduction at 360
    viewer.view_angle = 32766;
    press(graphics::vk::left);
    EXPECT_EQ(viewer.view_angle, -32766);  // the 16-bit heading wraps
    // H held three frames: shown, hidden, shown, hidden.
    for (bool expected : {false, true, false}) {
        EXPECT_EQ(press('H'), bspcast::redraw);
        EXPECT_EQ(viewer.show_map, expected);
    }
    press('L');
    EXPECT_EQ(viewer.outline_mode, 1);
    press('L');
    EXPECT_EQ(viewer.outline_mode, 0);
    press('C');
    EXPECT_FALSE(viewer.collision_on);
    bool quit = false;
    graphics::memory::release_all_keys();
    EXPECT_EQ(bspcast::read_input(map, viewer, 0, quit), bspcast::nothing_changed);
    graphics::memory::hold_key(graphics::vk::escape, true);
    bspcast::read_input(map, viewer, 0, quit);
    EXPECT_TRUE(quit);
}

// Walking at heading 0 towards a wall across the path at y = -10.
double walk_into(Map map, Viewer& viewer, int frames, int heading = 0) {
    viewer.view_angle = static_cast<std::int16_t>(heading);
    bool quit = false;
    double nearest = viewer.pos_y;
    graphics::memory::hold_key(graphics::vk::up, true);
    for (int k = 0; k < frames; ++k) {
        bspcast::read_input(map, viewer, 0, quit);
        nearest = std::min(nearest, viewer.pos_y);
    }
    graphics::memory::release_all_keys();
    return nearest;
}

TEST_F(BspControls, WallsStopTheViewerTwoUnitsAway) {
    struct Case {
        const char* name;
        Wall wall;
        bool blocks;
    };
    Wall beyond_end = wall(-50, -10, 50, -10, 56, -44);
    beyond_end.t_start = 0.6;  // the solid part starts at x = 10
    const Case cases[] = {
        {"full-height wall", wall(-50, -10, 50, -10, 56, -44), true},
        {"top 40 below the eye", wall(-50, -10, 50, -10, -34, -100), false},
        {"top 39.9 below the eye", wall(-50, -10, 50, -10, -33.9, -100), true},
        {"bottom 40 above the eye", wall(-50, -10, 50, -10, 200, 46), false},
        {"bottom 39.9 above the eye", wall(-50, -10, 50, -10, 200, 45.9), true},
        {"beyond t_start", beyond_end, false},
        {"reversed direction", wall(50, -10, -50, -10, 56, -44), true},
    };
    for (const Case& c : cases) {
        viewer = Viewer{};
        const double nearest = walk_into(map_of({c.wall}), viewer, 60);
        if (c.blocks) {
            EXPECT_GE(nearest, -8 - 1e-9) << c.name;
            EXPECT_NEAR(viewer.pos_y, -8, 0.01) << c.name;
        } else {
            EXPECT_LT(nearest, -14) << c.name;
        }
    }
    // With collision off the viewer walks through.
    viewer = Viewer{};
    viewer.collision_on = false;
    EXPECT_LT(walk_into(map_of({cases[0].wall}), viewer, 60), -14);
}

TEST_F(BspControls, SlidingAlongAWallKeepsTwoUnitsAway) {
    viewer = Viewer{};
    walk_into(map_of({wall(-500, -10, 500, -10, 56, -44)}), viewer, 200, 30);
    const double x_at_contact = viewer.pos_x;
    EXPECT_NEAR(viewer.pos_y, -8, 1e-6);
    bool quit = false;
    graphics::memory::hold_key(graphics::vk::up, true);
    for (int k = 0; k < 100; ++k) {
        bspcast::read_input(map_of({wall(-500, -10, 500, -10, 56, -44)}), viewer, 0, quit);
        ASSERT_GE(viewer.pos_y, -8 - 1e-9);
    }
    EXPECT_LT(viewer.pos_x, x_at_contact - 10);  // it slid towards -x
}

// ------------------------------------------------------------- the loop

class BspLoop : public InFolder {
  protected:
    void start() {
        state = std::make_unique<State>();
        bspcast::start_up(*state);
    }
    bool step(std::initializer_list<int> keys = {}) {
        graphics::memory::release_all_keys();
        for (int k : keys) graphics::memory::hold_key(k, true);
        return bspcast::frame(*state);
    }
    // Marks pages 0 and 1 so that a frame that draws shows.
    static void mark_pages() {
        graphics::canvas.pages[0][0] = 7;
        graphics::canvas.pages[1][0] = 7;
    }
    static bool marked() {
        return graphics::canvas.pages[0][0] == 7 && graphics::canvas.pages[1][0] == 7;
    }
    std::unique_ptr<State> state;
};

TEST_F(BspLoop, NothingIsDrawnWhileNothingChanges) {
    write_map(lines(one_wall_values));
    start();
    EXPECT_EQ(graphics::canvas.title, "RAYCASTING PRIN BSP");
    step();  // the first frame paints page 0 and shows page 1, still blank
    EXPECT_EQ(graphics::canvas.show_page, 1);
    EXPECT_EQ(graphics::shown_rgb(320, 200), (graphics::Rgb{0, 0, 0}));
    mark_pages();
    for (int k = 0; k < 5; ++k) step();
    EXPECT_TRUE(marked());
    EXPECT_EQ(graphics::canvas.show_page, 1);
    step({graphics::vk::left});  // read now, drawn next frame
    EXPECT_TRUE(marked());
    step();
    EXPECT_FALSE(marked());
    EXPECT_EQ(graphics::canvas.show_page, 0);
    mark_pages();
    step();
    EXPECT_TRUE(marked());
    // A walk keeps drawing while the viewer coasts, then stops.
    step({graphics::vk::up});
    int drawn = 0;
    for (int k = 0; k < 100; ++k) {
        mark_pages();
        step();
        drawn += !marked();
    }
    EXPECT_GT(drawn, 10);
    EXPECT_LT(drawn, 100);
    EXPECT_EQ(state->viewer.vel_y, 0);
    EXPECT_FALSE(step({graphics::vk::escape}));
}

TEST_F(BspLoop, JumpRisesAndLandsAtEyeHeightSix) {
    write_map("0\n");
    start();
    step({graphics::vk::up});
    step({graphics::vk::up});
    step({graphics::vk::up});
    step({graphics::vk::space});  // the bob has lifted the eye: the jump starts from there
    EXPECT_TRUE(state->viewer.jumping);
    EXPECT_GT(state->viewer.eye_z, 6);
    double highest = 0;
    int frames = 0;
    while (state->viewer.jumping) {
        step(frames % 50 == 0 ? std::initializer_list<int>{graphics::vk::space}
                              : std::initializer_list<int>{});
        highest = std::max(highest, state->viewer.jump_height);
        ASSERT_LT(++frames, 2000);
    }
    EXPECT_NEAR(highest, 2970, 10);
    EXPECT_NEAR(frames, 773, 3);
    EXPECT_EQ(state->viewer.eye_z, 6);
    EXPECT_EQ(state->viewer.jump_height, 0);
}

// The whole program through castrun: starts from a map in the folder and
// ends on Esc.
TEST_F(BspLoop, ScriptedRunEndsOnEsc) {
    write_map(lines(one_wall_values));
    EXPECT_TRUE(harness::run_program(&bspcast::run, "3\n2 Left\n2\n1 Esc\n5\n"));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 8);
}

}  // namespace
