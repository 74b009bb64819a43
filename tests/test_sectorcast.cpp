// sectorcast: the move and its wall test, the heading wrap, and the column
// renderer, through the frame loop driven by scripts as castrun drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/window.h"
#include "harness.h"
#include "sectorcast/sectorcast.h"

namespace {

using sectorcast::Sector;
using sectorcast::State;
using sectorcast::Wall;
using sectorcast::World;

// Walls given as (x1, y1)-(x2, y2), as the map lists them.
Wall wall(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t next) {
    return Wall{x1, x2, y1, y2, next};
}

// The palette index a big pixel shows on a page. Pixel (2x + 1, 2y + 1) is
// covered by big pixel (x, y) alone; the others are shared with neighbours.
std::uint32_t big_pixel(int page, int x, int y) {
    const auto& canvas = graphics::canvas;
    return canvas.pages[page][static_cast<std::size_t>(2 * y + 1) * canvas.width + 2 * x + 1];
}
std::uint32_t shown(int x, int y) {
    return big_pixel(graphics::canvas.show_page, x, y);
}
std::uint32_t drawn(int x, int y) {
    return big_pixel(graphics::canvas.draw_page, x, y);
}

// Column x of the drawing page, bottom row first, with runs of one colour
// collapsed: {22, 52, 24, 75} reads floor, riser, wall, ceiling.
std::vector<std::uint32_t> colours_upward(int x) {
    std::vector<std::uint32_t> seen;
    for (int y = sectorcast::rows - 1; y >= 0; --y) {
        if (seen.empty() || seen.back() != drawn(x, y)) seen.push_back(drawn(x, y));
    }
    return seen;
}

class Sectorcast : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::manual();
        sectorcast::start_up(*state);
    }

    // Runs the frame loop for exactly the script's frames, its input taken
    // from the script as castrun does; false if Esc ended the loop.
    bool play(const std::string& text) {
        script = harness::script(text);
        graphics::memory::start_run(script, script.frames());
        for (long k = 0; k < script.frames(); ++k) {
            if (!sectorcast::frame(*state)) return false;
        }
        return true;
    }

    void place(std::int32_t sector, double x, double y, std::int32_t heading) {
        state->viewer.current_sector = sector;
        state->viewer.pos_x = x;
        state->viewer.pos_y = y;
        state->viewer.view_angle = heading;
        state->viewer.eye_floor = state->world.sectors[sector].floor_height;
    }

    // Turns toward the middle of the portal into `next` (to the nearest 15
    // units) and walks until the viewer has crossed it.
    void walk_into(std::int32_t next) {
        const sectorcast::Viewer& v = state->viewer;
        const Sector& here = state->world.sectors[v.current_sector];
        const Wall* portal = nullptr;
        for (int j = 0; j < here.wall_count; ++j) {
            if (here.walls[j].next_sector == next) portal = &here.walls[j];
        }
        ASSERT_NE(portal, nullptr) << "no portal from " << v.current_sector;
        const double mx = (portal->x1 + portal->x2) / 2.0, my = (portal->y1 + portal->y2) / 2.0;
        double turn =
            std::atan2(my - v.pos_y, mx - v.pos_x) / sectorcast::angle_unit - v.view_angle;
        while (turn > 640) turn -= 1280;
        while (turn <= -640) turn += 1280;
        const long steps = std::lround(turn / 15);
        if (steps > 0) {
            ASSERT_TRUE(play(std::to_string(steps) + " Right"));
        } else if (steps < 0) {
            ASSERT_TRUE(play(std::to_string(-steps) + " Left"));
        }
        for (int k = 0; k < 60 && v.current_sector != next; ++k) ASSERT_TRUE(play("1 Up"));
        ASSERT_EQ(v.current_sector, next);
    }

    void draw() { sectorcast::render_view(state->world, state->viewer); }

    std::unique_ptr<State> state = std::make_unique<State>();
    graphics::Script script;  // the backend reads it while frames run
};

// A world of one-off sectors for the fixtures; unused sectors stay empty.
World empty_world() {
    World world;
    world.ceiling_height = 2000;
    return world;
}

// ---- moves ---------------------------------------------------------------

