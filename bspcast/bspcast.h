// bspcast: walls read from "bigcastl.txt", drawn back to front in the order
// of the BSP tree stored in that file, with a plan-view overlay, inertia,
// sliding collision, head bob and a jump ("RAYCASTING PRIN BSP").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bspcast/map_file.h"

namespace bspcast {

using Wall = map_file::WallRecord;
using BspNode = map_file::NodeRecord;
constexpr int max_walls = map_file::max_walls;

// The view: big-pixel columns 0..317, rows 1..172. centre_x is also the
// projection scale for widths and heights.
constexpr std::int16_t screen_w = 318, screen_h = 172;
constexpr std::int16_t centre_x = screen_w / 2, centre_y = screen_h / 2;  // 159, 86

// The map model, filled once by load_map and read-only afterwards.
struct Map {
    std::int16_t wall_count = 0;                 // walls and nodes loaded, 0..100
    double pos_x = 0, pos_y = 0;                 // viewer start, map units
    std::int16_t view_angle = 0;                 // viewer start heading, whole degrees
    std::array<BspNode, max_walls + 1> nodes{};  // 1..100; node 1 is the root; [0] unused
    std::int16_t root = 1;  // node where the tree walk starts; 0 = nothing to draw
    std::array<Wall, max_walls> walls{};
};

// The viewer and its motion: everything the keys, the bob and the jump change.
struct Viewer {
    double pos_x = 0, pos_y = 0;    // map units
    std::int16_t view_angle = 0;    // whole degrees; looking along (-sin, -cos)
    double vel_x = 0, vel_y = 0;    // the last step taken, after collision
    double push_x = 0, push_y = 0;  // the push term of the last move
    double max_step = 1.0;          // longest step; walls are kept 2 * max_step away
    double push_gain = 1.0;
    double reverse_factor = 1.61;
    double damping = 0.75;
    std::int16_t turn_step = 4;  // degrees per frame
    double eye_z = 6.0;          // height units
    double jump_height = 0;      // above the jump's start
    double jump_speed = 0;       // per frame
    double gravity = 0;
    double jump_start_time = 0;  // clock at take-off - 0.01
    bool jumping = false;
    bool show_map = true;
    bool collision_on = true;
    std::int16_t bob_amplitude = 0;
    std::int16_t bob_phase = 0;     // degrees
    std::int16_t outline_mode = 0;  // 0 filled walls, 1 outlines
};

// A wall in view space: the viewer at the origin looking along -y, x to the right.
struct ViewWall {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the ends, never changed by clipping
    double t1 = 0, t2 = 0;                  // parameters of the part to draw
    bool visible = false;
};

// A visible wall on the screen, from column sx1 to sx2 with straight edges.
struct ScreenWall {
    double sx1 = 0, sx2 = 0;               // columns, sx1 <= sx2
    double top_y = 0, bottom_y = 0;        // rows of the edges at sx1
    double top_step = 0, bottom_step = 0;  // change of those rows per column
};

// The renderer's working tables, rebuilt every frame it draws.
struct ViewTables {
    std::array<ViewWall, max_walls> view_walls{};
    std::array<ViewWall, max_walls> map_walls{};  // view_walls before clipping: the overlay's
    std::array<ScreenWall, max_walls> screen_walls{};
};

enum RedrawState : std::int16_t {
    nothing_changed = 0,
    walked = 1,  // moved by Up or Down
    redraw = 2,
    coasting = 3,  // still moving with no key
};

struct State {
    Map map;
    Viewer viewer;
    ViewTables tables;
    std::int16_t redraw_state = redraw;
    double clock = 0;  // +0.1 per loop iteration
    bool quit = false;
    int draw_page = 0;
};

// Reads a map from the text of a map file into map (zeroed first) by the
// file's token rules. A malformed token and every guard that fires add one
// line to messages, each starting with file_name.
void read_map(std::string_view text, const char* file_name, Map& map,
              std::vector<std::string>& messages);
// Reads "bigcastl.txt" from the working directory; a missing file gives an
// empty world. Prints the messages of read_map on standard error.
void load_map(Map& map);

// Start-up: zeroes the state, reads the map, opens the window.
void start_up(State& state);
// One pass of the frame loop: bob, jump, draw and flip when something
// changed, keys, coasting, clock; false once Esc has been seen.
bool frame(State& state);
// The keys in their fixed order; returns the new redraw state.
std::int16_t read_input(const Map& map, Viewer& viewer, double clock, bool& quit);
// One step of the movement model with input vector (ix, iy).
void move_viewer(const Map& map, Viewer& viewer, double ix, double iy);
// Corrects the proposed step (dx, dy) against the walls.
void collide(const Map& map, const Viewer& viewer, double& dx, double& dy);

// Clears the drawing page and paints the walls back to front, then the overlay.
void render_view(const Map& map, const Viewer& viewer, ViewTables& tables);
// The steps of render_view, for tests.
void transform_walls(const Map& map, const Viewer& viewer, ViewTables& tables);
void project_walls(const Map& map, const Viewer& viewer, ViewTables& tables);
bool viewer_on_left(const ViewTables& tables, int w);

// The whole program.
int run();

}  // namespace bspcast
