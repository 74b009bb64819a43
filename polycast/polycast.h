// polycast: a regular polygonal room turning about the viewer, its walls cast
// one pixel column in every few with a noisy texture, under a plan view of the
// same room ("RAY CASTING").
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace polycast {

constexpr int texture_size = 33;  // texels 0..31 filled; row and column 32 stay black
constexpr int min_sides = 3, max_sides = 30;
constexpr int min_pixel_step = 1, max_pixel_step = 10;
constexpr int escape_key = 27;

// wall_texture[u][v]: u along the edge, v down the wall; palette indexes.
using Texture = std::array<std::array<std::uint8_t, texture_size>, texture_size>;

// The window's colour values of the three pens of the plan view.
struct Pens {
    std::uint32_t white = 0, magenta = 0, green = 0;
};

struct World {
    Texture wall_texture{};
    Pens pens;
};

// The room and how it is seen; the viewer stands at the origin looking along +y.
struct Room {
    int side_count = 4;          // 3..30
    double room_radius = 1.0;    // room units, centre to every vertex
    double near_distance = 0.1;  // room units; edges nearer than this are clipped
    double wall_height = 0.5;    // room units
    int pixel_step = 3;          // pixels between wall samples, across and down; 1..10
    double room_angle = 0.0;     // radians; grows every frame, never reduced
    bool operator==(const Room&) const = default;
};

struct State {
    World world;
    Room room;
    int draw_page = 0;
    int key = 0;  // the typed code taken this frame, 0 if none
};

struct Point {
    double x = 0, y = 0;  // room units
};

// The window's projection, taken afresh every frame.
struct Screen {
    double cx = 0, cy = 0;  // the centre, pixels (399.5, 299.5 in 800 x 600)
    double focal = 0;       // pixels; equal to cx: a 90-degree view
    int max_x = 0, max_y = 0;
};

// An edge after the near-line clip: the part at depth near_distance or more.
struct Edge {
    Point a, b;
};

// The real screen columns cast for a visible edge: from s1 (inclusive) to
// s2 (exclusive), limited to the window.
struct Span {
    double s1 = 0, s2 = 0;
};

// What one ray meets: the edge's line at t * d, d = (sx - cx, focal).
struct WallColumn {
    double t = 0;                // depth / focal
    double u = 0;                // along the unclipped edge: 0 at a, 32 at b
    double height = 0;           // pixels; negative for a negative wall height
    double top = 0, bottom = 0;  // rows, limited to the window
    double v = 0;                // texture row at top
    double v_step = 0;           // texture rows per pixel row
};

// Opens the window, builds the texture from the unseeded generator, sets the pen.
void start_up(State& state);
// One pass of the frame loop: flip and clear, one typed key, draw, turn;
// false once Esc ended it.
bool frame(State& state);
// Applies one typed code to the room; codes outside the key table do nothing.
void apply_key(Room& room, int key);
// Draws every wedge of the room into the drawing page.
void render_view(const World& world, const Room& room);
// The whole program.
int run();

// The pieces render_view is made of.
Screen screen_of_window();
// Vertex i of the ring, i = 0..side_count (side_count closes it).
Point vertex(const Room& room, int i);
// The plan-view lines of edge a-b, then its wall.
void draw_wedge(const World& world, const Room& room, const Screen& screen, Point a, Point b);
// Empty when the edge lies wholly nearer than the near line.
std::optional<Edge> clip_to_near(Point a, Point b, double near_distance);
Span screen_span(const Edge& visible, const Screen& screen);
// Empty when the ray runs parallel to the edge or meets its line at or behind
// the eye, or when the wall would be infinitely high.
std::optional<WallColumn> wall_column(Point a, Point b, double sx, const Screen& screen,
                                      double wall_height);
// The texel at real texture coordinates, each truncated and kept within 0..32.
std::uint8_t texel(const Texture& texture, double u, double v);

}  // namespace polycast
