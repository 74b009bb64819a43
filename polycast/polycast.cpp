// polycast: the viewer stands at the centre of a regular polygon that turns
// slowly about it. The walls are cast every few pixel columns; over them lies
// the plan view: the 90-degree viewing wedge and the near line in white, every
// edge in magenta and the part of it beyond the near line in green.
//
// Controls (typed keys, one taken per frame):
//   a / q  one side fewer / more (3..30, wrapping round)
//   w / s  room radius up / down by 0.1
//   e / d  near distance up / down by 0.1
//   r / f  wall height up / down by 0.1
//   t / g  sample spacing up / down by one pixel (1..10)
//   Esc    ends, once the frame that read it is drawn
#include <memory>

#include "graphics/window.h"
#include "polycast/polycast.h"

namespace polycast {

namespace {

// The texture is drawn from a generator that is never seeded, so it is the
// same on every run: opening the window starts the sequence afresh.
void build_texture(Texture& texture) {
    for (auto& column : texture) column.fill(0);  // row and column 32 stay black
    for (int u = 0; u < 32; ++u) {
        for (int v = 0; v < 32; ++v) {
            // The quotient is formed before the noise is drawn.
            const int q = ((u ^ v) * 40) / 37;
            const int r = graphics::random_int(8);
            texture[u][v] = static_cast<std::uint8_t>((q + r) / 2 + 32);
        }
    }
}

Pens window_pens() {
    return {graphics::rgb_colour(255, 255, 255), graphics::rgb_colour(255, 0, 255),
            graphics::rgb_colour(0, 128, 0)};
}

void flip_and_clear(int& draw_page) {
    graphics::set_draw_page(draw_page);
    draw_page = 1 - draw_page;
    graphics::set_show_page(draw_page);
    graphics::clear_page();
}

// At most one typed key a frame; an extended key (0 first) is taken as its
// second code, so the arrows read as 'H', 'K', 'M', 'P' and do nothing.
int read_typed_key() {
    int key = 0;
    if (graphics::key_waiting()) {
        key = graphics::read_key();
        if (key == 0) key = graphics::read_key();
    }
    return key;
}

int fewer_sides(int side_count) {
    --side_count;
    return side_count < min_sides ? max_sides : side_count;
}

int more_sides(int side_count) {
    ++side_count;
    return side_count > max_sides ? min_sides : side_count;
}

}  // namespace

void apply_key(Room& room, int key) {
    switch (key) {
        case 'a':
            room.side_count = fewer_sides(room.side_count);
            break;
        case 'q':
            room.side_count = more_sides(room.side_count);
            break;
        case 'w':
            room.room_radius += 0.1;
            break;
        case 's':
            room.room_radius -= 0.1;
            break;
        case 'e':
            room.near_distance += 0.1;
            break;
        case 'd':
            room.near_distance -= 0.1;
            break;
        case 'r':
            room.wall_height += 0.1;
            break;
        case 'f':
            room.wall_height -= 0.1;
            break;
        case 't':
            if (room.pixel_step < max_pixel_step) ++room.pixel_step;
            break;
        case 'g':
            if (room.pixel_step > min_pixel_step) --room.pixel_step;
            break;
        default:
            break;  // every other key, upper case included, does nothing
    }
}

void start_up(State& state) {
    graphics::open_window(3, 6, "RAY CASTING");
    state.draw_page = 0;
    state.room = Room{};
    build_texture(state.world.wall_texture);
    state.world.pens = window_pens();
    state.room.room_angle = 0.0;
    state.key = 0;
    graphics::set_pen_style(0, 0, 3);
}

bool frame(State& state) {
    flip_and_clear(state.draw_page);
    graphics::pump_events();
    state.key = read_typed_key();
    apply_key(state.room, state.key);
    render_view(state.world, state.room);
    state.room.room_angle += 0.01;
    return state.key != escape_key;
}

int run() {
    auto state = std::make_unique<State>();
    start_up(*state);
    while (frame(*state)) {
    }
    graphics::close_window();
    return 0;
}

}  // namespace polycast
