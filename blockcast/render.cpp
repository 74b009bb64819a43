// The grid ray caster: one ray per big-pixel column, walked through the block
// map cell by cell with a single decision variable.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "blockcast/blockcast.h"
#include "common/common.h"

namespace blockcast {

namespace {

using common::plot_block;
using common::sign_of;

// trunc toward zero of a value known to lie well inside int's range; a NaN
// (a ray exactly along an axis from inside a solid block on a grid line)
// gives 0 rather than an undefined conversion.
int trunc_to_int(double v) {
    return std::isnan(v) ? 0 : static_cast<int>(v);
}

int texture_column(double along) {
    return trunc_to_int((along - std::trunc(along)) * 64);
}

}  // namespace

// t < 0: the next line of constant x comes first; a tie steps in y. The
// solid border ends the walk, as the viewer is held inside it.
Hit cast_ray(const World& world, const Viewer& viewer, double rx, double ry) {
    Hit hit;
    int mx = static_cast<int>(std::trunc(viewer.pos_x));
    const int sx = sign_of(rx);
    const double abs_rx = std::fabs(rx);
    double fx = viewer.pos_x - mx;
    if (sx > 0) fx = 1 - fx;
    int my = static_cast<int>(std::trunc(viewer.pos_y));
    const int sy = sign_of(ry);
    const double abs_ry = std::fabs(ry);
    double fy = viewer.pos_y - my;
    if (sy > 0) fy = 1 - fy;
    double t = abs_ry * fx - abs_rx * fy;
    for (;;) {
        if (t < 0) {
            mx = mx + sx;
            if (world.block_map[mx][my] != 0) {  // a face of constant x
                hit.hx = mx;
                if (sx < 0) hit.hx = hit.hx + 1;
                hit.hy = (hit.hx - viewer.pos_x) * ry / rx + viewer.pos_y;
                hit.u = texture_column(hit.hy);
                if (sx < 0) hit.u = 63 - hit.u;
                break;
            }
            t = t + abs_ry;
        } else {
            my = my + sy;
            if (world.block_map[mx][my] != 0) {  // a face of constant y
                hit.hy = my;
                if (sy < 0) hit.hy = hit.hy + 1;
                hit.hx = (hit.hy - viewer.pos_y) * rx / ry + viewer.pos_x;
                hit.u = texture_column(hit.hx);
                if (sy > 0) hit.u = 63 - hit.u;
                break;
            }
            t = t - abs_rx;
        }
    }
    hit.mx = mx;
    hit.my = my;
    return hit;
}

namespace {

constexpr double int32_low = -2147483648.0, int32_high = 2147483647.0;

// The wall span of a hit at distance dist > 0. A face closer than about
// 6e-8 units would put top or bottom outside 32 bits: the column is then
// all wall, rather than an overflowing conversion.
void project(double dist, double eye_offset, Span& span) {
    const double h = 128 / dist;
    const double top = std::trunc(120 - (eye_offset + 0.5) * h);
    if (!(top >= int32_low && top <= int32_high)) {
        span = {-1, rows, 64 / h};
        return;
    }
    const double bottom = std::trunc(top + h);
    if (!(bottom >= int32_low && bottom <= int32_high)) {
        span = {-1, rows, 64 / h};
        return;
    }
    span = {static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom), 64 / h};
}

void paint_column(int x, const Texture& texture, int u, const Span& span) {
    const int ceiling_end = std::min(span.top, rows - 1);
    int y = 0;
    for (; y <= ceiling_end; ++y) plot_block(x, y, ceiling_colour);
    const int wall_end = std::min(span.bottom - 1, rows - 1);
    for (; y <= wall_end; ++y) {
        int v = trunc_to_int((span.bottom - y) * span.tex_step - 1);
        // Only a face nearer than a texel's worth of rounding leaves 0..63
        // (tex_step 0 from an infinite h): clamp rather than read outside.
        v = std::clamp(v, 0, texture_size - 1);
        plot_block(x, y, texture[static_cast<std::size_t>(u)][static_cast<std::size_t>(v)]);
    }
    for (; y < rows; ++y) plot_block(x, y, floor_colour);
}

}  // namespace

void render_view(const World& world, const Viewer& viewer, Span& span) {
    const double a = viewer.view_angle;
    const double cos_a = std::cos(a), sin_a = std::sin(a);
    const double dX = sin_a * (-2) / 320;
    double rx = (cos_a + sin_a) + dX / 2;
    const double dY = cos_a * 2 / 320;
    double ry = (sin_a - cos_a) + dY / 2;
    for (int x = 0; x < columns; ++x) {
        const Hit hit = cast_ray(world, viewer, rx, ry);
        const double dist = (hit.hx - viewer.pos_x) * cos_a + (hit.hy - viewer.pos_y) * sin_a;
        rx = rx + dX;
        ry = ry + dY;
        // A hit at the viewer's position or behind keeps the previous span.
        if (dist > 0) project(dist, viewer.eye_offset, span);
        const std::uint8_t block = world.block_map[hit.mx][hit.my];
        paint_column(x, world.wall_textures[block], hit.u, span);
    }
}

}  // namespace blockcast
