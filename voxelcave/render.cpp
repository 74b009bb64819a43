// The cave view: one ray per screen column walks the grid cell by cell. At
// each boundary it draws what is seen of the ceiling and floor of the cell it
// leaves, then the faces of the cell it enters, each as a vertical line that
// narrows the still-open middle of the column until the two edges meet.
#include <cmath>

#include "common/common.h"
#include "graphics/window.h"
#include "voxelcave/voxelcave.h"

namespace voxelcave {

namespace {

using common::max_real;
using common::min_real;

constexpr double min_direction = 0.000001;  // keeps 1 / |dir| finite
constexpr double never = 1e16;              // side distance of an axis the ray never crosses

int round_to_row(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// The open part of one column while its ray walks.
struct Column {
    int k = 0;               // screen column
    double scale = 0;        // focal / dist: rows per unit of level at this boundary
    double fog = 1;          // brightness of the cell the ray is in
    double span_top = 0;     // everything above is drawn
    double span_bottom = 0;  // everything below is drawn
};

// The visible parts of one ceiling and one floor at the current scale: the
// ceiling from the top edge down, the floor from the bottom edge up.
// Successive lines of a column share their end rows.
void draw_spans(const World& world, const Viewer& viewer, const FrameSetup& setup,
                const Surface& ceiling, const Surface& floor, Column& col) {
    double y = min_real((ceiling.level - viewer.eye_level) * col.scale + setup.half_height,
                        col.span_bottom);
    if (y > col.span_top) {
        graphics::set_pen_colour(shaded_colour(world, ceiling.shade, col.fog));
        graphics::draw_line(col.k, round_to_row(col.span_top), col.k, round_to_row(y));
        col.span_top = y;
    }
    y = max_real((floor.level - viewer.eye_level) * col.scale + setup.half_height, col.span_top);
    if (y < col.span_bottom) {
        graphics::set_pen_colour(shaded_colour(world, floor.shade, col.fog));
        graphics::draw_line(col.k, round_to_row(y), col.k, round_to_row(col.span_bottom));
        col.span_bottom = y;
    }
}

}  // namespace

FrameSetup frame_setup(const Viewer& viewer) {
    FrameSetup f;
    f.half_width = graphics::max_x() / 2.0;
    f.half_height = graphics::max_y() / 2.0;
    f.focal = f.half_width;
    const double c = std::cos(viewer.view_angle), s = std::sin(viewer.view_angle);
    f.dir_x = c + s;
    f.dir_y = s - c;
    f.dir_x_step = -s * (1 / f.half_width);
    f.dir_y_step = c * (1 / f.half_width);
    f.view_cell_x = cell_of(viewer.pos_x);
    f.view_cell_y = cell_of(viewer.pos_y);
    f.frac_x = viewer.pos_x - f.view_cell_x;
    f.frac_y = viewer.pos_y - f.view_cell_y;
    f.last_row = graphics::max_y() - 1;
    return f;
}

ColumnResult cast_column(const World& world, const Viewer& viewer, const FrameSetup& setup, int k,
                         double dir_x, double dir_y) {
    const double delta_x = 1 / max_real(std::fabs(dir_x), min_direction);
    const double delta_y = 1 / max_real(std::fabs(dir_y), min_direction);
    int step_x = 0, step_y = 0;
    double side_x = never, side_y = never;
    if (dir_x < 0) {
        step_x = -1;
        side_x = delta_x * setup.frac_x;
    } else if (dir_x > 0) {
        step_x = 1;
        side_x = (1 - setup.frac_x) * delta_x;
    }
    if (dir_y < 0) {
        step_y = -1;
        side_y = delta_y * setup.frac_y;
    } else if (dir_y > 0) {
        step_y = 1;
        side_y = (1 - setup.frac_y) * delta_y;
    }

    int map_x = setup.view_cell_x, map_y = setup.view_cell_y;
    double dist = 0;
    Surface cur_ceiling = ceiling_at(world, map_x, map_y);
    Surface cur_floor = floor_at(world, map_x, map_y);
    Column col;
    col.k = k;
    col.span_top = 0;
    col.span_bottom = setup.last_row;
    col.fog = 1;
    bool closed = false;
    ColumnResult result;

    while (dist < max_distance && !closed) {
        if (side_y > side_x) {  // a tie steps in y
            map_x += step_x;
            dist = side_x;
            side_x += delta_x;
            ++result.steps_x;
        } else {
            map_y += step_y;
            dist = side_y;
            side_y += delta_y;
            ++result.steps_y;
        }
        // A viewer standing exactly on a cell boundary crosses it at
        // distance 0, where focal / dist has no value: that step draws
        // nothing, and the ray goes on from the cell it entered.
        const bool on_boundary = dist == 0;
        if (!on_boundary) {
            col.scale = setup.focal / dist;
            draw_spans(world, viewer, setup, cur_ceiling, cur_floor, col);
            if (col.span_top >= col.span_bottom) {
                closed = true;
                break;
            }
        }
        cur_ceiling = ceiling_at(world, map_x, map_y);
        cur_floor = floor_at(world, map_x, map_y);
        col.fog = fog_at(dist);
        if (!on_boundary) {
            draw_spans(world, viewer, setup, cur_ceiling, cur_floor, col);
            if (col.span_top >= col.span_bottom) closed = true;
        }
    }

    result.dist = dist;
    result.span_top = col.span_top;
    result.span_bottom = col.span_bottom;
    result.closed = closed;
    return result;
}

void render_view(const World& world, const Viewer& viewer) {
    const FrameSetup setup = frame_setup(viewer);
    double dir_x = setup.dir_x, dir_y = setup.dir_y;
    // The last pixel column is never drawn.
    for (int k = 0; k < graphics::max_x(); ++k) {
        cast_column(world, viewer, setup, k, dir_x, dir_y);
        dir_x += setup.dir_x_step;
        dir_y += setup.dir_y_step;
    }
}

}  // namespace voxelcave
