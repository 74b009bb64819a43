// sectorcast: 22 convex sectors, each with its own floor height, joined by
// portals under one flat ceiling, seen by following one ray per big-pixel
// column from sector to sector ("RAYCASTING PE SECTOR").
#pragma once

#include <array>
#include <cstdint>
#include <numbers>

namespace sectorcast {

constexpr int sector_count = 22;          // sectors 1..22
constexpr int max_walls = 8;              // wall slots per sector
constexpr int columns = 320, rows = 200;  // big pixels of the view
constexpr int turn_units = 1280;          // angle units to the full turn
// k: one angle unit in radians; every angle enters the trigonometry as angle * k.
constexpr double angle_unit = std::numbers::pi / 640;
constexpr std::int32_t eye_above_floor = 1023;  // map height units

// One wall: the endpoints (x1, y1) and (x2, y2) in map units, stored in the
// order x1, x2, y1, y2; next_sector is 0 for a solid wall, otherwise the
// sector behind this portal.
struct Wall {
    std::int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::int32_t next_sector = 0;
};

struct Sector {
    std::int32_t floor_height = 0;  // map height units, upward
    std::int32_t wall_count = 0;    // 3..8 used slots
    std::array<Wall, max_walls> walls{};
};

struct World {
    std::array<Sector, sector_count + 1> sectors{};  // index 0 unused
    std::int32_t ceiling_height = 2000;              // map height units, never changed
};

struct Viewer {
    double pos_x = 0, pos_y = 0;    // map units
    double prev_x = 0, prev_y = 0;  // map units, before the last attempted move
    std::int32_t view_angle = 0;    // angle units, kept in 0..1280
    std::int32_t current_sector = 1;
    std::int32_t eye_floor = 0;  // floor_height of current_sector at the frame's start
};

struct State {
    World world;
    Viewer viewer;
    int draw_page = 0;
};

// The 22 sectors as the program starts: walls in their stored order.
World initial_world();

// Opens the window, fills the sector table and places the viewer.
void start_up(State& state);
// One pass of the frame loop: eye height, draw, flip, keys and move, turn;
// false once Esc ended it.
bool frame(State& state);
// The program: start-up, frames until Esc, close_window.
int run();

// Moves the viewer by step units against the heading (so -3 is 3 units
// forward), testing the walls of the sector the move began in. The walls it
// examines are put in ascending x order in the table.
void move(World& world, Viewer& viewer, int step);
// Adds turn to the heading and wraps it into 0..1280.
void turn_heading(Viewer& viewer, int turn);

// Paints rows 0..199 of every column 0..319 of the drawing page.
void render_view(const World& world, const Viewer& viewer);
// Big pixels (x, y_top) .. (x, y_bottom) in the low 8 bits of colour, the
// rows cut to 0..199 first; nothing when y_bottom < y_top.
void draw_span(std::int32_t x, std::int32_t y_top, std::int32_t y_bottom, std::int32_t colour);
// The direction of column x as a heading, wrapped and kept off the axes.
std::int32_t column_angle(int x, std::int32_t view_angle);

}  // namespace sectorcast
