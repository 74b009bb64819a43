// The object renderer: one ray per column group, advanced in equal steps along
// the view direction; each step paints the column from the rows already
// painted up to the far edge of the surface it stands on, near to far, then a
// backdrop and the sky close the column. Colours darken with distance inside
// their 16-entry ramps.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>
#include <utility>

#include "graphics/window.h"
#include "objectcast/objectcast.h"

namespace objectcast {

namespace {

using std::numbers::pi;

// Darkens colour c by one entry per 8 steps of distance inside the ramp whose
// brightest entry is top; below the ramp's start it is black.
std::int32_t shade(std::int32_t c, std::int32_t top, std::int32_t step_count) {
    c = c - step_count / 8;
    if (c < top - 15) c = 0;
    return c;
}

// Entry c of the ramp palette as the window's nearest colour.
std::uint32_t window_colour(std::int32_t c) {
    assert(0 <= c && c <= 255);  // a shade below its ramp is 0, never negative
    const Rgb6& rgb = ramp_palette[static_cast<std::size_t>(c)];
    return graphics::rgb_colour(4 * rgb.red, 4 * rgb.green, 4 * rgb.blue);
}

// Blocks x1..x2 by y1..y2 in one window colour: the same pixels as putting
// each of them in turn, since a block's pixels are 2x..2x + 2 by 2y..2y + 2.
void fill_blocks(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                 std::uint32_t colour) {
    graphics::set_fill(1, colour);
    graphics::fill_rect(2 * x1, 2 * y1, 2 * x2 + 2, 2 * y2 + 2);
}

struct Rows {
    std::int32_t first = 0, last = 0;  // empty when first > last
};

// A span's rows in increasing order, kept inside rows 0..199.
Rows span_rows(std::int32_t y1, std::int32_t y2) {
    if (y2 < y1) std::swap(y1, y2);
    if (y1 < 0) y1 = 0;
    if (y2 >= view_rows) y2 = view_rows - 1;
    return {y1, y2};
}

}  // namespace

// Below 0 the ray's angle gains 1795 but above 1795 it loses 1796: the two
// corrections differ on purpose (intended), and both keep the index inside
// 0..1795 for offsets -159..160.
std::int32_t ray_angle(std::int32_t heading, std::int32_t offset) {
    std::int32_t a = heading + offset;
    if (a < 0) a += 1795;
    if (a > 1795) a -= 1796;
    return a;
}

void put_block(std::int32_t x, std::int32_t y, std::int32_t c) {
    fill_blocks(x, y, x, y, window_colour(c));
}

// Every block of a span, and of a box, has the same colour, so the order in
// which they are painted cannot show: each run of them is filled at once, one
// colour lookup and one fill instead of one per block, for the same picture.

void draw_span(std::int32_t x, std::int32_t y1, std::int32_t y2, std::int32_t c) {
    const Rows rows = span_rows(y1, y2);
    if (rows.first > rows.last) return;
    fill_blocks(x, rows.first, x, rows.last, window_colour(c));
}

// The end blocks of a box wider than one column are drawn for every column
// without clipping, so they can land on row -1, below the view or right of
// column 319: intended.
void draw_box(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t c) {
    if (x1 == x2) {
        draw_span(x1, y1, y2, c);
        return;
    }
    if (x2 < x1) std::swap(x1, x2);
    const std::uint32_t colour = window_colour(c);
    const Rows rows = span_rows(y1, y2);
    const std::int32_t first = std::max(x1, 0), last = std::min(x2, view_columns - 1);
    if (first <= last && rows.first <= rows.last) {
        fill_blocks(first, rows.first, last, rows.last, colour);
    }
    fill_blocks(x1, y1, x2, y1, colour);
    fill_blocks(x1, y2, x2, y2, colour);
}

void cast_column(const World& world, const Viewer& viewer, std::int32_t offset,
                 std::int32_t column) {
    const std::int32_t a = ray_angle(viewer.heading, offset);
    // Dividing by k makes every ray advance the same distance along the view
    // direction per step, so step_count is a perpendicular distance.
    const double k = std::cos(offset * pi / 900);
    const auto dx = static_cast<std::int32_t>(std::trunc(world.cos_table[a] / k));
    const auto dy = static_cast<std::int32_t>(std::trunc(world.sin_table[a] / k));
    const std::int32_t right = column + viewer.column_step - 1;
    const std::int32_t eye = viewer.eye_level;

    std::int32_t ray_x = viewer.pos_x, ray_y = viewer.pos_y;
    std::int32_t step_count = 1;
    std::int32_t clip_row = view_rows - viewer.horizon;
    bool first_step = true, end = false;
    // Both are set before they are read in every column: the first step's
    // near row is forced to clip_row, and a column fills only after a box.
    std::int32_t prev_height = 0, ramp_top = 0;
    std::int32_t t = 0;
    do {
        ray_x -= dx;
        ray_y -= dy;
        // The viewer stays in a cell inside the wall ring and a step is far
        // shorter than a cell, so the ray meets a wall before leaving the grid.
        const std::int32_t cell_a = ray_x / cell_units, cell_b = ray_y / cell_units;
        t = world.type_map[cell_a][cell_b];
        std::int32_t c = world.colour_map[cell_a][cell_b];
        step_count += 1;
        std::int32_t h = world.height_map[cell_a][cell_b];
        const std::int32_t fx = ray_x & fraction_mask, fy = ray_y & fraction_mask;
        const Surface surface = shape_cell(t, h, c, fx, fy, world.wave_phase);
        h = surface.height;
        c = surface.colour;
        if (t < 16) t = 0;  // only a wall ends the ray here

        std::int32_t near_row = (1024 - (10 * h + eye)) / step_count;
        std::int32_t far_row = (1024 - (10 * h + eye)) / (step_count + 1);
        // At a change of height the step reaches down to the previous height
        // at its near edge: the vertical face.
        if (h != prev_height) near_row = (1024 - (10 * prev_height + eye)) / step_count;
        if (near_row > clip_row) near_row = clip_row;
        if (first_step) {  // the first step reaches down to the bottom of the view
            first_step = false;
            if (near_row < clip_row) near_row = clip_row;
        }
        if (far_row > clip_row) far_row = clip_row;
        if (far_row < clip_row) {
            ramp_top = (c / 16) * 16 + 15;
            c = shade(c, ramp_top, step_count);
            draw_box(column, viewer.horizon + near_row, right, viewer.horizon + far_row + 1, c);
            clip_row = far_row;
        }
        // A drawn height of 0 is remembered as 1, so the next step's near edge
        // can start a row short of this far edge and leave a one-row seam:
        // intended.
        prev_height = h != 0 ? h : 1;
        if (viewer.horizon + clip_row < 0) {  // painted up to the top of the view
            t = ramp_top;
            end = true;
        } else if (step_count > viewer.ray_limit) {
            t = sky_colour;
            end = true;
        }
    } while (t == 0 && !end);

    const std::int32_t backdrop_row = (eye + 1024) / step_count;
    // A wall's type value is the brightest entry of its ramp.
    if (t != sky_colour) t = shade(t, t, step_count);
    if (99 - backdrop_row < clip_row + 100) {  // the backdrop's top lies above the painted part
        draw_box(column, -1, right, viewer.horizon - 1 - backdrop_row, sky_colour);
        draw_box(column, viewer.horizon - backdrop_row, right, viewer.horizon + clip_row, t);
    } else if (viewer.horizon + clip_row >= 0) {
        draw_box(column, 0, right, viewer.horizon + clip_row, sky_colour);
    }
}

void render_view(const World& world, const Viewer& viewer) {
    std::int32_t column = -viewer.column_step;
    for (std::int32_t offset = -159; offset <= 160; offset += viewer.column_step) {
        column += viewer.column_step;
        cast_column(world, viewer, offset, column);
    }
}

}  // namespace objectcast
