// The BSP wall renderer: every wall is moved into the viewer's frame, clipped
// against the near plane y = -1, the far plane y = -600 and the 90-degree
// field of view, projected to a run of columns with straight top and bottom
// edges, and painted back to front in the order of the BSP tree. No depth
// buffer, no floor, no ceiling: what no wall covers stays black.
#include <cmath>
#include <numbers>
#include <utility>

#include "bspcast/bspcast.h"
#include "common/common.h"
#include "graphics/window.h"

namespace bspcast {

namespace {

using common::plot_block;

constexpr double near_y = -1, far_y = -600;
constexpr std::uint8_t overlay_colour = 31;

double round_half_even(double v) {
    return std::nearbyint(v);
}

// The columns a wall may span as window coordinates: 2 * column must fit the
// window's 16-bit coordinates. Only a map with absurd coordinates (or a NaN
// from a wall through the eye) projects outside; such a wall is not drawn,
// rather than converting an out-of-range real or looping over billions of
// columns.
constexpr double column_limit = 16383;

// Where a wall lies once clipped: its two ends in view space and the heights
// of its edges at those ends.
struct Ends {
    double xa, ya, xb, yb;
    double ha_top, ha_bot, hb_top, hb_bot;
};

void cut_a(const ViewWall& v, double t, ViewWall& out, Ends& e) {
    out.t1 = t;
    e.xa = v.x1 + t * (v.x2 - v.x1);
    e.ya = v.y1 + t * (v.y2 - v.y1);
    e.ha_top = e.ha_top + t * (e.hb_top - e.ha_top);
    e.ha_bot = e.ha_bot + t * (e.hb_bot - e.ha_bot);
}

// Uses the current ha values, which an earlier cut of end a may have moved.
void cut_b(const ViewWall& v, double t, ViewWall& out, Ends& e) {
    out.t2 = t;
    e.xb = v.x1 + t * (v.x2 - v.x1);
    e.yb = v.y1 + t * (v.y2 - v.y1);
    e.hb_top = e.ha_top + t * (e.hb_top - e.ha_top);
    e.hb_bot = e.ha_bot + t * (e.hb_bot - e.ha_bot);
}

// Near and far cuts: move only the depths and the parameters. False when the
// wall lies wholly behind the near plane or beyond the far one.
bool clip_depth(ViewWall& v, double& ya, double& yb) {
    const double y1 = v.y1, y2 = v.y2;
    ya = y1;
    yb = y2;
    if (y1 > near_y) {
        if (y2 > near_y) return false;
        v.t1 = (y1 + 1) / (y1 - y2);
        ya = y1 + v.t1 * (y2 - y1);
    } else if (y2 > near_y) {
        v.t2 = (-1 - y1) / (y2 - y1);
        yb = y1 + v.t2 * (y2 - y1);
    }
    if (ya < far_y) {
        if (yb < far_y) return false;
        v.t1 = (y1 + 600) / (y1 - y2);
        ya = y1 + v.t1 * (y2 - y1);
    } else if (yb < far_y) {
        v.t2 = (-600 - y1) / (y2 - y1);
        yb = y1 + v.t2 * (y2 - y1);
    }
    return true;
}

// Field of view between x = y (column 0) and x = -y (column 318). False when
// both ends lie beyond the same edge; otherwise cuts at the edges in a fixed
// order, each test on the ends as the previous cuts left them.
bool clip_sides(ViewWall& v, Ends& e) {
    if ((e.xa < e.ya && e.xb < e.yb) || (e.xa > -e.ya && e.xb > -e.yb)) return false;
    if (e.ya <= e.xa && e.xa <= -e.ya && e.yb <= e.xb && e.xb <= -e.yb) return true;
    const double x1 = v.x1, y1 = v.y1, x2 = v.x2, y2 = v.y2;
    const double t_left = (x1 - y1) / ((x1 - y1) - (x2 - y2));
    const double t_right = -(x1 + y1) / ((x2 + y2) - (x1 + y1));
    if (e.xa < e.ya && e.xb >= e.yb) cut_a(v, t_left, v, e);
    if (e.xa > -e.ya && e.xb <= -e.yb) cut_a(v, t_right, v, e);
    if (e.xb < e.yb && e.xa >= e.ya) cut_b(v, t_left, v, e);
    if (e.xb > -e.yb && e.xa <= -e.ya) cut_b(v, t_right, v, e);
    return true;
}

double column_of(double x, double y) {
    return -(x / y) * centre_x + centre_x;
}

double row_of(double height, double y, double eye_z) {
    return (height - eye_z) / (50 * y) * centre_x + centre_y;
}

// The lateral positions of the ends to draw. Intended: a t1 other than 0 (or
// a t2 other than 1) moves only the lateral coordinate of that end; its depth
// stays that of the segment's end unless a near or far cut moved it, so the
// pieces of a split wall lean a little.
void lateral_ends(const ViewWall& v, Ends& e) {
    e.xa = v.t1 != 0 ? v.x1 + v.t1 * (v.x2 - v.x1) : v.x1;
    e.xb = v.t2 != 1 ? v.x1 + v.t2 * (v.x2 - v.x1) : v.x2;
}

// Intended: only the right end is clamped, to column 317, and the steps keep
// the width measured before the clamp; the left end is never clamped.
void clamp_right_end(ScreenWall& s) {
    if (std::trunc(s.sx2 + 0.5) >= screen_w) s.sx2 = screen_w - 1;
}

void project_wall(const Wall& wall, double eye_z, ViewWall& v, ScreenWall& s) {
    v.visible = false;
    double ya = 0, yb = 0;
    if (!clip_depth(v, ya, yb)) return;
    Ends e{0, ya, 0, yb, wall.top1, wall.bottom1, wall.top2, wall.bottom2};
    lateral_ends(v, e);
    if (!clip_sides(v, e)) return;

    double sa = column_of(e.xa, e.ya), sb = column_of(e.xb, e.yb);
    double top_a = row_of(e.ha_top, e.ya, eye_z), bottom_a = row_of(e.ha_bot, e.ya, eye_z);
    double top_b = row_of(e.hb_top, e.yb, eye_z), bottom_b = row_of(e.hb_bot, e.yb, eye_z);
    if (sa > sb) {
        std::swap(sa, sb);
        std::swap(top_a, top_b);
        std::swap(bottom_a, bottom_b);
    }
    const double n = round_half_even(sb - sa);
    if (n == 0) return;  // narrower than half a column
    v.visible = true;
    s.sx1 = sa;
    s.sx2 = sb;
    s.top_y = top_a;
    s.bottom_y = bottom_a;
    s.top_step = (top_b - top_a) / n;
    s.bottom_step = (bottom_b - bottom_a) / n;
    clamp_right_end(s);
}

// One row index from a projected edge. Rows beyond the view paint nothing
// either way; clamping the real first keeps the conversion defined for
// edges of walls that come near the eye.
// (colour + 15) mod 256, the remainder taken as the palette reads a colour
// number: entry 256 + r for a negative remainder r.
std::uint8_t palette_index(std::int16_t colour) {
    return static_cast<std::uint8_t>(colour + 15);
}

int row_index(double v) {
    if (v < -1) v = -1;
    if (v > screen_h + 1) v = screen_h + 1;
    return static_cast<int>(round_half_even(v));
}

void draw_wall(const Wall& wall, const ScreenWall& s, std::int16_t outline_mode) {
    const std::uint8_t c = palette_index(wall.colour);
    const double first_real = round_half_even(s.sx1), last_real = round_half_even(s.sx2);
    if (!(first_real >= -column_limit && first_real <= column_limit && last_real >= -column_limit &&
          last_real <= column_limit)) {
        return;  // see column_limit
    }
    const int first = static_cast<int>(first_real), last = static_cast<int>(last_real);
    double v = s.top_y, u = s.bottom_y;
    for (int col = first; col <= last; ++col) {
        const bool skipped = (v >= screen_h && u >= screen_h) || (v < 0 && u < 0) ||
                             std::isnan(v) || std::isnan(u);  // a NaN edge has no rows
        if (!skipped) {
            const int ytop = v < 0 ? 0 : row_index(v);
            const int ybot = u >= screen_h ? screen_h : row_index(u);
            const int h = ybot - ytop;
            const bool full = outline_mode == 0 || col == first || col == last;
            for (int j = 1; j <= h; ++j) {
                if (full || j == 1 || j == h) plot_block(col, ytop + j, c);
            }
        }
        v = v + s.top_step;
        u = u + s.bottom_step;
    }
}

// Back to front: the side of the partition wall away from the viewer first.
// The loader has made the links a tree of nodes that name loaded walls, so
// the recursion is at most 100 deep.
void draw_node(const Map& map, const Viewer& viewer, const ViewTables& tables, int k) {
    const BspNode& node = map.nodes[static_cast<std::size_t>(k)];
    const int w = node.wall_index;
    const bool on_left = viewer_on_left(tables, w);
    const int first = on_left ? node.right_child : node.left_child;
    const int second = on_left ? node.left_child : node.right_child;
    if (first != 0) draw_node(map, viewer, tables, first);
    if (tables.view_walls[static_cast<std::size_t>(w)].visible) {
        draw_wall(map.walls[static_cast<std::size_t>(w)],
                  tables.screen_walls[static_cast<std::size_t>(w)], viewer.outline_mode);
    }
    if (second != 0) draw_node(map, viewer, tables, second);
}

// Window coordinates are 16-bit: a wall whose end lies farther from the viewer
// than that (or is not a number) is left off the plan rather than converted
// out of range or walked as a line billions of pixels long.
bool fits_plan(double v) {
    return v >= -16000 && v <= 16000;
}

void draw_map_overlay(const Map& map, const ViewTables& tables, std::uint8_t colour) {
    for (int w = 0; w < map.wall_count; ++w) {
        const ViewWall& m = tables.map_walls[static_cast<std::size_t>(w)];
        const double ax = m.x1 + m.t1 * (m.x2 - m.x1), ay = m.y1 + m.t1 * (m.y2 - m.y1);
        const double bx = m.x1 + m.t2 * (m.x2 - m.x1), by = m.y1 + m.t2 * (m.y2 - m.y1);
        if (!(fits_plan(ax) && fits_plan(ay) && fits_plan(bx) && fits_plan(by))) continue;
        graphics::set_pen_colour(colour);
        graphics::draw_line(2 * static_cast<int>(round_half_even(160 + ax)),
                            2 * static_cast<int>(round_half_even(100 + ay)),
                            2 * static_cast<int>(round_half_even(160 + bx)),
                            2 * static_cast<int>(round_half_even(100 + by)));
    }
}

}  // namespace

void transform_walls(const Map& map, const Viewer& viewer, ViewTables& tables) {
    const double theta = viewer.view_angle * std::numbers::pi / 180;
    const double c = std::cos(theta), s = std::sin(theta);
    for (int w = 0; w < map.wall_count; ++w) {
        const Wall& wall = map.walls[static_cast<std::size_t>(w)];
        ViewWall& v = tables.view_walls[static_cast<std::size_t>(w)];
        const double a1 = wall.x1 - viewer.pos_x, b1 = wall.y1 - viewer.pos_y;
        const double a2 = wall.x2 - viewer.pos_x, b2 = wall.y2 - viewer.pos_y;
        v.x1 = a1 * c - b1 * s;
        v.y1 = a1 * s + b1 * c;
        v.x2 = a2 * c - b2 * s;
        v.y2 = a2 * s + b2 * c;
        v.t1 = wall.t_start;
        v.t2 = wall.t_end;
        v.visible = true;
    }
}

void project_walls(const Map& map, const Viewer& viewer, ViewTables& tables) {
    for (int w = 0; w < map.wall_count; ++w) {
        const auto i = static_cast<std::size_t>(w);
        project_wall(map.walls[i], viewer.eye_z, tables.view_walls[i], tables.screen_walls[i]);
    }
}

// The viewer, at the origin, is on the wall's left when s < 0; on the line
// counts as right.
bool viewer_on_left(const ViewTables& tables, int w) {
    const ViewWall& v = tables.view_walls[static_cast<std::size_t>(w)];
    const double s = (v.y1 - v.y2) * v.x1 + (v.x2 - v.x1) * v.y1;
    return s < 0;
}

void render_view(const Map& map, const Viewer& viewer, ViewTables& tables) {
    graphics::clear_page();
    transform_walls(map, viewer, tables);
    tables.map_walls = tables.view_walls;
    project_walls(map, viewer, tables);
    if (map.root != 0) draw_node(map, viewer, tables, map.root);
    if (viewer.show_map) {
        plot_block(160, 100, overlay_colour);  // the viewer's marker
        draw_map_overlay(map, tables, overlay_colour);
    }
}

}  // namespace bspcast
