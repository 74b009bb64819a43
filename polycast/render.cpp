// The room in perspective and in plan. Each wedge draws the plan-view lines of
// its edge, clips the edge at the near line and casts the screen columns
// between the ends of the visible part, one in every pixel_step.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/window.h"
#include "polycast/polycast.h"

namespace polycast {

namespace {

// Plan-view points more than 2^20 pixels off the window are held there: a
// huge room or near distance cannot overflow the line walker's integer steps,
// and a NaN never reaches the conversion to int.
constexpr double pixel_limit = 1048576.0;

int round_to_pixel(double v) {
    const double r = std::nearbyint(v);
    if (std::isnan(r)) return 0;
    return static_cast<int>(std::clamp(r, -pixel_limit, pixel_limit));
}

// A sample point inside the window: Round, ties to even.
int round_sample(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Trunc of a texture coordinate, kept within 0..32: a sample beyond either end
// of the edge or of the wall (which only edges beside or behind the eye can
// give, with the near distance at or below 0) never reads past the texture.
// A NaN reads column or row 0.
int texel_index(double w) {
    if (!(w > 0)) return 0;
    if (w >= 32) return 32;
    return static_cast<int>(w);
}

struct Pixel {
    int x = 0, y = 0;
};

// 256 pixels per room unit, the viewer at the window centre, +y up.
Pixel map_point(const Screen& screen, Point p) {
    return {round_to_pixel(screen.cx + 256 * p.x), round_to_pixel(screen.cy - 256 * p.y)};
}

void draw_plan_line(const Screen& screen, Point a, Point b) {
    const Pixel pa = map_point(screen, a), pb = map_point(screen, b);
    graphics::draw_line(pa.x, pa.y, pb.x, pb.y);
}

// The 90-degree viewing wedge, (100, 0) (400, 300) (699, 0) in 800 x 600, and
// the near line across the window.
void draw_wedge_and_near_line(const Screen& screen, double near_distance) {
    const double half_x = screen.max_x / 2.0, half_y = screen.max_y / 2.0;
    graphics::move_pen(round_to_pixel(half_x - half_y), round_to_pixel(half_y - half_y));
    graphics::line_to(round_to_pixel(half_x), round_to_pixel(half_y));
    graphics::line_to(round_to_pixel(half_x + half_y), round_to_pixel(half_y - half_y));
    const int near_row = round_to_pixel(half_y - 256 * near_distance);
    graphics::draw_line(0, near_row, screen.max_x, near_row);
}

// The point of the edge a-b at depth near_distance.
Point near_point(Point a, Point b, double near_distance) {
    return {a.x + (b.x - a.x) * (a.y - near_distance) / (a.y - b.y), near_distance};
}

// The wall of edge a-b in the columns of the visible part. u is measured on
// the unclipped edge, so a clipped edge keeps its texture in place.
void draw_wall(const Texture& texture, const Room& room, const Screen& screen, Point a, Point b,
               const Edge& visible) {
    const Span span = screen_span(visible, screen);
    for (double sx = span.s1; sx < span.s2; sx += room.pixel_step) {
        const std::optional<WallColumn> column = wall_column(a, b, sx, screen, room.wall_height);
        if (!column) continue;
        const int x = round_sample(sx);
        double v = column->v;
        for (double y = column->top; y < column->bottom; y += room.pixel_step) {
            graphics::plot_pixel(x, round_sample(y), texel(texture, column->u, v));
            v += room.pixel_step * column->v_step;
        }
    }
}

}  // namespace

Screen screen_of_window() {
    Screen screen;
    screen.max_x = graphics::max_x();
    screen.max_y = graphics::max_y();
    screen.cx = screen.max_x / 2.0;
    screen.cy = screen.max_y / 2.0;
    screen.focal = screen.cx;
    return screen;
}

// As i grows the vertices run from left to right in front of the viewer;
// vertex side_count closes the ring where vertex 0 stands.
Point vertex(const Room& room, int i) {
    const double theta = (2 * std::numbers::pi / room.side_count) * i + room.room_angle;
    return {room.room_radius * std::cos(theta), -room.room_radius * std::sin(theta)};
}

std::optional<Edge> clip_to_near(Point a, Point b, double near_distance) {
    Edge visible{a, b};
    if (a.y < near_distance) {
        if (b.y < near_distance) return std::nullopt;  // wholly nearer than the near line
        visible.a = near_point(a, b, near_distance);
    } else if (b.y < near_distance) {
        visible.b = near_point(a, b, near_distance);
    }
    return visible;
}

Span screen_span(const Edge& visible, const Screen& screen) {
    Span span;
    span.s1 = screen.focal * (visible.a.x / visible.a.y) + screen.cx;
    if (span.s1 < 0) span.s1 = 0;
    span.s2 = screen.focal * (visible.b.x / visible.b.y) + screen.cx;
    if (span.s2 > screen.max_x) span.s2 = screen.max_x;
    return span;
}

std::optional<WallColumn> wall_column(Point a, Point b, double sx, const Screen& screen,
                                      double wall_height) {
    const double dx = sx - screen.cx, dy = screen.focal;
    const double divisor = (a.y - b.y) * dx - (a.x - b.x) * dy;
    // A ray parallel to the edge never meets it: k would be infinite.
    if (divisor == 0) return std::nullopt;
    const double k = 1 / divisor;
    WallColumn c;
    c.t = ((a.y - b.y) * a.x - (a.x - b.x) * a.y) * k;
    // The edge's line met at or behind the eye (only with the near distance at
    // or below 0) is nothing in view: without this a negative wall height
    // would stand upright there, and t = 0 would divide by 0.
    if (!(c.t > 0)) return std::nullopt;
    c.u = 32 * (a.y * dx - a.x * dy) * k;
    c.height = wall_height / c.t;
    // A depth so small that the height overflows would leave v_step 0 and v
    // undefined (infinity times 0).
    if (!std::isfinite(c.height)) return std::nullopt;
    c.top = screen.cy - c.height / 2;
    if (c.top < 0) c.top = 0;
    c.bottom = screen.cy + c.height / 2;
    if (c.bottom > screen.max_y) c.bottom = screen.max_y;
    c.v_step = 32 / c.height;
    c.v = (c.top - (screen.cy - c.height / 2)) * c.v_step;
    return c;
}

std::uint8_t texel(const Texture& texture, double u, double v) {
    return texture[static_cast<std::size_t>(texel_index(u))]
                  [static_cast<std::size_t>(texel_index(v))];
}

void draw_wedge(const World& world, const Room& room, const Screen& screen, Point a, Point b) {
    graphics::set_pen_colour(world.pens.white);
    draw_wedge_and_near_line(screen, room.near_distance);
    graphics::set_pen_colour(world.pens.magenta);
    draw_plan_line(screen, a, b);
    const std::optional<Edge> visible = clip_to_near(a, b, room.near_distance);
    if (!visible) return;
    graphics::set_pen_colour(world.pens.green);
    draw_plan_line(screen, visible->a, visible->b);
    draw_wall(world.wall_texture, room, screen, a, b, *visible);
}

void render_view(const World& world, const Room& room) {
    const Screen screen = screen_of_window();
    for (int i = 0; i < room.side_count; ++i) {
        draw_wedge(world, room, screen, vertex(room, i), vertex(room, i + 1));
    }
}

}  // namespace polycast