// True when (x, y) lies inside the polygon the sector's walls close (by the
// parity of the walls a ray towards +x crosses). Sectors 21 and 22 are not
// quite convex, so a test of sides would not do.
bool inside(const Sector& sector, double x, double y) {
    bool in = false;
    for (int j = 0; j < sector.wall_count; ++j) {
        const Wall& w = sector.walls[j];
        if ((w.y1 > y) == (w.y2 > y)) continue;
        const double cross_x = w.x1 + (y - w.y1) * (w.x2 - w.x1) / (w.y2 - w.y1);
        if (x < cross_x) in = !in;
    }
    return in;
}

TEST_F(Sectorcast, SolidWallStopsTheViewer) {
    // The middle of the first stair, facing its solid wall 21 units away.
    place(2, 343.25, 178.0, 142);
    ASSERT_TRUE(play("40 Up"));
    const auto& v = state->viewer;
    EXPECT_EQ(v.current_sector, 2);
    EXPECT_GT(v.pos_x, 343.25 + 10);  // it did walk up to the wall
    EXPECT_EQ(v.pos_x, v.prev_x);     // and the last attempt was undone
    EXPECT_EQ(v.pos_y, v.prev_y);
    EXPECT_TRUE(inside(state->world.sectors[2], v.pos_x, v.pos_y));
}

TEST_F(Sectorcast, PortalChangesTheSectorAndTheEyeFollowsNextFrame) {
    // From the start position Up leads onto the first stair of the east side.
    int frames = 0;
    while (state->viewer.current_sector == 1 && frames < 100) {
        ASSERT_TRUE(play("1 Up"));
        ++frames;
    }
    ASSERT_EQ(state->viewer.current_sector, 2) << "after " << frames << " frames";
    EXPECT_EQ(state->viewer.eye_floor, 0);  // taken at the start of the crossing frame
    ASSERT_TRUE(play("1"));
    EXPECT_EQ(state->viewer.eye_floor, 400);
    EXPECT_TRUE(inside(state->world.sectors[2], state->viewer.pos_x, state->viewer.pos_y));
}

TEST_F(Sectorcast, EveryStaircaseClimbsAndDropsBackIntoTheRoom) {
    // Round each staircase from the room and back: every floor is taken one
    // frame after its portal, 400 up per stair and a drop of 2000 or 2400
    // from the ledge into the room.
    const std::vector<std::vector<std::int32_t>> staircases = {{2, 12, 13, 14, 15, 21, 1},
                                                               {3, 16, 17, 18, 22, 1},
                                                               {4, 6, 7, 8, 19, 1},
                                                               {5, 9, 10, 11, 20, 1}};
    for (const auto& staircase : staircases) {
        for (const std::int32_t next : staircase) {
            SCOPED_TRACE(next);
            const std::int32_t floor_before = state->viewer.eye_floor;
            ASSERT_NO_FATAL_FAILURE(walk_into(next));
            EXPECT_EQ(state->viewer.eye_floor, floor_before);
            ASSERT_TRUE(play("1"));
            EXPECT_EQ(state->viewer.eye_floor, state->world.sectors[next].floor_height);
            EXPECT_TRUE(
                inside(state->world.sectors[next], state->viewer.pos_x, state->viewer.pos_y));
        }
    }
}

TEST_F(Sectorcast, SolidWallThenPortalRestoresThePositionAndChangesTheSector) {
    // A one-sector fixture: a solid wall at y = 5 listed before a portal at
    // y = 6; a step of 3 from y = 4 northward crosses both.
    World& world = state->world;
    world = empty_world();
    world.sectors[1].wall_count = 2;
    world.sectors[1].walls[0] = wall(-50, 5, 50, 5, 0);
    world.sectors[1].walls[1] = wall(-50, 6, 50, 6, 2);
    world.sectors[2].wall_count = 1;
    world.sectors[2].walls[0] = wall(-50, 6, 50, 6, 1);
    world.sectors[2].floor_height = 400;
    place(1, 0.5, 4.0, 322);
    ASSERT_TRUE(play("1 Up"));
    EXPECT_EQ(state->viewer.pos_x, 0.5);
    EXPECT_EQ(state->viewer.pos_y, 4.0);
    EXPECT_EQ(state->viewer.current_sector, 2);

    // The other way round the portal ends the test before the solid wall.
    world.sectors[1].walls[0] = wall(-50, 5, 50, 5, 2);
    world.sectors[1].walls[1] = wall(-50, 6, 50, 6, 0);
    place(1, 0.5, 4.0, 322);
    ASSERT_TRUE(play("1 Up"));
    EXPECT_NE(state->viewer.pos_y, 4.0);
    EXPECT_EQ(state->viewer.current_sector, 2);
}

