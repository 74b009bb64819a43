// voxelmouse: the floor-and-domes height map at full window resolution,
// steered by the mouse alone; any typed key ends it ("RAY CASTING CU VOXELI").
#pragma once

#include <array>
#include <cstdint>

namespace voxelmouse {

constexpr int map_size = 64;
constexpr double mouse_gain = 0.1;
constexpr double eye_limit = 48;  // the eye stays in -48..48

// map[x][y]: the unit cell x <= X < x + 1, y <= Y < y + 1 of the plane.
using Map = std::array<std::array<std::int32_t, map_size>, map_size>;

// Levels are measured downward: a larger level is lower.
struct World {
    Map height_map{};  // level of the surface: 64 floor, 49..62 dome
    Map colour_map{};  // palette index: 83..93 floor, 22..42 dome
};

struct Viewer {
    double pos_x = 0, pos_y = 0;  // map units; not wrapped (the grid repeats)
    double view_angle = 0;        // radians; never reduced
    double eye_level = 40;        // downward axis
};

// The values of one frame, taken from the pointer and the window size.
struct FrameValues {
    std::uint16_t pointer_x = 0, pointer_y = 0, pointer_buttons = 0;
    int max_x = 0, max_y = 0;   // pixels, as read this frame
    double horizon_offset = 0;  // pixel rows of the pointer below the middle
    double pixel_slope = 0;     // change of ray direction per column and slope per row
    double far_limit = 0;       // a column's march ends once row_drop exceeds it
    double start_slope = 0;     // slope of the ray of the lowest drawn row
};

struct State {
    World world;
    Viewer viewer;
    FrameValues frame;
    int draw_page = 0;
};

// Opens the window, builds the maps, places the viewer.
void start_up(State& state);
// One pass of the frame loop: flip, clear, mouse, draw, move and turn; false
// once a typed key ended it.
bool frame(State& state);
// Reads the pointer and derives this frame's values from it.
FrameValues read_pointer();
// Paints the terrain into the drawing page, pixel columns 0..max_x - 1 and
// rows up to max_y - 1; the rest keeps what the page held.
void render_view(const World& world, const Viewer& viewer, const FrameValues& frame);
// The whole program.
int run();

}  // namespace voxelmouse
