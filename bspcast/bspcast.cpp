// bspcast: a castle of free-standing walls read from "bigcastl.txt", drawn
// back to front in the order of the BSP tree stored in the file, with a plan
// view of the walls around the viewer on top. The picture is redrawn only
// when something changed.
//
// Controls: Up/Down walk (with inertia and head bob), Left/Right turn,
// Space jumps, H shows or hides the plan, L switches filled walls and
// outlines, C switches collision, Esc ends.
#include "bspcast/bspcast.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "common/common.h"
#include "graphics/window.h"

namespace bspcast {

namespace {

using common::sign_of;

constexpr double small = 0.0001;  // below this a push, a step or an input counts as none
constexpr double clock_tick = 0.1;

std::int16_t to_int16(int v) {
    return static_cast<std::int16_t>(v);
}

double radians(std::int16_t degrees) {
    return degrees * std::numbers::pi / 180;
}

// A held key pushes one way, and the next frame's push of the same sign is
// turned back by reverse_factor: the step then alternates between 0 and
// max_step against the input vector. Intended: it is how the viewer walks.
double next_push(const Viewer& v, double input, double push) {
    if (std::fabs(input) > small) {
        if (push != 0 && sign_of(input) == sign_of(push)) return -v.reverse_factor * push;
        return input * v.push_gain;
    }
    return v.damping * push;
}

double zero_if_small(double v) {
    return std::fabs(v) < small ? 0 : v;
}

// The eye swings between 6 and 26 while walking. bob_phase is a 16-bit field
// and wraps after about 4680 bobbing frames: intended.
void head_bob(State& s) {
    Viewer& v = s.viewer;
    if (s.redraw_state == walked && v.jump_height == 0) {
        v.eye_z = std::fabs(std::sin(v.bob_phase * std::numbers::pi / 180) * v.bob_amplitude) + 6;
        v.bob_phase = to_int16(v.bob_phase + 7);
    }
}

void jump(State& s) {
    Viewer& v = s.viewer;
    if (!v.jumping) return;
    v.jump_speed = v.jump_speed - (s.clock - v.jump_start_time) * v.gravity;
    v.jump_height = v.jump_height + v.jump_speed;
    v.eye_z = v.eye_z + v.jump_speed;
    s.redraw_state = redraw;
    if (v.jump_height <= 0) {  // landed
        v.jump_height = 0;
        v.eye_z = 6;
        v.jumping = false;
    }
}

// Left adds with no wrap at 360; the 16-bit heading wraps by 65536 after
// about 8190 frames of turning left, a sudden 16-degree turn. Intended.
std::int16_t turn_left(const Viewer& v) {
    return to_int16(v.view_angle + v.turn_step);
}

std::int16_t turn_right(const Viewer& v) {
    std::int16_t a = to_int16(v.view_angle - v.turn_step);
    if (a < 0) a = to_int16(a + 360);
    return a;
}

}  // namespace

void collide(const Map& map, const Viewer& viewer, double& dx, double& dy) {
    if (!viewer.collision_on) return;
    const double keep = 2 * viewer.max_step;  // distance kept from a wall's line
    for (int pass = 0; pass < 15; ++pass) {
        const double odx = dx, ody = dy;
        for (int w = 0; w < map.wall_count; ++w) {
            const Wall& wall = map.walls[static_cast<std::size_t>(w)];
            double a = wall.y1 - wall.y2, b = wall.x2 - wall.x1;
            const double length = std::sqrt(a * a + b * b);
            if (length == 0) continue;  // a point has no normal
            a = a / length;
            b = b / length;
            const double d = (viewer.pos_x + dx - wall.x1) * a + (viewer.pos_y + dy - wall.y1) * b;
            if (std::fabs(d) >= keep) continue;
            const double fx = viewer.pos_x + dx - a * d, fy = viewer.pos_y + dy - b * d;
            const double t = std::fabs(a) <= small ? (fx - wall.x1) / (wall.x2 - wall.x1)
                                                   : (fy - wall.y1) / (wall.y2 - wall.y1);
            if (!(wall.t_start < t && t < wall.t_end)) continue;
            const double htop = wall.top1 + t * (wall.top2 - wall.top1);
            const double hbot = wall.bottom1 + t * (wall.bottom2 - wall.bottom1);
            if (!(viewer.eye_z < htop + 40 && viewer.eye_z > hbot - 40)) continue;  // over or under
            // Slide: drop the part of the step along the normal.
            const double k = (a * dx + b * dy) / (a * a + b * b);
            dx = dx - k * a;
            dy = dy - k * b;
            // Push out to the kept distance from the line.
            if (fx < viewer.pos_x + dx) {
                dx = fx + keep * std::fabs(a) - viewer.pos_x;
            } else {
                dx = fx - keep * std::fabs(a) - viewer.pos_x;
            }
            if (fy < viewer.pos_y + dy) {
                dy = fy + keep * std::fabs(b) - viewer.pos_y;
            } else {
                dy = fy - keep * std::fabs(b) - viewer.pos_y;
            }
            break;
        }
        if (std::fabs(dx - odx) <= small && std::fabs(dy - ody) <= small) return;
    }
}

void move_viewer(const Map& map, Viewer& v, double ix, double iy) {
    double px = next_push(v, ix, v.push_x), py = next_push(v, iy, v.push_y);
    double sx = (px + v.vel_x) * v.damping, sy = (py + v.vel_y) * v.damping;
    if (std::sqrt(sx * sx + sy * sy) > v.max_step) {
        const double k = v.max_step / std::sqrt(sx * sx + sy * sy);
        sx = sx * k;
        sy = sy * k;
        px = px * k;
        py = py * k;
    }
    collide(map, v, sx, sy);
    v.pos_x = v.pos_x + sx;
    v.pos_y = v.pos_y + sy;
    v.push_x = zero_if_small(px);
    v.push_y = zero_if_small(py);
    v.vel_x = zero_if_small(sx);
    v.vel_y = zero_if_small(sy);
}

std::int16_t read_input(const Map& map, Viewer& v, double clock, bool& quit) {
    std::int16_t state = nothing_changed;
    v.bob_amplitude = 0;
    if (common::key_held(graphics::vk::down)) {
        const double theta = radians(v.view_angle);
        move_viewer(map, v, -std::sin(theta), -std::cos(theta));
        v.bob_amplitude = 20;
        state = walked;
    }
    if (common::key_held(graphics::vk::up)) {
        const double theta = radians(v.view_angle);
        move_viewer(map, v, std::sin(theta), std::cos(theta));
        v.bob_amplitude = 20;
        state = walked;
    }
    if (common::key_held(graphics::vk::left)) {
        v.view_angle = turn_left(v);
        state = redraw;
    }
    if (common::key_held(graphics::vk::right)) {
        v.view_angle = turn_right(v);
        state = redraw;
    }
    if (common::key_held(graphics::vk::space) && !v.jumping) {
        v.gravity = 0.001;
        v.jumping = true;
        v.jump_speed = 10.0;
        v.jump_start_time = clock - 0.01;
        state = redraw;
    }
    if (common::key_held(graphics::vk::escape)) quit = true;
    if (common::key_held('H')) {
        v.show_map = !v.show_map;
        state = redraw;
    }
    if (common::key_held('L')) {
        v.outline_mode = to_int16((v.outline_mode + 1) % 2);
        state = redraw;
    }
    if (common::key_held('C')) {
        v.collision_on = !v.collision_on;
        state = redraw;
    }
    if ((v.vel_x != 0 || v.vel_y != 0) && state != walked) state = coasting;
    return state;
}

void start_up(State& s) {
    s.clock = 0;
    s.quit = false;
    s.viewer = Viewer{};
    load_map(s.map);
    s.viewer.pos_x = s.map.pos_x;
    s.viewer.pos_y = s.map.pos_y;
    s.viewer.view_angle = s.map.view_angle;
    graphics::open_window(3, 4, "RAYCASTING PRIN BSP");
    s.draw_page = 0;
    s.redraw_state = redraw;
    s.tables = ViewTables{};
}

bool frame(State& s) {
    head_bob(s);
    jump(s);
    if (s.redraw_state != nothing_changed) {
        render_view(s.map, s.viewer, s.tables);
        common::flip_pages(s.draw_page);
    }
    graphics::pump_events();
    s.redraw_state = read_input(s.map, s.viewer, s.clock, s.quit);
    if (s.redraw_state == coasting) {
        move_viewer(s.map, s.viewer, 0, 0);
        s.redraw_state = redraw;
    }
    s.clock = s.clock + clock_tick;
    return !s.quit;
}

int run() {
    auto state = std::make_unique<State>();
    start_up(*state);
    while (frame(*state)) {
    }
    graphics::close_window();
    return 0;
}

}  // namespace bspcast
