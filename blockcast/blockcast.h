// blockcast: a random maze of textured blocks on a 64 x 64 grid, seen by
// casting one ray per big-pixel column ("RAYCASTING PE BLOCURI").
#pragma once

#include <array>
#include <cstdint>

namespace blockcast {

constexpr int map_size = 64;
constexpr int texture_size = 64;
constexpr int columns = 320, rows = 240;  // big pixels
constexpr std::uint8_t ceiling_colour = 191, floor_colour = 232;

// wall_textures[t][u][v]: texture t (1..4; 0 unused), column u, row v.
using Texture = std::array<std::array<std::uint8_t, texture_size>, texture_size>;

struct World {
    std::array<Texture, 5> wall_textures{};
    // block_map[i][j]: the unit cell i <= x < i + 1, j <= y < j + 1; 0 empty,
    // 1..4 a solid block showing that texture.
    std::array<std::array<std::uint8_t, map_size>, map_size> block_map{};
};

struct Viewer {
    double pos_x = 0, pos_y = 0;  // map units
    double view_angle = 0;        // radians; never reduced
    double eye_offset = 0;        // -0.5 (eye at block tops) .. 0.5 (on the floor)
};

// The wall span kept from column to column (and frame to frame) for the
// columns whose hit lies at distance 0 or behind.
struct Span {
    std::int32_t top = 0, bottom = 0;  // big-pixel rows
    double tex_step = 0;               // texels per row
};

struct State {
    World world;
    Viewer viewer;
    Span span;
    int draw_page = 0;
};

// What a ray meets: the solid cell it entered, where, and the texture column.
struct Hit {
    int mx = 0, my = 0;     // the solid cell
    double hx = 0, hy = 0;  // the point where the ray entered it
    int u = 0;              // texture column 0..63
};

// Walks the grid from the viewer's cell along (rx, ry) until the ray enters a
// solid cell; the viewer's own cell is never tested.
Hit cast_ray(const World& world, const Viewer& viewer, double rx, double ry);

// Opens the window, sets the palette, builds textures and map, places the viewer.
void start_up(State& state);
// One pass of the frame loop: draw, keys, limits, flip; false once Esc ended it.
bool frame(State& state);
// Paints all 320 x 240 big pixels of the drawing page.
void render_view(const World& world, const Viewer& viewer, Span& span);
// The whole program.
int run();

}  // namespace blockcast
