// blockcast: a maze of textured blocks built at random at every start.
//
// Controls: Up/Down walk, Left/Right turn, X/C step sideways, A/Z raise and
// lower the eye, Esc ends. There is no collision: only the border holds you.
#include "blockcast/blockcast.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "common/common.h"
#include "graphics/window.h"

namespace blockcast {

namespace {

using graphics::random_int;

void set_palette() {
    int n = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (int k = 0; k < 64; ++k) {
            const int level = 4 * k;
            graphics::set_palette_entry(n, pass == 0 || pass == 3 ? level : 0,
                                        pass == 1 || pass == 3 ? level : 0,
                                        pass == 2 || pass == 3 ? level : 0);
            ++n;
        }
    }
}

void build_textures(World& world) {
    auto& t = world.wall_textures;
    for (int u = 0; u < texture_size; ++u) {
        for (int v = 0; v < texture_size; ++v) {
            // The quotient is formed before the noise is drawn.
            t[1][u][v] = static_cast<std::uint8_t>((u + v) / 2);
            const int green = ((u ^ v) * 40) / 37;
            t[2][u][v] = static_cast<std::uint8_t>((green + random_int(8)) / 2 + 64);
            const int blue = ((u | v) * 40) / 37;
            t[3][u][v] = static_cast<std::uint8_t>((blue + random_int(8)) / 2 + 128);
            t[4][u][v] = static_cast<std::uint8_t>((u * u + v * v) / 128 + 192);
        }
    }
}

std::uint8_t random_block() {
    return static_cast<std::uint8_t>(random_int(4) + 1);
}

void build_map(World& world) {
    auto& map = world.block_map;
    for (auto& column : map) column.fill(0);
    for (int k = 0; k < map_size; ++k) {  // the border ring, four draws per k in this order
        map[k][0] = random_block();
        map[0][k] = random_block();
        map[k][63] = random_block();
        map[63][k] = random_block();
    }
    // 2049 placements, not 2048: intended.
    for (int k = 0; k <= 2048; ++k) {
        const int i = random_int(62) + 1;
        const int j = random_int(62) + 1;
        map[i][j] = random_block();
    }
}

void place_viewer(const World& world, Viewer& viewer) {
    int i = 0, j = 0;
    do {  // i and j lie in 0..61: never the last interior row or column
        i = random_int(62);
        j = random_int(62);
    } while (world.block_map[i][j] != 0);
    viewer.pos_x = i + 0.5;
    viewer.pos_y = j + 0.5;
    viewer.eye_offset = 0;
    viewer.view_angle = random_int(1000) * 2 * std::numbers::pi / 1000;
}

// The keys in their fixed order; a turn steers this frame's side steps.
void read_keys(Viewer& v) {
    if (common::key_held(graphics::vk::up)) {
        v.pos_x += 0.25 * std::cos(v.view_angle);
        v.pos_y += 0.25 * std::sin(v.view_angle);
    }
    if (common::key_held(graphics::vk::down)) {
        v.pos_x -= 0.25 * std::cos(v.view_angle);
        v.pos_y -= 0.25 * std::sin(v.view_angle);
    }
    if (common::key_held(graphics::vk::left)) v.view_angle -= 0.1;
    if (common::key_held(graphics::vk::right)) v.view_angle += 0.1;
    if (common::key_held('A')) v.eye_offset -= 0.02;
    if (common::key_held('Z')) v.eye_offset += 0.02;
    if (common::key_held('X')) {
        v.pos_x += 0.25 * std::sin(v.view_angle);
        v.pos_y -= 0.25 * std::cos(v.view_angle);
    }
    if (common::key_held('C')) {
        v.pos_x -= 0.25 * std::sin(v.view_angle);
        v.pos_y += 0.25 * std::cos(v.view_angle);
    }
}

// No collision with blocks: only these limits keep the viewer inside the
// border ring, each coordinate on its own, so the viewer slides along it.
void apply_limits(Viewer& v) {
    if (v.pos_x < 1.25) v.pos_x = 1.25;
    if (v.pos_y < 1.25) v.pos_y = 1.25;
    if (v.pos_x > 62.75) v.pos_x = 62.75;
    if (v.pos_y > 62.75) v.pos_y = 62.75;
    if (v.eye_offset < -0.5) v.eye_offset = -0.5;
    if (v.eye_offset > 0.5) v.eye_offset = 0.5;
}

}  // namespace

void start_up(State& state) {
    graphics::open_window(3, 4, "RAYCASTING PE BLOCURI");
    state.draw_page = 0;
    graphics::randomize();
    set_palette();
    build_textures(state.world);
    build_map(state.world);
    place_viewer(state.world, state.viewer);
    state.span = Span{};
}

bool frame(State& state) {
    render_view(state.world, state.viewer, state.span);
    graphics::pump_events();
    read_keys(state.viewer);
    apply_limits(state.viewer);
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

}  // namespace blockcast
