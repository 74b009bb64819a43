// voxelcave: walk, fall and jump through a cave of a domed hall and six
// tunnels, drawn in true colour and darkened with distance.
//
// Controls: Up/Down or the left/right mouse button walk forward and back,
// Left/Right and the pointer's distance from the middle of the window turn,
// Space jumps from the ground, holding A lets you jump at any time, Esc ends.
#include <cmath>
#include <cstdint>
#include <memory>

#include "common/common.h"
#include "graphics/window.h"
#include "voxelcave/voxelcave.h"

namespace voxelcave {

namespace {

using common::max_real;
using common::min_real;

constexpr double turn_speed = 0.08;      // radians per frame of Left or Right
constexpr double pointer_gain = 0.0008;  // radians per frame per pixel off the middle
constexpr double walk_speed = 40;
constexpr double push_down = 25;  // grounded: a steady push into the floor
constexpr double gravity = 20;
constexpr double jump_speed = -10;

void flip_and_clear(int& draw_page) {
    common::flip_pages(draw_page);
    graphics::clear_page();
}

// The mouse as read at the start of the frame: unsigned 16-bit values.
struct Pointer {
    std::uint16_t x = 0, buttons = 0;
};

Pointer read_pointer() {
    return {static_cast<std::uint16_t>(graphics::mouse_x()),
            static_cast<std::uint16_t>(graphics::mouse_buttons())};
}

// The pointer's distance from the middle of the window (399.5) turns the
// view every frame. The pointer reads 0 until the mouse first moves in the
// window, so until then the view turns left by 0.3196 rad every frame:
// intended.
double pointer_turn(std::uint16_t pointer_x) {
    return (pointer_x - graphics::max_x() / 2.0) * pointer_gain;
}

// Only a button held alone walks: with Shift, Ctrl or another button the
// value is neither 1 nor 2 and the keys decide. Intended.
int button_walk(std::uint16_t buttons, int walk) {
    if (buttons == 1) return 1;
    if (buttons == 2) return -1;
    return walk;
}

// Turns by the pointer and the keys and returns walk: -1, 0 or +1.
int read_controls(Viewer& v) {
    int walk = 0;
    const Pointer pointer = read_pointer();
    v.view_angle += pointer_turn(pointer.x);
    if (common::key_held(graphics::vk::up)) walk = 1;
    if (common::key_held(graphics::vk::down)) walk = -1;  // wins over Up
    if (common::key_held('A')) v.grounded = true;         // a jump at any time, even in the air
    if (common::key_held(graphics::vk::left)) v.view_angle -= turn_speed;
    if (common::key_held(graphics::vk::right)) v.view_angle += turn_speed;
    return button_walk(pointer.buttons, walk);
}

void set_vertical_speed(Viewer& v) {
    if (v.grounded) {
        v.vel_z = time_step * push_down;
        if (common::key_held(graphics::vk::space)) {  // polled only on the ground
            v.vel_z = jump_speed;
            v.grounded = false;
        }
    } else {
        v.vel_z = v.vel_z + time_step * gravity;
    }
}

// The first of three candidates with room is taken: the whole step, then its
// y part alone, then its x part alone, so a move into a wall at an angle
// slides along it. A move that fits none is refused whole.
void move_horizontally(const World& world, Viewer& v, int walk) {
    const double vel_x = std::cos(v.view_angle) * walk * walk_speed * time_step;
    const double vel_y = std::sin(v.view_angle) * walk * walk_speed * time_step;
    const double x = v.pos_x + time_step * vel_x, y = v.pos_y + time_step * vel_y;
    if (has_room(world, x, y, v.eye_level)) {
        v.pos_x = x;
        v.pos_y = y;
    } else if (has_room(world, v.pos_x, y, v.eye_level)) {
        v.pos_y = y;
    } else if (has_room(world, x, v.pos_y, v.eye_level)) {
        v.pos_x = x;
    }
}

// The eye stays at least 1 below the ceiling and 1 above the floor of its
// cell; where the cell is too low for both, the floor wins.
void move_vertically(const World& world, Viewer& v) {
    const int r = cell_of(v.pos_y), c = cell_of(v.pos_x);
    v.eye_level =
        min_real(max_real(v.eye_level + time_step * v.vel_z, ceiling_at(world, c, r).level + 1),
                 floor_at(world, c, r).level - 1);
}

// Moving down or resting, but not lower than before. At the top of a jump
// vel_z is 0 and the eye does not move, so the viewer counts as standing
// there and a held Space jumps again: intended.
bool stands_on_something(double vel_z, double eye_level, double old_level) {
    return vel_z >= 0 && eye_level <= old_level;
}

}  // namespace

bool has_room(const World& world, double x, double y, double eye) {
    // A footprint of +-0.25 sampled three times along y but only twice along
    // x: intended. Across a footprint half a cell wide the middle sample only
    // repeats a cell of the outer ones.
    constexpr double offsets_y[] = {-0.25, 0, 0.25};
    constexpr double offsets_x[] = {-0.25, 0.25};
    for (const double oy : offsets_y) {
        for (const double ox : offsets_x) {
            const int row = cell_of(oy + y), column = cell_of(ox + x);
            const double c = ceiling_at(world, column, row).level;
            const double f = floor_at(world, column, row).level;
            if ((f - 0.9) <= (c + 0.9)) return false;  // under 1.8 high
            if (eye - (f - 0.9) > 0.5) return false;   // floor less than 0.4 below the eye
            if ((c + 0.9) - eye > 0.5) return false;   // ceiling less than 0.4 above it
        }
    }
    return true;
}

void start_up(State& state) {
    graphics::open_window(9, 6, "RAY CASTING CU VOXELI");
    state.draw_page = 0;
    build_world(state.world);
    Viewer& v = state.viewer;
    v.view_angle = 0;
    v.vel_z = 0;
    v.grounded = false;
    v.eye_level = -0.5;
    v.pos_y = 32.5;
    v.pos_x = 32.5;
}

bool frame(State& state) {
    Viewer& v = state.viewer;
    flip_and_clear(state.draw_page);
    graphics::pump_events();
    const int walk = read_controls(v);
    set_vertical_speed(v);
    const double old_level = v.eye_level;
    move_horizontally(state.world, v, walk);
    move_vertically(state.world, v);
    v.grounded = stands_on_something(v.vel_z, v.eye_level, old_level);
    render_view(state.world, v);
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

}  // namespace voxelcave
