// voxelgrid: a flat floor with two domes, seen from a fixed eye level while
// floating over them; the grid repeats in both directions.
//
// Controls: Up/Down move forward and back, Left/Right turn, Esc ends. The
// position wraps to the opposite edge of the 64 x 64 grid.
#include "voxelgrid/voxelgrid.h"

#include <cmath>
#include <memory>

#include "common/common.h"
#include "graphics/window.h"

namespace voxelgrid {

namespace {

constexpr double move_step = 4;     // map units per frame
constexpr double turn_step = 0.05;  // radians per frame

bool is_dome_cell(int x, int y, int v) {
    return v > 0 && ((x ^ y) & 32) != 0;
}

// Two domes of radius 15 with their tops (level 49) on cells (16, 48) and
// (48, 16); the other two quarters are floor.
void build_maps(World& world) {
    for (int x = 0; x < map_size; ++x) {
        for (int y = 0; y < map_size; ++y) {
            const int a = (x & 31) - 16;
            const int b = (y & 31) - 16;
            const int v = 225 - a * a - b * b;
            if (is_dome_cell(x, y, v)) {
                world.height_map[x][y] = static_cast<std::uint8_t>(std::trunc(64 - std::sqrt(v)));
                // Truncated, not rounded: (15, 48) has colour 31.
                world.colour_map[x][y] = static_cast<std::uint8_t>(std::trunc((x + y) / 2.0));
            } else {
                world.height_map[x][y] = 64;
                const double wave = 3 * (std::cos(0.2 * x) + std::sin(0.3 * y));
                world.colour_map[x][y] = static_cast<std::uint8_t>(std::trunc(wave) + 88);
            }
        }
    }
}

// The keys in their fixed order, each with the heading of that moment.
void read_keys(Viewer& v) {
    if (common::key_held(graphics::vk::up)) {
        v.pos_x += move_step * std::cos(v.view_angle);
        v.pos_y += move_step * std::sin(v.view_angle);
    }
    if (common::key_held(graphics::vk::down)) {
        v.pos_x -= move_step * std::cos(v.view_angle);
        v.pos_y -= move_step * std::sin(v.view_angle);
    }
    if (common::key_held(graphics::vk::right)) v.view_angle += turn_step;
    if (common::key_held(graphics::vk::left)) v.view_angle -= turn_step;
}

// Intended: past an edge the coordinate jumps to the opposite edge value
// (64 becomes 0, -0.1 becomes 63), not to the wrapped remainder.
void jump_to_opposite_edge(double& p) {
    if (p > 63) {
        p = 0;
    } else if (p < 0) {
        p = 63;
    }
}

void wrap_position(Viewer& v) {
    jump_to_opposite_edge(v.pos_x);
    jump_to_opposite_edge(v.pos_y);
}

}  // namespace

void start_up(State& state) {
    graphics::open_window(3, 4, "RAYCASTING CU VOXELI");
    state.draw_page = 0;
    build_maps(state.world);
    state.viewer = Viewer{};
}

bool frame(State& state) {
    render_view(state.world, state.viewer);
    graphics::pump_events();
    read_keys(state.viewer);
    wrap_position(state.viewer);
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

}  // namespace voxelgrid