TEST_F(Sectorcast, TheMovePutsEndpointsInAscendingXInTheTable) {
    World& world = state->world;
    world.sectors[1].walls[2] = wall(350, 250, 349, 203, 21);  // stored east to west
    ASSERT_TRUE(play("1 Up"));
    const Wall& w = world.sectors[1].walls[2];
    EXPECT_EQ(w.x1, 349);
    EXPECT_EQ(w.y1, 203);
    EXPECT_EQ(w.x2, 350);
    EXPECT_EQ(w.y2, 250);
}

TEST_F(Sectorcast, KeysPolledInOrderTheLaterOfAPairWins) {
    struct Case {
        const char* keys;
        int step;  // -3 forward, 3 back, 0 none
        std::int32_t heading;
    };
    const Case cases[] = {
        {"1 Up", -3, 1092},   {"1 Down", 3, 1092}, {"1 Up Down", 3, 1092},
        {"1 Right", 0, 1107}, {"1 Left", 0, 1077}, {"1 Left Right", 0, 1077},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        state->viewer = sectorcast::Viewer{};
        place(1, 278.1687, 234.324, 1092);
        ASSERT_TRUE(play(c.keys));
        const double a = 1092 * sectorcast::angle_unit;
        EXPECT_EQ(state->viewer.pos_x, 278.1687 - std::cos(a) * c.step);
        EXPECT_EQ(state->viewer.pos_y, 234.324 - std::sin(a) * c.step);
        EXPECT_EQ(state->viewer.view_angle, c.heading);
    }
}

TEST_F(Sectorcast, HeadingWrapsInto0To1280) {
    struct Case {
        std::int32_t from;
        const char* keys;
        std::int32_t to;
    };
    const Case cases[] = {
        {1277, "1 Right", 12}, {2, "1 Left", 1267}, {1265, "1 Right", 1280},
        {1280, "1 Right", 15}, {15, "1 Left", 0},   {0, "1 Left", 1265},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " " + c.keys);
        state->viewer.view_angle = c.from;
        ASSERT_TRUE(play(c.keys));
        EXPECT_EQ(state->viewer.view_angle, c.to);
    }
}

TEST_F(Sectorcast, EscEndsTheLoopAfterTheMove) {
    EXPECT_FALSE(play("1 Up Esc"));
    EXPECT_NE(state->viewer.pos_x, 278.1687);
    EXPECT_TRUE(harness::run_program(sectorcast::run, "3 Left\n1 Esc"));
    EXPECT_TRUE(graphics::memory::window_closed());
    EXPECT_EQ(graphics::memory::pump_count(), 4);
}

// ---- the view ------------------------------------------------------------

TEST_F(Sectorcast, StartViewShowsTheRoomFloorAndRisersUnderGreyWalls) {
    ASSERT_FALSE(harness::run_program(sectorcast::run, "", 1));
    int with_riser = 0;
    for (int x = 0; x < sectorcast::columns; ++x) {
        ASSERT_EQ(shown(x, 199), 22u) << "column " << x;
        ASSERT_EQ(shown(x, 0), 75u) << "column " << x;
        // Just above the room's floor: a riser of a first stair (sectors 2..5
        // at 400, colours 36, 52, 68, 84) or a grey wall.
        int y = 199;
        while (y > 0 && shown(x, y) == 22) --y;
        const std::uint32_t above = shown(x, y);
        if (above == 36 || above == 52 || above == 68 || above == 84) {
            ++with_riser;
            while (y > 0 && shown(x, y) == above) --y;
            EXPECT_NE(shown(x, y), 75u) << "riser straight under the ceiling in column " << x;
        }
    }
    EXPECT_GT(with_riser, 100);
}

