// voxelgrid: a height-map terrain of a floor and two domes on a 64 x 64 grid
// that repeats without end, drawn in big pixels by marching one ray per column
// ("RAYCASTING CU VOXELI").
#pragma once

#include <array>
#include <cstdint>

namespace voxelgrid {

constexpr int map_size = 64;
constexpr int columns = 320, rows = 200;  // big pixels; rows 200..239 are never used

// Levels are measured downward: a larger level is lower.
constexpr double dome_top_level = 49;

// map[x][y]: the unit cell x <= X < x + 1, y <= Y < y + 1 of the plane.
using Map = std::array<std::array<std::uint8_t, map_size>, map_size>;

struct World {
    Map height_map{};  // level of the surface: 64 floor, 49..62 dome
    Map colour_map{};  // palette index: 83..93 floor, 21..42 dome
};

struct Viewer {
    double pos_x = 0, pos_y = 0;  // map units, kept in 0..63 by the wrap
    double view_angle = 0;        // radians; never reduced
    double eye_level = 40;        // downward axis; never changes
};

struct State {
    World world;
    Viewer viewer;
    int draw_page = 0;
};

// Opens the window, builds the maps, places the viewer.
void start_up(State& state);
// One pass of the frame loop: draw, keys, wrap, flip; false once Esc ended it.
bool frame(State& state);
// Paints all 320 x 200 big pixels of the drawing page, each exactly once.
void render_view(const World& world, const Viewer& viewer);
// The whole program.
int run();

}  // namespace voxelgrid
