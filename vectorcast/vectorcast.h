// vectorcast: 25 free wall segments with four generated textures, seen by
// intersecting one ray per big-pixel column with every segment
// ("RAYCASTING CU VECTORI").
#pragma once

#include <array>
#include <cstdint>
#include <numbers>

namespace vectorcast {

constexpr int columns = 320, rows = 200;  // big pixels of the view
constexpr int texture_size = 64;
constexpr int texture_count = 4;
constexpr int segment_count = 25;
constexpr int full_turn = 2048;                       // angle units
constexpr double unit_angle = 0.0030679615757712823;  // radians per angle unit
static_assert(unit_angle == std::numbers::pi / 1024);
constexpr std::uint8_t ceiling_colour = 6, floor_colour = 8;

// wall_textures[t][v][u]: texture t (0..3), row v, column u; palette indices.
using Texture = std::array<std::array<std::uint8_t, texture_size>, texture_size>;

struct Segment {
    std::int32_t x1, y1, x2, y2;  // endpoints, map units
    std::int32_t texture;         // 0..3
};

// The plan as it starts: a room with a curved left side and an opening on its
// right between y = 140 and y = 260 (0..16), and two square pillars (17..24).
constexpr std::array<Segment, segment_count> plan = {{
    {285, 40, 360, 140, 0},  {360, 140, 410, 140, 0}, {410, 140, 470, 40, 0},
    {470, 40, 360, 40, 0},   {360, 40, 285, 40, 3},   {285, 40, 215, 70, 3},
    {215, 70, 170, 110, 3},  {170, 110, 140, 170, 3}, {140, 170, 140, 230, 3},
    {140, 230, 170, 290, 3}, {170, 290, 215, 330, 3}, {215, 330, 285, 360, 3},
    {285, 360, 360, 360, 3}, {360, 360, 470, 360, 2}, {470, 360, 410, 260, 2},
    {410, 260, 360, 260, 2}, {360, 260, 285, 360, 2}, {240, 240, 240, 260, 1},
    {240, 260, 260, 260, 1}, {260, 260, 260, 240, 1}, {260, 240, 240, 240, 1},
    {240, 140, 240, 160, 1}, {240, 160, 260, 160, 1}, {260, 160, 260, 140, 1},
    {260, 140, 240, 140, 1},
}};

struct World {
    std::array<Texture, texture_count> wall_textures{};
    // Each segment's endpoints in ascending order of its major coordinate
    // once start_up has run (see in_major_order).
    std::array<Segment, segment_count> wall_segments{};
};

struct Viewer {
    double pos_x = 0, pos_y = 0;  // map units
    int view_angle = 0;           // angle units 0..2047: 0 along +x, 512 along +y
};

struct State {
    World world;
    Viewer viewer;
    int draw_page = 0;
};

// Opens the window, builds the textures and the plan, places the viewer.
void start_up(State& state);
// One pass of the frame loop: draw, keys, flip; false once Esc ended it.
bool frame(State& state);
// Paints the 320 x 200 big pixels of the view onto the drawing page.
void render_view(const World& world, const Viewer& viewer);
// The whole program.
int run();

// The four textures, texel by texel.
void build_textures(World& world);
// The major axis is x when |x2 - x1| >= |y2 - y1|, else y.
bool major_axis_is_x(const Segment& s);
// s with its endpoints in ascending order of its major coordinate.
Segment in_major_order(Segment s);
// A heading taken to 0..2047, the non-negative remainder.
int wrap_angle(int a);

}  // namespace vectorcast
