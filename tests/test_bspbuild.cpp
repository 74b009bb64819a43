// bspbuild: the castle map is current and valid, the builder splits and
// balances, and the checker finds each broken rule with its line.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "bspcast/bspcast.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"
#include "tools/bspbuild/bspbuild.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string castle_walls = std::string(CAST_SOURCE_DIR) + "/bspcast/bigcastl.walls";
const std::string castle_map = std::string(CAST_SOURCE_DIR) + "/bspcast/bigcastl.txt";

TEST(BspbuildCastle, ShippedMapIsRebuiltFromItsWallListAndValid) {
    bspbuild::WallList list;
    std::vector<std::string> errors;
    ASSERT_TRUE(bspbuild::parse_wall_list(slurp(castle_walls), list, errors)) << errors.front();
    const bspbuild::BuiltMap built = bspbuild::build(list);
    EXPECT_EQ(bspbuild::write_map(list, built), slurp(castle_map))
        << "bigcastl.txt is stale: bspbuild bspcast/bigcastl.walls -o bspcast/bigcastl.txt";
    const std::vector<std::string> problems = bspbuild::check_map(slurp(castle_map));
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// What the castle is meant to hold, read back through the program's reader.
TEST(BspbuildCastle, HoldsWhatACastleNeeds) {
    bspcast::Map map;
    std::vector<std::string> messages;
    bspcast::read_map(slurp(castle_map), "bigcastl.txt", map, messages);
    EXPECT_TRUE(messages.empty());
    ASSERT_GT(map.wall_count, 40);
    ASSERT_LE(map.wall_count, 100);
    int lintels = 0, low = 0, sloped = 0, split = 0;
    std::set<int> colours;
    for (int k = 0; k < map.wall_count; ++k) {
        const bspcast::Wall& w = map.walls[static_cast<std::size_t>(k)];
        lintels += w.bottom1 >= 46 && w.bottom2 >= 46;  // 40 above the eye at rest
        low += w.top1 <= -34 && w.top2 <= -34;          // 40 below it
        sloped += w.top1 != w.top2;
        split += w.t_start != 0 || w.t_end != 1;
        colours.insert(w.colour);
    }
    EXPECT_GE(lintels, 3);
    EXPECT_GE(low, 8);
    EXPECT_GE(sloped, 2);
    EXPECT_GE(split, 2);
    EXPECT_GE(colours.size(), 6u);
}

// Walks through the castle with the program's own loop.
class BspCastleWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        state = std::make_unique<bspcast::State>();
        std::vector<std::string> messages;
        bspcast::read_map(slurp(castle_map), "bigcastl.txt", state->map, messages);
        state->viewer.pos_x = state->map.pos_x;
        state->viewer.pos_y = state->map.pos_y;
        state->viewer.view_angle = state->map.view_angle;
        graphics::open_window(3, 4, "test");
    }
    void TearDown() override { graphics::memory::release_all_keys(); }
    void walk(int frames) {
        graphics::memory::hold_key(graphics::vk::up, true);
        for (int k = 0; k < frames; ++k) bspcast::frame(*state);
        graphics::memory::release_all_keys();
        for (int k = 0; k < 100; ++k) bspcast::frame(*state);  // coast to a stop
    }
    std::unique_ptr<bspcast::State> state;
};

TEST_F(BspCastleWalk, StartLooksAtTheGateAndTheWalkNorthGoesUnderEveryLintel) {
    bspcast::frame(*state);  // draws the start view on page 0
    // The outer lintel (colour 97, index 112) fills the middle of the view.
    EXPECT_EQ(graphics::canvas.pages[0][static_cast<std::size_t>(2 * 40 + 1) * 640 + 319], 112u);
    walk(400);
    // Through the gate, the courtyard and the keep's door, to 2 units from
    // the keep's north face at y = -60.
    EXPECT_NEAR(state->viewer.pos_y, -58, 0.01);
    EXPECT_NEAR(state->viewer.pos_x, 0, 1e-9);
}

TEST_F(BspCastleWalk, StepsAcrossTheLowBedsUpToTheNorthCurtain) {
    state->viewer.pos_x = -45;
    state->viewer.pos_y = 60;
    walk(400);
    EXPECT_NEAR(state->viewer.pos_y, -78, 0.01);
}

// ------------------------------------------------------------- the builder

bspbuild::WallList list_of(const std::string& text) {
    bspbuild::WallList list;
    std::vector<std::string> errors;
    EXPECT_TRUE(bspbuild::parse_wall_list(text, list, errors)) << (errors.empty() ? "" : errors[0]);
    return list;
}

