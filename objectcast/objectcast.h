// objectcast: a walled world of 30 x 30 height cells with shaped and animated
// surfaces and thirteen moving objects, walked, climbed, fallen and jumped
// through ("RAYCASTING CU OBIECTE").
#pragma once

#include <array>
#include <cstdint>

namespace objectcast {

// Cells are addressed (a, b), a and b = 1..30. A position is fixed point with
// 4096 units per cell. Levels are vertical coordinates where larger is lower.
constexpr int grid_size = 30;
constexpr int cell_units = 4096;
constexpr int fraction_mask = 4095;

// Angles index the sine tables, 0..1795 in units of 1/1800 turn (0.2 degrees).
// The tables stop at 1795, not 1799.
constexpr int angle_count = 1796;
constexpr int max_angle = 1795;

constexpr int max_objects = 50;
constexpr int sky_colour = 20;
constexpr int view_columns = 320, view_rows = 200;  // blocks of 3 x 3 pixels

// A grid read as map[a][b] with a, b = 1..30; index 0 is unused so that cells
// keep their own numbers.
using Grid = std::array<std::array<std::int32_t, grid_size + 1>, grid_size + 1>;

// The built-in map as written: row a - 1 holds the values for b = 1..30.
using MapTable = std::array<std::array<std::int16_t, grid_size>, grid_size>;
extern const MapTable built_type_map, built_colour_map, built_height_map;

// A colour of the ramp palette, each component 0..63.
struct Rgb6 {
    std::int32_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb6&) const = default;
};
using RampPalette = std::array<Rgb6, 256>;
// Sixteen ramps of sixteen entries, each darkest to brightest (the first ramp
// holds the sixteen classic colours).
extern const RampPalette ramp_palette;

// A cell whose height sweeps up and down between the lowest and the highest
// height of its 3 x 3 neighbourhood as built.
struct MovingObject {
    std::int32_t cell_x = 0, cell_y = 0;  // the cell (a, b)
    std::int32_t low = 0, high = 0;       // heights
    std::int32_t offset = 0;              // height above base
    std::int32_t base = 0;                // the cell's height as built
    std::int32_t speed = 0;               // height change per frame
    bool operator==(const MovingObject&) const = default;
};

struct World {
    Grid type_map{};    // cell types; the markers become 0 when built
    Grid colour_map{};  // ramp palette index of each cell's surface
    Grid height_map{};  // heights; only the moving objects' cells change
    std::array<std::int32_t, angle_count> sin_table{}, cos_table{};  // 409 = 1
    std::array<MovingObject, max_objects + 1> object_table{};        // 1..object_count used
    std::int32_t object_count = 0;
    std::int32_t wave_phase = 0;  // 0..8191, moves the animated surfaces
};

struct Viewer {
    std::int32_t pos_x = 0, pos_y = 0;    // 1/4096 cell units
    std::int32_t prev_x = 0, prev_y = 0;  // where this frame's input step began
    std::int32_t heading = 0;             // angle; the view looks along -(cos, sin)
    std::int32_t eye_level = 0;           // level of the eye
    std::int32_t ground_level = 0;        // standing level under the viewer
    std::int32_t ground_type = 0;         // type_map under the viewer
    std::int32_t fall_speed = 0;          // levels per frame, negative rises
    bool airborne = false;                // jumped and not yet landed
    std::int32_t horizon = 0;             // block row of the horizon, -100..300
    std::int32_t column_step = 0;         // block columns per ray, 1..50
    std::int32_t ray_limit = 0;           // steps per ray, 50..250
};

struct State {
    World world;
    Viewer viewer;
    int draw_page = 0;
};

// The drawn surface of a cell at a point of it.
struct Surface {
    std::int32_t height = 0;
    std::int32_t colour = 0;
};

// The world (world.cpp).

// Fills the tables and grids, turns the markers into floor and objects, and
// sets the viewer's start state.
void build_world(World& world, Viewer& viewer);
// Height and colour drawn for a cell of type t, map height h and map colour c
// at fractions (fx, fy) of the cell.
Surface shape_cell(std::int32_t t, std::int32_t h, std::int32_t c, std::int32_t fx, std::int32_t fy,
                   std::int32_t phase);
// The level a viewer stands at on a cell of type t and map height H.
std::int32_t standing_level(std::int32_t t, std::int32_t H, std::int32_t fx, std::int32_t fy,
                            std::int32_t phase);
// Walls (above 15) and the undrawn blockers (below -128) refuse moves.
bool is_solid(std::int32_t t);
// Moves every object one frame along its travel.
void update_objects(World& world);

// The renderer (render.cpp).

// One block of the 320 x 200 view: pixels 2x..2x + 2, 2y..2y + 2 in ramp
// palette colour c, unclipped (the window clips).
void put_block(std::int32_t x, std::int32_t y, std::int32_t c);
// Blocks y1..y2 of column x, kept inside rows 0..199.
void draw_span(std::int32_t x, std::int32_t y1, std::int32_t y2, std::int32_t c);
// Spans of columns x1..x2 inside the view, and end blocks on rows y1 and y2
// of every column of a wider box, unclipped.
void draw_box(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t c);
// The sine-table index of the ray at offset from the heading.
std::int32_t ray_angle(std::int32_t heading, std::int32_t offset);
// Casts and paints the block columns column..column + column_step - 1 for the
// ray at offset from the heading.
void cast_column(const World& world, const Viewer& viewer, std::int32_t offset,
                 std::int32_t column);
// Paints the whole view into the drawing page.
void render_view(const World& world, const Viewer& viewer);

// The program (objectcast.cpp).

// Opens the window, builds the world and sets the text style.
void start_up(State& state);
// One pass of the frame loop: help line, view, keys and physics, flip and
// clear; false once Esc ended it.
bool frame(State& state);
// The whole program.
int run();

}  // namespace objectcast
