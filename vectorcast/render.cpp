// The wall-segment caster: one ray per big-pixel column, intersected with
// every segment of the plan; the nearest hit ahead is painted as a textured
// wall between ceiling and floor.
#include <cmath>
#include <cstdint>

#include "common/common.h"
#include "vectorcast/vectorcast.h"

namespace vectorcast {

namespace {

using common::plot_block;

constexpr double no_hit = 1e10;          // where the best hit starts: nowhere
constexpr double wall_scale = 10485.76;  // wall height times distance, big pixels
constexpr double horizon = 100;          // big-pixel row

// A column's ray as two lines through the viewer: y = t*x + b1 and
// x = t_inv*y + b2, and the quadrant q (0..3) of its direction.
struct Ray {
    double t = 0, t_inv = 0;
    double b1 = 0, b2 = 0;
    int q = 0;
};

struct Hit {
    double hx = no_hit, hy = no_hit;  // map units
    int texture = 0;
    int u = 0;  // texture column 0..63
};

// The heading plus the column's offset (-256 units at column 0, 0 at column
// 160), truncated toward zero also when the sum is negative: intended, so a
// negative sum rounds up where a positive one rounds down.
int column_angle(int x, int a) {
    return static_cast<int>(std::trunc(std::atan(2.0 * x / 320 - 1) / unit_angle + a));
}

// No ray runs exactly along an axis, where its slope or inverse slope would
// be zero or infinite: a multiple of 512 units moves one unit on. Intended:
// the middle column then looks one unit off a heading on an axis.
int off_axis(int c) {
    return c % 512 == 0 ? c + 1 : c;
}

Ray make_ray(int c, const Viewer& viewer) {
    Ray r;
    r.q = ((c + full_turn) % full_turn) / 512;
    const int m = c % 1024;
    r.t = std::sin(m * unit_angle) / std::cos(m * unit_angle);
    r.t_inv = 1 / r.t;
    r.b1 = viewer.pos_y - r.t * viewer.pos_x;
    r.b2 = viewer.pos_x - r.t_inv * viewer.pos_y;
    return r;
}

// An intersection exactly on the far endpoint gives u = 64, one past the last
// column: it shows column 63.
int texture_column(double along) {
    const int u = static_cast<int>(std::trunc(along));
    return u < texture_size ? u : texture_size - 1;
}

// Tests the ray against every segment in table order and keeps the nearest
// intersection that lies ahead; on equal distances the later segment wins.
Hit nearest_hit(const World& world, const Viewer& viewer, const Ray& r) {
    Hit best;
    double best_sum = std::fabs(best.hx - viewer.pos_x) + std::fabs(best.hy - viewer.pos_y);
    const bool ahead_in_y = r.q == 0 || r.q == 1;
    const bool ahead_in_x = r.q == 0 || r.q == 3;
    for (const Segment& stored : world.wall_segments) {
        const Segment s = in_major_order(stored);
        const bool along_x = major_axis_is_x(s);
        double ix = 0, iy = 0;
        if (along_x) {
            // A segment of (near) zero length has no line to meet, and its
            // slope would divide by zero.
            if (!(std::abs(s.x1 - s.x2) > 0.1)) continue;
            const double sigma = static_cast<double>(s.y2 - s.y1) / (s.x2 - s.x1);
            const double gamma = s.x1 * sigma - s.y1;  // the line y = sigma*x - gamma
            if (sigma == r.t) continue;  // parallel: never met (and no division by zero)
            ix = (gamma + r.b1) / (sigma - r.t);
            iy = (ix - viewer.pos_x) * r.t + viewer.pos_y;
            if (!(s.x1 <= ix && ix <= s.x2)) continue;
        } else {
            if (!(std::abs(s.y1 - s.y2) > 0.1)) continue;  // as above
            const double sigma = static_cast<double>(s.x2 - s.x1) / (s.y2 - s.y1);
            const double gamma = s.y1 * sigma - s.x1;  // the line x = sigma*y - gamma
            if (sigma == r.t_inv) continue;            // parallel, as above
            iy = (gamma + r.b2) / (sigma - r.t_inv);
            ix = (iy - viewer.pos_y) * r.t_inv + viewer.pos_x;
            if (!(s.y1 <= iy && iy <= s.y2)) continue;
        }
        const double sum = std::fabs(ix - viewer.pos_x) + std::fabs(iy - viewer.pos_y);
        if (!(sum <= best_sum)) continue;
        // Only intersections on the ray's side of the viewer, not behind it.
        if ((iy >= viewer.pos_y) != ahead_in_y) continue;
        if ((ix >= viewer.pos_x) != ahead_in_x) continue;
        best.hx = ix;
        best.hy = iy;
        best_sum = sum;
        best.texture = s.texture;
        best.u = along_x ? texture_column((best.hx - s.x1) * 64 / (s.x2 - s.x1))
                         : texture_column((best.hy - s.y1) * 64 / (s.y2 - s.y1));
    }
    return best;
}

// v = trunc((y - top) * 64 / h), 0 at the top of the wall. The rounding of
// bottom can let the last wall row reach 64, and a wall nearer than about
// 1e-304 units makes the product infinite: both read the last row rather
// than past the texture's edge or through an infinite conversion.
int texture_row(int y, double top, double h) {
    const double v = (y - top) * 64 / h;
    return v < texture_size ? static_cast<int>(v) : texture_size - 1;
}

// Ceiling on rows up to top, wall strictly between top and bottom, floor
// below. With no wall (h = 0) row 100 is still ceiling: 101 ceiling rows and
// 99 floor rows, intended.
void paint_column(int x, double top, double h, const Texture& texture, int u) {
    const double bottom = h + top;
    for (int y = 0; y < rows; ++y) {
        if (y <= top) {
            plot_block(x, y, ceiling_colour);
        } else if (top < y && y < bottom) {
            plot_block(x, y, texture[texture_row(y, top, h)][u]);
        } else {
            plot_block(x, y, floor_colour);
        }
    }
}

}  // namespace

void render_view(const World& world, const Viewer& viewer) {
    const int a = viewer.view_angle;
    const double cos_a = std::cos(a * unit_angle), sin_a = std::sin(a * unit_angle);
    for (int x = 0; x < columns; ++x) {
        const Ray ray = make_ray(off_axis(column_angle(x, a)), viewer);
        const Hit hit = nearest_hit(world, viewer, ray);
        double h = 0;  // no hit, or a hit at distance 0: ceiling down to the horizon, then floor
        if (hit.hx != no_hit) {
            const double dist = cos_a * (hit.hx - viewer.pos_x) + sin_a * (hit.hy - viewer.pos_y);
            if (dist != 0) h = wall_scale / dist;
        }
        const double top = horizon - h / 2;
        paint_column(x, top, h, world.wall_textures[hit.texture], hit.u);
    }
}

}  // namespace vectorcast
