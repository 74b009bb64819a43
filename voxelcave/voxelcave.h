// voxelcave: a cave of a domed hall and six tunnels, a floor and a ceiling in
// every cell, walked under gravity and drawn in true colour with distance fog
// ("RAY CASTING CU VOXELI").
#pragma once

#include <array>
#include <cstdint>

namespace voxelcave {

constexpr int map_size = 64;                     // cells along x and along y
constexpr int ramp_size = 64;                    // entries of the colour ramp
constexpr double max_distance = 256;             // a ray stops looking this far out
constexpr double fog_rate = 0.0582689081239758;  // ln 1.06: fog 1.06^-dist
constexpr double time_step = 0.1;                // every speed is multiplied by it once per frame

// Levels are measured downward: a larger level is lower. Level 0 is the face
// of the rock, where a solid cell has both its surfaces.
struct Surface {
    double level = 0;  // level of the surface
    double shade = 0;  // index into the colour ramp, still unrounded
};

struct RampColour {
    double red = 0, green = 0, blue = 0;  // 0..255, unrounded
};

using SurfaceMap = std::array<std::array<Surface, map_size>, map_size>;

struct World {
    std::array<RampColour, ramp_size> colour_ramp{};
    // [y][x]: the cell x <= X < x + 1, y <= Y < y + 1; its open space reaches
    // from the ceiling level down to the floor level.
    SurfaceMap ceiling_map{};
    SurfaceMap floor_map{};
};

struct Viewer {
    double pos_x = 0, pos_y = 0;  // cells
    double eye_level = 0;         // level of the eye (larger = lower)
    double view_angle = 0;        // radians; looking along (cos, sin); never reduced
    double vel_z = 0;             // levels per unit of time, positive downward
    bool grounded = false;        // stands on something: may jump
};

struct State {
    World world;
    Viewer viewer;
    int draw_page = 0;
};

// World (world.cpp)

// Fills the colour ramp, carves the hall and the tunnels into both surface
// maps and sets the six floor cells beside the start by hand.
void build_world(World& world);
// The surface of cell [y][x]; a cell outside the grid is rock (level 0, shade 0).
Surface ceiling_at(const World& world, int x, int y);
Surface floor_at(const World& world, int x, int y);
// The cell index holding coordinate v: round(v - 0.5), ties to even.
int cell_of(double v);
// Brightness at distance dist: 1.06^-dist.
double fog_at(double dist);
// The true colour of ramp entry round(shade) seen with brightness fog.
std::uint32_t shaded_colour(const World& world, double shade, double fog);

// Renderer (render.cpp)

// The values every column of one frame starts from.
struct FrameSetup {
    double half_width = 0, half_height = 0, focal = 0;
    double dir_x = 0, dir_y = 0;            // ray direction of column 0
    double dir_x_step = 0, dir_y_step = 0;  // added after each column
    int view_cell_x = 0, view_cell_y = 0;   // the cell holding the viewer
    double frac_x = 0, frac_y = 0;          // position inside it, 0..1
    int last_row = 0;                       // max_y - 1: the lowest row drawn
};

// What one ray did, for whoever wants to know why a column looks as it does.
struct ColumnResult {
    double dist = 0;                       // distance of the last boundary crossed
    double span_top = 0, span_bottom = 0;  // the part left open (equal once closed)
    bool closed = false;
    int steps_x = 0, steps_y = 0;  // boundaries crossed along x and along y
};

FrameSetup frame_setup(const Viewer& viewer);
// Walks one ray with direction (dir_x, dir_y) and draws screen column k.
ColumnResult cast_column(const World& world, const Viewer& viewer, const FrameSetup& setup, int k,
                         double dir_x, double dir_y);
// Draws columns 0..max_x - 1 into the drawing page, which must be clear.
void render_view(const World& world, const Viewer& viewer);

// Walker and frame loop (voxelcave.cpp)

// True when a viewer at (x, y) with its eye at level eye fits into the cave.
bool has_room(const World& world, double x, double y, double eye);
// Opens the window, builds the world, places the viewer.
void start_up(State& state);
// One pass of the frame loop: flip and clear, input and motion, draw; false
// once Esc ended it.
bool frame(State& state);
// The whole program.
int run();

}  // namespace voxelcave
