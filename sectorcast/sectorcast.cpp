// sectorcast: a central room ringed by four staircases of small sectors,
// each sector a convex polygon with its own floor height, joined to its
// neighbours by portals under one flat ceiling.
//
// Controls: Up walks forward, Down walks back, Left and Right turn, Esc ends.
// Solid walls stop you; portals carry you onto the next floor, up or down any
// height.
#include "sectorcast/sectorcast.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "common/common.h"
#include "graphics/window.h"

namespace sectorcast {

namespace {

// Walls are listed as the endpoints (x1, y1)-(x2, y2), stored as x1, x2, y1, y2.
constexpr Wall w(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                 std::int32_t next_sector) {
    return Wall{x1, x2, y1, y2, next_sector};
}

// Floor height, wall count, walls in their stored order. The staircases are
// 1-2-12-13-14-15-21-1, 1-3-16-17-18-22-1, 1-4-6-7-8-19-1 and 1-5-9-10-11-20-1.
// clang-format off
constexpr std::array<Sector, sector_count> sector_table = {{
    /*  1 */ {   0, 8, {w(284, 174, 321, 174, 22), w(321, 174, 349, 203, 2),
                        w(349, 203, 350, 250, 21), w(319, 281, 350, 250, 5),
                        w(284, 281, 319, 281, 20), w(258, 254, 284, 281, 4),
                        w(257, 200, 258, 254, 19), w(257, 200, 284, 174, 3)}},
    /*  2 */ { 400, 4, {w(321, 174, 349, 203, 1), w(349, 203, 370, 181, 0),
                        w(333, 154, 370, 181, 12), w(321, 174, 333, 154, 0)}},
    /*  3 */ { 400, 4, {w(257, 200, 284, 174, 1), w(239, 182, 257, 200, 0),
                        w(239, 182, 275, 153, 16), w(275, 153, 284, 174, 0)}},
    /*  4 */ { 400, 4, {w(258, 254, 284, 281, 1), w(268, 302, 284, 281, 0),
                        w(239, 271, 268, 302, 6), w(239, 271, 258, 254, 0)}},
    /*  5 */ { 400, 4, {w(319, 281, 350, 250, 1), w(319, 281, 343, 300, 0),
                        w(343, 300, 373, 265, 9), w(350, 250, 373, 265, 0)}},
    /*  6 */ { 800, 3, {w(239, 271, 268, 302, 4), w(228, 311, 268, 302, 0),
                        w(228, 311, 239, 271, 7)}},
    /*  7 */ {1200, 3, {w(228, 311, 239, 271, 6), w(206, 279, 228, 311, 0),
                        w(206, 279, 239, 271, 8)}},
    /*  8 */ {1600, 4, {w(202, 266, 206, 279, 0), w(202, 266, 234, 259, 19),
                        w(234, 259, 239, 271, 0), w(206, 279, 239, 271, 7)}},
    /*  9 */ { 800, 3, {w(343, 300, 373, 265, 5), w(373, 265, 386, 308, 0),
                        w(343, 300, 386, 308, 10)}},
    /* 10 */ {1200, 3, {w(343, 300, 386, 308, 9), w(347, 336, 386, 308, 0),
                        w(343, 300, 347, 336, 11)}},
    /* 11 */ {1600, 4, {w(343, 300, 347, 336, 10), w(328, 342, 347, 336, 0),
                        w(324, 304, 328, 342, 20), w(324, 304, 343, 300, 0)}},
    /* 12 */ { 800, 3, {w(333, 154, 370, 181, 2), w(333, 154, 367, 136, 0),
                        w(367, 136, 370, 181, 13)}},
    /* 13 */ {1200, 3, {w(367, 136, 370, 181, 12), w(367, 136, 400, 161, 0),
                        w(370, 181, 400, 161, 14)}},
    /* 14 */ {1600, 3, {w(370, 181, 400, 161, 13), w(400, 161, 404, 197, 0),
                        w(370, 181, 404, 197, 15)}},
    /* 15 */ {2000, 3, {w(369, 204, 370, 181, 0), w(369, 204, 404, 197, 21),
                        w(370, 181, 404, 197, 14)}},
    /* 16 */ { 800, 3, {w(239, 182, 275, 153, 3), w(235, 146, 239, 182, 0),
                        w(235, 146, 275, 153, 17)}},
    /* 17 */ {1200, 3, {w(235, 146, 275, 153, 16), w(235, 146, 265, 126, 0),
                        w(265, 126, 275, 153, 18)}},
    /* 18 */ {1600, 4, {w(265, 126, 275, 153, 17), w(265, 126, 282, 121, 0),
                        w(282, 121, 290, 150, 22), w(275, 153, 290, 150, 0)}},
    /* 19 */ {2000, 5, {w(234, 259, 258, 254, 0), w(257, 200, 258, 254, 1),
                        w(203, 206, 257, 200, 0), w(202, 266, 203, 206, 0),
                        w(202, 266, 234, 259, 8)}},
    /* 20 */ {2000, 5, {w(319, 281, 324, 304, 0), w(284, 281, 319, 281, 1),
                        w(283, 343, 284, 281, 0), w(283, 343, 328, 342, 0),
                        w(324, 304, 328, 342, 11)}},
    /* 21 */ {2400, 5, {w(349, 203, 369, 204, 0), w(349, 203, 350, 250, 1),
                        w(350, 250, 401, 249, 0), w(401, 249, 404, 197, 0),
                        w(369, 204, 404, 197, 15)}},
    /* 22 */ {2000, 5, {w(282, 121, 290, 150, 18), w(284, 174, 290, 150, 0),
                        w(284, 174, 321, 174, 1), w(321, 174, 330, 119, 0),
                        w(282, 121, 330, 119, 0)}},
}};
// clang-format on

// Every sector uses 3..8 slots, every portal leads to a sector of the table,
// and its far side stores the same wall leading back: a ray entering a sector
// meets the entry portal again at exactly the entry distance.
constexpr bool table_is_consistent() {
    for (int n = 1; n <= sector_count; ++n) {
        const Sector& s = sector_table[n - 1];
        if (s.wall_count < 3 || s.wall_count > max_walls) return false;
        for (int j = 0; j < s.wall_count; ++j) {
            const Wall& wall = s.walls[j];
            if (wall.x1 == wall.x2) return false;  // a wall along y has no finite slope
            if (wall.next_sector < 0 || wall.next_sector > sector_count) return false;
            if (wall.next_sector == 0) continue;
            const Sector& other = sector_table[wall.next_sector - 1];
            int matches = 0;
            for (int i = 0; i < other.wall_count; ++i) {
                const Wall& back = other.walls[i];
                if (back.next_sector == n && back.x1 == wall.x1 && back.x2 == wall.x2 &&
                    back.y1 == wall.y1 && back.y2 == wall.y2)
                    ++matches;
            }
            if (matches != 1) return false;
        }
    }
    return true;
}
static_assert(table_is_consistent());

struct Keys {
    int step = 0;  // map units against the heading: -3 forward, 3 back
    int turn = 0;  // angle units
};

// Each key polled once, in this order: of a pair held together the later wins.
Keys read_keys() {
    Keys keys;
    if (common::key_held(graphics::vk::up)) keys.step = -3;
    if (common::key_held(graphics::vk::down)) keys.step = 3;
    if (common::key_held(graphics::vk::right)) keys.turn = 15;
    if (common::key_held(graphics::vk::left)) keys.turn = -15;
    return keys;
}

// Puts a wall's endpoints in ascending x order, in the table itself.
void put_in_ascending_x(Wall& wall) {
    if (wall.x1 > wall.x2) {
        std::swap(wall.x1, wall.x2);
        std::swap(wall.y1, wall.y2);
    }
}

}  // namespace

World initial_world() {
    World world;
    std::copy(sector_table.begin(), sector_table.end(), world.sectors.begin() + 1);
    world.ceiling_height = 2000;
    return world;
}

void start_up(State& state) {
    graphics::open_window(3, 4, "RAYCASTING PE SECTOR");
    state.draw_page = 0;
    state.world = initial_world();
    Viewer& v = state.viewer;
    v.current_sector = 1;
    v.view_angle = 1092;
    v.pos_x = 278.1687;
    v.pos_y = 234.324;
    v.prev_x = v.pos_x;
    v.prev_y = v.pos_y;
    v.eye_floor = 0;
}

bool frame(State& state) {
    Viewer& viewer = state.viewer;
    viewer.eye_floor = state.world.sectors[viewer.current_sector].floor_height;
    render_view(state.world, viewer);
    common::flip_pages(
        state.draw_page);  // before the keys: this frame is shown as the move is made
    graphics::pump_events();
    const Keys keys = read_keys();
    if (keys.step != 0) move(state.world, viewer, keys.step);
    if (keys.turn != 0) turn_heading(viewer, keys.turn);
    return !common::key_held(graphics::vk::escape);
}

int run() {
    auto state = std::make_unique<State>();
    start_up(*state);
    while (frame(*state)) {
    }
    graphics::close_window();
    return 0;
}

void move(World& world, Viewer& viewer, int step) {
    const double a = viewer.view_angle;
    const double dx = std::cos(a * angle_unit) * step;
    const double dy = std::sin(a * angle_unit) * step;
    viewer.prev_x = viewer.pos_x;
    viewer.prev_y = viewer.pos_y;
    // The line of motion through the old position, y = t x + b. The heading
    // is never on an axis (it stays congruent to 2, 7 or 12 modulo 15), so
    // dx is never 0.
    const double t = dy / dx;
    const double b = -t * viewer.pos_x + viewer.pos_y;
    Sector& sector = world.sectors[viewer.current_sector];
    viewer.pos_x = viewer.pos_x - dx;
    viewer.pos_y = viewer.pos_y - dy;
    const double min_x = std::min(viewer.prev_x, viewer.pos_x);
    const double max_x = std::max(viewer.prev_x, viewer.pos_x);
    const double min_y = std::min(viewer.prev_y, viewer.pos_y);
    const double max_y = std::max(viewer.prev_y, viewer.pos_y);
    // Only the walls of the sector the move began in; a solid wall puts the
    // viewer back and the test goes on with the same line and box, a portal
    // ends it.
    for (int j = 0; j < sector.wall_count; ++j) {
        Wall& wall = sector.walls[j];
        put_in_ascending_x(wall);
        const double m = (double(wall.y2) - wall.y1) / (double(wall.x2) - wall.x1);
        const double wb = -m * wall.x1 + wall.y1;
        const double ix = (b - wb) / (m - t);
        const double iy = ix * m + wb;
        const bool crosses = wall.x1 <= ix && ix <= wall.x2 && min_x <= ix && ix <= max_x &&
                             min_y <= iy && iy <= max_y;
        if (!crosses) continue;
        if (wall.next_sector != 0) {
            viewer.current_sector = wall.next_sector;
            break;
        }
        viewer.pos_x = viewer.prev_x;
        viewer.pos_y = viewer.prev_y;
    }
}

// Intended: the heading is kept in 0..1280 with 1280 itself allowed; only
// above 1280 or below 0 does it wrap.
void turn_heading(Viewer& viewer, int turn) {
    viewer.view_angle += turn;
    if (viewer.view_angle > turn_units) viewer.view_angle -= turn_units;
    if (viewer.view_angle < 0) viewer.view_angle += turn_units;
}

}  // namespace sectorcast