TEST(Bspbuild, CrossingWallIsSplitIntoPiecesOfOneSegment) {
    // Three walls across the middle one's line: whichever is chosen first,
    // the cross walls or the middle one is cut.
    const auto list = list_of(
        "start 0 0 0\n"
        "-10 0 10 0 100 -100 100 -100 1\n"
        "0 -10 0 10 100 -100 100 -100 2   # crosses the first at its middle\n"
        "5 -10 5 10 100 -100 100 -100 3\n");
    const bspbuild::BuiltMap built = bspbuild::build(list);
    EXPECT_EQ(built.splits, 2);
    ASSERT_EQ(built.walls.size(), 5u);
    // Pieces of one segment share its ends and divide its parameter range.
    std::map<std::array<double, 4>, std::vector<std::pair<double, double>>> pieces;
    for (const auto& w : built.walls)
        pieces[{w.x1, w.y1, w.x2, w.y2}].push_back({w.t_start, w.t_end});
    EXPECT_EQ(pieces.size(), 3u);
    for (auto& [segment, ranges] : pieces) {
        std::sort(ranges.begin(), ranges.end());
        EXPECT_EQ(ranges.front().first, 0);
        EXPECT_EQ(ranges.back().second, 1);
        for (std::size_t i = 1; i < ranges.size(); ++i)
            EXPECT_EQ(ranges[i].first, ranges[i - 1].second);
    }
    const auto problems = bspbuild::check_map(bspbuild::write_map(list, built));
    EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST(Bspbuild, ParallelWallsMakeABalancedTree) {
    std::string text = "start 0 50 0\n";
    for (int k = 0; k < 15; ++k)
        text += "-10 " + std::to_string(-10 * k) + " 10 " + std::to_string(-10 * k) +
                " 100 -100 100 -100 5\n";
    const auto list = list_of(text);
    const bspbuild::BuiltMap built = bspbuild::build(list);
    EXPECT_EQ(built.splits, 0);
    EXPECT_EQ(built.depth, 4);  // 15 nodes: a full tree
    const std::string map = bspbuild::write_map(list, built);
    EXPECT_TRUE(bspbuild::check_map(map).empty());
    EXPECT_EQ(map.rfind("15 wall_count\n0 pos_x\n50 pos_y\n0 view_angle\n0 node 1 wall_index\n", 0),
              0u);
}

TEST(Bspbuild, WallListErrorsNameTheirLines) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"1 2 3 4 5 6 7 8 9\n", "no start line"},
        {"start 0 0\n1 2 3 4 5 6 7 8 9\n", "line 1: expected: start X Y HEADING"},
        {"start 0 0 0\n\n1 2 3 4 5 6 7 8\n", "line 3: expected: x1 y1"},
        {"start 0 0 0\n1 2 3 4 5 6 7 8 1.5\n", "line 2: expected: x1 y1"},
        {"start 0 0 0\n1 2 1 2 5 6 7 8 9\n", "line 2: the wall has no length"},
        {"start 0 0 0\n# only a comment\n", "no walls"},
        {"start 0 0 0\nstart 1 1 1\n1 2 3 4 5 6 7 8 9\n", "line 2: a second start line"},
    };
    for (const Case& c : cases) {
        bspbuild::WallList list;
        std::vector<std::string> errors;
        EXPECT_FALSE(bspbuild::parse_wall_list(c.text, list, errors)) << c.text;
        ASSERT_FALSE(errors.empty());
        EXPECT_NE(errors[0].find(c.error), std::string::npos) << errors[0];
    }
}

// ------------------------------------------------------------- the checker

// A valid three-wall map: node 1 (wall 0 along y = 0, heading +x) has wall 1
// (y = 10, on its left) and wall 2 (y = -10, on its right).
std::vector<std::string> three_walls() {
    std::vector<std::string> v = {"3", "0", "50", "0", "0", "2", "3", "1", "0", "0", "2", "0", "0"};
    for (int y : {0, 10, -10}) {
        const std::string ys = std::to_string(y);
        for (const std::string& s : std::vector<std::string>{"-5", ys, "5", ys, "0", "1", "100",
                                                             "-100", "100", "-100", "7"}) {
            v.push_back(s);
        }
    }
    return v;
}

std::string join(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& v : values) text += v + " description\n";
    return text;
}

TEST(BspbuildCheck, FindsEachBrokenRuleWithItsLine) {
    EXPECT_TRUE(bspbuild::check_map(join(three_walls())).empty());
    struct Case {
        const char* name;
        int line;           // 1-based line to change (0: append)
        const char* value;  // the new value
        const char* problem;
    };
    const Case cases[] = {
        {"count above 100", 1, "101", "1: wall_count 101 is outside 0..100"},
        {"malformed token", 9, "1x", "9: malformed value '1x'"},
        {"wall index", 5, "3", "5: node 1 names wall 3, outside 0..2"},
        {"child out of range", 7, "4", "7: node 1 right_child 4 is outside 0..3"},
        {"node reached twice", 7, "2", "7: node 1 links to node 2, already in the tree"},
        {"node not reached", 7, "0", "11: node 3 is not reached from node 1"},
        {"wall on the wrong side", 26, "-3",
         "25: wall 1 (node 2) is in the left subtree of node 1 but not on the left of wall 0"},
        {"value beyond the map", 0, "5", "47: a value beyond the 46 of the map"},
        {"short file", 1, "4", "0: the file ends before its 60 values"},
    };
    for (const Case& c : cases) {
        auto values = three_walls();
        if (c.line == 0) {
            values.push_back(c.value);
        } else {
            values[static_cast<std::size_t>(c.line - 1)] = c.value;
        }
        const auto problems = bspbuild::check_map(join(values));
        ASSERT_FALSE(problems.empty()) << c.name;
        bool found = false;
        for (const std::string& p : problems) found = found || p.find(c.problem) == 0;
        EXPECT_TRUE(found) << c.name << ": " << problems[0];
    }
}

// The command: its exit status tells a valid map from a broken one.
TEST(BspbuildCheck, ExitStatusOfTheCommand) {
    const std::string tool = std::string(CAST_BINARY_DIR) + "/tools/bspbuild/bspbuild";
    const std::string broken = ::testing::TempDir() + "bspbuild_broken.txt";
    auto values = three_walls();
    values[6] = "2";
    std::ofstream(broken) << join(values);
    EXPECT_EQ(std::system((tool + " --check " + castle_map + " > /dev/null").c_str()), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((tool + " --check " + broken + " > /dev/null").c_str())), 1);
    EXPECT_EQ(WEXITSTATUS(std::system((tool + " --check /nonexistent 2> /dev/null").c_str())), 2);
    std::remove(broken.c_str());
}

}  // namespace
