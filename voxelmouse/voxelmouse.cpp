// voxelmouse: the floor with two domes, steered by the mouse alone.
//
// Controls: the pointer's distance left or right of the middle turns the view;
// above the middle row it moves the viewer forward, below it back, and the
// horizon follows it. With a button (or Shift or Ctrl) held the same offset
// raises or lowers the eye instead. Any typed key ends the program.
#include "voxelmouse/voxelmouse.h"

#include <cmath>
#include <memory>

#include "common/common.h"
#include "graphics/window.h"

namespace voxelmouse {

namespace {

using common::max_real;
using common::min_real;

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
                world.height_map[x][y] = static_cast<std::int32_t>(std::trunc(64 - std::sqrt(v)));
                // Rounded half to even: (15, 48) has colour 32.
                world.colour_map[x][y] = static_cast<std::int32_t>(std::nearbyint((x + y) / 2.0));
            } else {
                world.height_map[x][y] = 64;
                const double wave = 3 * (std::cos(0.2 * x) + std::sin(0.3 * y));
                world.colour_map[x][y] = static_cast<std::int32_t>(std::trunc(wave)) + 88;
            }
        }
    }
}

// Above the middle row the pointer moves the viewer forward, below it back;
// with any button, Shift or Ctrl at the last mouse event it moves the eye
// instead, held in -48..48. c and s are of the heading the view was drawn with.
void move_or_shift_eye(Viewer& v, const FrameValues& f) {
    const double drive = (f.pointer_y - f.max_y / 2.0) * mouse_gain;
    if (f.pointer_buttons != 0) {
        v.eye_level = min_real(max_real(v.eye_level + drive, -eye_limit), eye_limit);
    } else {
        v.pos_x = v.pos_x - drive * std::cos(v.view_angle);
        v.pos_y = v.pos_y - drive * std::sin(v.view_angle);
    }
}

// 0.2 radians per frame at the window edges; no pointer column stands still.
void turn(Viewer& v, const FrameValues& f) {
    v.view_angle = v.view_angle + ((f.pointer_x - f.max_x / 2.0) / f.max_x) * mouse_gain * 4;
}

}  // namespace

FrameValues read_pointer() {
    FrameValues f;
    f.pointer_x = static_cast<std::uint16_t>(graphics::mouse_x());
    f.pointer_y = static_cast<std::uint16_t>(graphics::mouse_y());
    f.pointer_buttons = static_cast<std::uint16_t>(graphics::mouse_buttons());
    f.max_x = graphics::max_x();
    f.max_y = graphics::max_y();
    f.horizon_offset = f.pointer_y - f.max_y / 2.0;
    f.pixel_slope = 2.0 / f.max_x;
    f.far_limit = 256 * f.pixel_slope;
    f.start_slope = (f.max_y / 2.0 - f.horizon_offset) * f.pixel_slope;
    return f;
}

void start_up(State& state) {
    graphics::open_window(3, 6, "RAY CASTING CU VOXELI");
    state.draw_page = 0;
    build_maps(state.world);
    state.viewer = Viewer{};
}

bool frame(State& state) {
    common::flip_pages(state.draw_page);
    graphics::clear_page();
    graphics::pump_events();
    state.frame = read_pointer();
    render_view(state.world, state.viewer, state.frame);
    move_or_shift_eye(state.viewer, state.frame);
    turn(state.viewer, state.frame);
    return !graphics::key_waiting();
}

int run() {
    auto state = std::make_unique<State>();
    start_up(*state);
    while (frame(*state)) {
    }
    graphics::close_window();
    return 0;
}

}  // namespace voxelmouse