TEST_F(Sectorcast, ALowerNeighbourShowsNoRiser) {
    // On the first stair (400) looking back into the room (0): the stair's
    // floor, then the room's floor farther up, and no riser of the room (20).
    place(2, 343.25, 178.0, 452);
    draw();
    const std::vector<std::uint32_t> column = colours_upward(159);
    ASSERT_GE(column.size(), 2u);
    EXPECT_EQ(column[0], 38u);
    EXPECT_EQ(column[1], 22u);
    for (int x = 0; x < sectorcast::columns; ++x) {
        for (int y = 0; y < sectorcast::rows; ++y) ASSERT_NE(drawn(x, y), 20u);
    }
}

TEST_F(Sectorcast, FloorColoursWrapToTheLow8Bits) {
    struct Case {
        std::int32_t sector;
        double x, y;
        std::int32_t heading;
        std::uint32_t floor;
    };
    const Case cases[] = {
        {1, 278.1687, 234.324, 1092, 22},
        {16, 249.66666, 160.33333, 1052, 6},   // 16 * 16 + 6 = 262
        {17, 258.33333, 141.66666, 1242, 22},  // like sector 1
        {22, 301.4, 147.6, 312, 102},          // 16 * 22 + 6 = 358
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sector);
        place(c.sector, c.x, c.y, c.heading);
        draw();
        EXPECT_EQ(drawn(159, 199), c.floor);
    }
}

TEST_F(Sectorcast, ASectorWithNoQualifyingWallEndsInAWallAt2000) {
    // Every wall of the sector lies behind the viewer: the far side stands as
    // a solid grey wall at distance 2000. Its floor lies trunc(1023 / 2000) = 0
    // rows below the horizon, its ceiling trunc(3023 / 2000) = 1 above.
    World& world = state->world;
    world = empty_world();
    world.sectors[1].wall_count = 3;
    world.sectors[1].walls[0] = wall(0, 0, 10, 5, 0);
    world.sectors[1].walls[1] = wall(1, 10, 10, 5, 0);
    world.sectors[1].walls[2] = wall(0, 0, 1, 10, 0);
    place(1, 100.5, 4.5, 2);
    draw();
    for (int x = 0; x < sectorcast::columns; ++x) {
        SCOPED_TRACE(x);
        for (int y = 0; y <= 98; ++y) ASSERT_EQ(drawn(x, y), 75u);
        ASSERT_EQ(drawn(x, 99), 23u);
        for (int y = 100; y <= 199; ++y) ASSERT_EQ(drawn(x, y), 22u);
    }
}

TEST_F(Sectorcast, AWallAtAlmostNoDistanceFillsTheColumn) {
    // The viewer a hair's breadth from a wall (slope 0: grey 23). Down to
    // about 1.6e-6 the rows still fit 32 bits and the ceiling ends above the
    // view; closer, they do not, and the column is painted as wall all the same.
    World& world = state->world;
    world = empty_world();
    world.sectors[1].wall_count = 1;
    world.sectors[1].walls[0] = wall(-1000, 0, 1000, 0, 0);
    // 1e-310 is below the smallest normal double: 1023 / it is infinite.
    for (const double gap : {1e-5, 1e-6, 1e-9, 1e-200, 1e-310}) {
        SCOPED_TRACE(gap);
        place(1, 0, -gap, 322);
        graphics::clear_page();
        draw();
        for (int x = 0; x < sectorcast::columns; ++x) {
            for (int y = 0; y < sectorcast::rows; ++y) ASSERT_EQ(drawn(x, y), 23u) << x << "," << y;
        }
    }
}

TEST_F(Sectorcast, OfTwoWallsAtTheSameDistanceTheEarlierIsTaken) {
    // The same line stored twice, once solid and once as a portal to a room
    // beyond: whichever comes first in the wall order decides the picture.
    World& world = state->world;
    const auto view_with = [&](std::vector<Wall> walls) {
        world = empty_world();
        world.sectors[1].wall_count = static_cast<std::int32_t>(walls.size());
        for (std::size_t j = 0; j < walls.size(); ++j) world.sectors[1].walls[j] = walls[j];
        world.sectors[2].wall_count = 2;
        world.sectors[2].walls[0] = wall(-500, 10, 500, 10, 1);
        world.sectors[2].walls[1] = wall(-500, 40, 500, 41, 0);
        world.sectors[2].floor_height = 400;
        place(1, 0.5, 0, 322);
        graphics::clear_page();
        draw();
        return graphics::canvas.pages[graphics::canvas.draw_page];
    };
    const Wall solid = wall(-500, 10, 500, 10, 0), portal = wall(-500, 10, 500, 10, 2);
    const auto solid_only = view_with({solid});
    const auto portal_only = view_with({portal});
    ASSERT_NE(solid_only, portal_only);
    EXPECT_EQ(view_with({solid, portal}), solid_only);
    EXPECT_EQ(view_with({portal, solid}), portal_only);
}

