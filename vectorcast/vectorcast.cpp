// vectorcast: a room of 25 free wall segments with two pillars, seen from a
// viewer who starts outside its opening. There is no collision: the viewer
// walks through walls and anywhere on the plane.
//
// Controls: Up/Down walk 16 units, Left/Right turn 32 of 2048 units, Esc ends.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "common/common.h"
#include "graphics/window.h"
#include "vectorcast/vectorcast.h"

namespace vectorcast {

namespace {

constexpr int turn_step = 32;     // angle units per frame
constexpr double walk_step = 16;  // map units per frame

void load_plan(World& world) {
    world.wall_segments = plan;
}

// The one change the program makes to its world: each segment's endpoints
// are put in ascending order of its major coordinate, in the table itself,
// before the first column of the first frame looks at them.
void order_endpoints(World& world) {
    for (Segment& s : world.wall_segments) s = in_major_order(s);
}

void place_viewer(Viewer& v) {
    v.pos_x = 700;
    v.pos_y = 200;
    v.view_angle = 1024;  // toward -x, at the room's opening
}

// The keys in their fixed order, each applied at once with the heading of
// that moment.
void read_keys(Viewer& v) {
    if (common::key_held(graphics::vk::up)) {
        v.pos_x += walk_step * std::cos(v.view_angle * unit_angle);
        v.pos_y += walk_step * std::sin(v.view_angle * unit_angle);
    }
    if (common::key_held(graphics::vk::down)) {
        v.pos_x -= walk_step * std::cos(v.view_angle * unit_angle);
        v.pos_y -= walk_step * std::sin(v.view_angle * unit_angle);
    }
    if (common::key_held(graphics::vk::left)) v.view_angle = wrap_angle(v.view_angle - turn_step);
    if (common::key_held(graphics::vk::right)) v.view_angle = wrap_angle(v.view_angle + turn_step);
}

}  // namespace

void build_textures(World& world) {
    auto& t = world.wall_textures;
    for (int i = 0; i < texture_size; ++i) {
        for (int j = 0; j < texture_size; ++j) {
            t[0][i][j] = static_cast<std::uint8_t>(i + j);
            t[1][i][j] = static_cast<std::uint8_t>(t[0][i][j] / 16 + 16);
            t[2][i][j] = static_cast<std::uint8_t>(std::trunc(std::sqrt(i * i + j * j) / 4 + 32));
            t[3][i][j] = static_cast<std::uint8_t>(
                std::trunc(std::cos(i / 5.0) * 18 + 140 + std::sin(j / 5.0) * 18));
        }
    }
}

bool major_axis_is_x(const Segment& s) {
    return std::abs(s.x1 - s.x2) >= std::abs(s.y1 - s.y2);
}

Segment in_major_order(Segment s) {
    const bool swap = major_axis_is_x(s) ? s.x1 > s.x2 : s.y1 > s.y2;
    if (swap) return {s.x2, s.y2, s.x1, s.y1, s.texture};
    return s;
}

int wrap_angle(int a) {
    return (a % full_turn + full_turn) % full_turn;
}

void start_up(State& state) {
    graphics::open_window(3, 4, "RAYCASTING CU VECTORI");
    state.draw_page = 0;
    build_textures(state.world);
    load_plan(state.world);
    order_endpoints(state.world);
    place_viewer(state.viewer);
}

bool frame(State& state) {
    render_view(state.world, state.viewer);
    graphics::pump_events();
    read_keys(state.viewer);
    common::flip_pages(state.draw_page);
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

}  // namespace vectorcast
