// objectcast: a walled world of height cells with raised plates, a rimmed
// slab, ramps, bumps, travelling waves, water, a pyramid and thirteen moving
// objects, walked through with gravity, jumps and climbing.
//
// Controls: Up/Down walk, Left/Right turn, H/J step right/left, K fast step,
// Space jump, Q/A look up/down, C/X wider/narrower columns, L ray length,
// left/right mouse button walk forward/back, both buttons jump, Esc ends.
#include <memory>

#include "graphics/window.h"
#include "objectcast/objectcast.h"

namespace objectcast {

namespace {

constexpr const char* help_line = "TASTE: Sageti (deplasare), Space (salt)";

constexpr std::int32_t turn_step = 50, walk_step = 10, fast_step = 50, look_step = 5;
constexpr std::int32_t quarter_turn = 450;
constexpr std::int32_t wave_step = 125;
constexpr std::int32_t jump_speed = -250, jump_rise = 100, gravity = 25, standing_speed = 100;
constexpr std::int32_t followed_drop = 700;  // a smaller drop is followed at once
constexpr std::int32_t highest_climb = 1000;
// The eye cannot rise above this level, however long Space is held: it keeps
// every row and pixel computed from eye_level inside 32 bits.
constexpr std::int32_t highest_eye_level = -1'000'000'000;

bool held(int code) {
    return graphics::GetAsyncKeyState(code) < 0;
}

// Brings a heading that left 0..1795 back: below 0 it gains 1795, above 1795
// it loses 1795. Turning by 50 thus slips one unit per wrap: intended.
std::int32_t wrap_heading(std::int32_t heading) {
    if (heading < 0) heading += 1795;
    if (heading > 1795) heading -= 1795;
    return heading;
}

void step(const World& world, Viewer& v, std::int32_t size) {
    v.pos_x += size * world.cos_table[v.heading];
    v.pos_y += size * world.sin_table[v.heading];
}

// A side step turns a quarter, steps and turns back, each turn wrapped by
// 1795, so the heading comes back one unit off at the wrap (H at 0 leaves
// 1795, J at 1795 leaves 0): intended.
void side_step(const World& world, Viewer& v, std::int32_t turn) {
    v.heading = wrap_heading(v.heading + turn);
    step(world, v, walk_step);
    v.heading = wrap_heading(v.heading - turn);
}

void jump(Viewer& v) {
    v.fall_speed = jump_speed;
    v.eye_level -= jump_rise;
    v.airborne = true;
}

// Keys 1..13 in their fixed order, each acting on every frame it is held.
void read_keys(const World& world, Viewer& v) {
    if (held(graphics::vk::right)) v.heading += turn_step;
    if (held(graphics::vk::left)) v.heading -= turn_step;
    v.heading = wrap_heading(v.heading);
    if (held(graphics::vk::down)) step(world, v, walk_step);
    if (held(graphics::vk::up)) step(world, v, -walk_step);
    if (held('C')) v.column_step += 1;
    if (held('X')) v.column_step -= 1;
    if (held('Q')) v.horizon += look_step;
    if (held('A')) v.horizon -= look_step;
    if (held('H')) side_step(world, v, -quarter_turn);
    if (held('J')) side_step(world, v, quarter_turn);
    if (held('L')) {
        v.ray_limit += 50;
        if (v.ray_limit > 250) v.ray_limit = 50;
    }
    if (held('K')) step(world, v, -fast_step);
    if (held(graphics::vk::space)) jump(v);
}

// The cell a position lies in, if it lies in the grid at all.
bool cell_in_grid(std::int32_t x, std::int32_t y) {
    const std::int32_t a = x / cell_units, b = y / cell_units;
    return 1 <= a && a <= grid_size && 1 <= b && b <= grid_size;
}

std::int32_t type_at(const World& world, std::int32_t x, std::int32_t y) {
    return world.type_map[x / cell_units][y / cell_units];
}

void return_to_previous(Viewer& v) {
    v.pos_x = v.prev_x;
    v.pos_y = v.prev_y;
}

// A move that ends outside the grid or in a wall is undone as a whole. Only
// the destination cell is tested, so a move longer than a cell can pass a wall.
void refuse_wall_move(const World& world, Viewer& v) {
    if (!cell_in_grid(v.pos_x, v.pos_y) || type_at(world, v.pos_x, v.pos_y) > 15) {
        return_to_previous(v);
    }
}

// The same test once the mouse has moved the viewer, which also refuses the
// undrawn blockers below -128.
void refuse_solid_move(const World& world, Viewer& v) {
    if (!cell_in_grid(v.pos_x, v.pos_y) || is_solid(type_at(world, v.pos_x, v.pos_y))) {
        return_to_previous(v);
    }
}

// Left button walks forward, right walks back (together they cancel), and
// both together, and nothing else, jump while standing.
void read_mouse(const World& world, Viewer& v) {
    const int buttons = graphics::mouse_buttons();
    if ((buttons & 1) != 0) step(world, v, -walk_step);
    if ((buttons & 2) != 0) step(world, v, walk_step);
    if (buttons == 3 && v.eye_level == v.ground_level) jump(v);
}

void apply_limits(Viewer& v) {
    if (v.column_step < 1) v.column_step = 1;
    if (v.column_step > 50) v.column_step = 50;
    v.heading = wrap_heading(v.heading);
}

void find_ground(const World& world, Viewer& v) {
    const std::int32_t a = v.pos_x / cell_units, b = v.pos_y / cell_units;
    v.ground_level = standing_level(v.ground_type, world.height_map[a][b], v.pos_x & fraction_mask,
                                    v.pos_y & fraction_mask, world.wave_phase);
}

// Falling, jumping, following a small drop, climbing a step of up to 1000
// levels and refusing a higher one.
void move_vertically(Viewer& v) {
    if (v.eye_level < v.ground_level) {
        if (!v.airborne && v.ground_level - v.eye_level < followed_drop) {
            v.eye_level = v.ground_level;
        } else {
            v.eye_level += v.fall_speed;
            v.fall_speed += gravity;
            if (v.eye_level > v.ground_level) {  // landing
                v.eye_level = v.ground_level;
                v.airborne = false;
            }
        }
    } else if (v.eye_level > v.ground_level) {
        if (v.eye_level - v.ground_level > highest_climb) {
            return_to_previous(v);  // too high a step: the eye stays
        } else {
            v.eye_level = v.ground_level;
        }
    } else {
        v.fall_speed = standing_speed;
        v.airborne = false;
    }
    if (v.eye_level < highest_eye_level) v.eye_level = highest_eye_level;
}

void limit_horizon(Viewer& v) {
    if (v.horizon > 300) v.horizon = 300;
    if (v.horizon < -100) v.horizon = -100;
}

void advance_waves(World& world) {
    world.wave_phase += wave_step;
    if (world.wave_phase > 8191) world.wave_phase -= 8192;
}

void flip_and_clear(int& draw_page) {
    graphics::set_draw_page(draw_page);
    draw_page = 1 - draw_page;
    graphics::set_show_page(draw_page);
    graphics::clear_page();
}

}  // namespace

void start_up(State& state) {
    graphics::open_window(3, 4, "RAYCASTING CU OBIECTE");
    state.draw_page = 0;
    build_world(state.world, state.viewer);
    graphics::set_text_style(3, 0, 3);
    graphics::set_text_align(1, 1);
}

bool frame(State& state) {
    World& world = state.world;
    Viewer& viewer = state.viewer;
    graphics::draw_text(graphics::max_x() / 2, graphics::max_y() - 20, help_line);
    advance_waves(world);
    render_view(world, viewer);
    viewer.prev_x = viewer.pos_x;
    viewer.prev_y = viewer.pos_y;
    graphics::pump_events();
    read_keys(world, viewer);
    refuse_wall_move(world, viewer);
    read_mouse(world, viewer);
    apply_limits(viewer);
    refuse_solid_move(world, viewer);
    viewer.ground_type = type_at(world, viewer.pos_x, viewer.pos_y);
    update_objects(world);
    find_ground(world, viewer);
    move_vertically(viewer);
    limit_horizon(viewer);
    flip_and_clear(state.draw_page);
    return !held(graphics::vk::escape);
}

int run() {
    auto state = std::make_unique<State>();
    start_up(*state);
    while (frame(*state)) {
    }
    graphics::close_window();
    return 0;
}

}  // namespace objectcast