TEST_F(Sectorcast, ThePortalWalkEndsAfter22Crossings) {
    // Four sectors whose walls interleave: y = 1 (1), 2 (2), 3 (3), 4 (4),
    // 5 (1), ... 32 (4), each a portal to the next sector round. A ray going
    // north would cross 32 portals; after 22 the 23rd (y = 23) stands as a
    // solid wall, so the picture is that of a world where it is one.
    World& world = state->world;
    world = empty_world();
    for (int s = 1; s <= 4; ++s) {
        world.sectors[s].wall_count = 8;
        for (int i = 0; i < 8; ++i) {
            const std::int32_t y = s + 4 * i;
            world.sectors[s].walls[i] = wall(-500, y, 500, y, s % 4 + 1);
        }
    }
    place(1, 0.5, 0.0, 322);
    draw();
    std::vector<std::uint32_t> walked(graphics::canvas.pages[graphics::canvas.draw_page]);

    world.sectors[3].walls[5].next_sector = 0;  // y = 23
    draw();
    EXPECT_EQ(graphics::canvas.pages[graphics::canvas.draw_page], walked);
}

TEST_F(Sectorcast, DescendingEndpointsDrawTheSameView) {
    draw();
    const std::vector<std::uint32_t> ascending(graphics::canvas.pages[graphics::canvas.draw_page]);
    for (Sector& sector : state->world.sectors) {
        for (Wall& w : sector.walls) w = wall(w.x2, w.y2, w.x1, w.y1, w.next_sector);
    }
    draw();
    EXPECT_EQ(graphics::canvas.pages[graphics::canvas.draw_page], ascending);
}

// ---- pieces --------------------------------------------------------------

TEST_F(Sectorcast, DrawSpanClampsRowsAndKeepsTheLow8Bits) {
    struct Case {
        std::int32_t top, bottom, colour;
        int first, last;  // rows painted; first > last: none
        std::uint32_t shows;
    };
    const Case cases[] = {
        {-40, 500, 22, 0, 199, 22},
        {5, 9, 358, 5, 9, 102},
        {190, 20100, 262, 190, 199, 6},
        {10, 9, 23, 1, 0, 0},
        {-2147483647 - 1, 2147483647, 0x1234, 0, 199, 0x34},
        {300, 20100, 23, 1, 0, 0},
        {-10, -1, 23, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.top) + ".." + std::to_string(c.bottom));
        graphics::clear_page();
        sectorcast::draw_span(7, c.top, c.bottom, c.colour);
        for (int y = 0; y < sectorcast::rows; ++y) {
            const bool painted = y >= c.first && y <= c.last;
            ASSERT_EQ(drawn(7, y), painted ? c.shows : 0u) << "row " << y;
            ASSERT_EQ(drawn(6, y), 0u);
            ASSERT_EQ(drawn(8, y), 0u);
        }
    }
}

TEST(SectorcastColumnAngle, WrapsAndStaysOffTheAxes) {
    struct Case {
        int x;
        std::int32_t heading, c;
    };
    const Case cases[] = {
        {159, 1092, 1092}, {0, 1092, 932},  {318, 1092, 1252}, {319, 1092, 1252}, {159, 0, 1},
        {159, 320, 321},   {159, 640, 641}, {159, 960, 961},   {159, 1280, 1279}, {0, 160, 1},
        {318, 1120, 1279}, {0, 100, 1220},  {319, 1200, 80},   {0, 1440, 1279},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sectorcast::column_angle(c.x, c.heading), c.c)
            << "column " << c.x << " heading " << c.heading;
    }
}

TEST(SectorcastCastrun, RunsHeadless) {
    const harness::CommandResult result = harness::castrun({"sectorcast", "--frames", "2"});
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
