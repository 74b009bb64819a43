// The voxel renderer: one ray per big-pixel column marches 129 steps over the
// height map, stacking big pixels from the bottom row upward while its sample
// lies below the terrain surface; what is left above is black sky.
#include <cmath>
#include <cstdint>

#include "common/common.h"
#include "voxelgrid/voxelgrid.h"

namespace voxelgrid {

namespace {

using common::plot_block;

// Change of ray direction from one column to the next and of ray slope from
// one row to the next.
constexpr double pixel_slope = 0.00625;
// A column's march ends once row_drop exceeds this.
constexpr double far_limit = pixel_slope * 2 * 64;
// Level gained per step by the ray of the bottom row 199.
constexpr double start_slope = pixel_slope * 3 * 200 / 4;

constexpr int bottom_row = rows - 1;
constexpr std::uint8_t sky_colour = 0;

// The number of steps a column takes, with row_drop summed in doubles.
constexpr int march_steps() {
    double row_drop = 0;
    int steps = 0;
    do {
        ++steps;
        row_drop += pixel_slope;
    } while (!(row_drop > far_limit));
    return steps;
}
static_assert(march_steps() == 129, "every column marches 129 steps");
// At the first step row_drop is still 0, so an inner loop there would lift
// nothing and never end; the fixed eye (level 40) keeps that first sample
// above the highest terrain.
static_assert(Viewer{}.eye_level + start_slope < dome_top_level);

// Intended: trunc toward zero, then the low six bits of the two's-complement
// integer, so cell 0 covers -1 < X < 1, twice as wide as every other cell.
// The position is kept in 0..63 and a ray goes at most 129 * 1.42 units, far
// inside int's range.
int truncated_cell(double v) {
    return static_cast<int>(v) & (map_size - 1);
}

// Intended: the lift applied when the ray moves up a row is row_drop, which
// lags one step behind the distance marched ((k - 1) * pixel_slope at the
// k-th step, 0 at the first). Returns the next row to paint.
int march_with_lagging_lift(const World& world, const Viewer& viewer, int column, double dir_x,
                            double dir_y) {
    double ray_x = viewer.pos_x;
    double ray_y = viewer.pos_y;
    double ray_z = viewer.eye_level;
    double ray_slope = start_slope;
    int row = bottom_row;
    double row_drop = 0;
    do {
        ray_x += dir_x;
        ray_y += dir_y;
        ray_z += ray_slope;
        const int cell_x = truncated_cell(ray_x);
        const int cell_y = truncated_cell(ray_y);
        const double level = world.height_map[cell_x][cell_y];
        const std::uint8_t colour = world.colour_map[cell_x][cell_y];
        while (ray_z > level) {  // the sample lies below the surface
            plot_block(column, row, colour);
            row -= 1;
            ray_z -= row_drop;
            ray_slope -= pixel_slope;
        }
        row_drop += pixel_slope;
    } while (!(row_drop > far_limit));
    return row;
}

void paint_sky(int column, int row) {
    for (; row >= 0; --row) plot_block(column, row, sky_colour);
}

}  // namespace

void render_view(const World& world, const Viewer& viewer) {
    const double a = viewer.view_angle;
    // Column c advances by (cos a, sin a) + (1 - c / 160) (sin a, -cos a) per
    // step: column 0 looks along a - 45 degrees, column 160 along a.
    double dir_x = std::sin(a) + std::cos(a);
    const double dir_x_step = -pixel_slope * std::sin(a);
    double dir_y = std::sin(a) - std::cos(a);
    const double dir_y_step = std::cos(a) * pixel_slope;
    for (int column = 0; column < columns; ++column) {
        const int row = march_with_lagging_lift(world, viewer, column, dir_x, dir_y);
        dir_x += dir_x_step;
        dir_y += dir_y_step;
        paint_sky(column, row);
    }
}

}  // namespace voxelgrid
