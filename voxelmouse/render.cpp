// The voxel renderer at full resolution: one ray per pixel column marches
// over the height map, painting pixels from the lowest drawn row upward while
// its sample lies below the terrain surface. Nothing paints the sky: it keeps
// the cleared background.
#include <cmath>
#include <cstdint>

#include "graphics/window.h"
#include "voxelmouse/voxelmouse.h"

namespace voxelmouse {

namespace {

// Intended: trunc toward zero, then the low six bits of the two's-complement
// integer, so cell 0 covers -1 < X < 1, twice as wide as every other cell.
// The position is never wrapped, so a ray can lie anywhere: beyond 2^63 the
// conversion would be undefined, and every double that large is a multiple
// of 64, whose low six bits are 0.
int truncated_cell(double v) {
    constexpr double two_to_63 = 9223372036854775808.0;
    if (!(v > -two_to_63 && v < two_to_63)) return 0;
    return static_cast<int>(static_cast<std::int64_t>(v) & (map_size - 1));
}

// Intended: the lift applied when the ray moves up a row is row_drop, which
// lags one step behind the distance marched (0 at the first step).
void march_with_lagging_lift(const World& world, const Viewer& viewer, const FrameValues& f,
                             int column, double dir_x, double dir_y) {
    const double pixel_slope = f.pixel_slope;
    double ray_x = viewer.pos_x;
    double ray_y = viewer.pos_y;
    double ray_z = viewer.eye_level;
    double ray_slope = f.start_slope;
    int row = f.max_y - 1;  // the last pixel row is never painted
    double row_drop = 0;
    while (row_drop <= f.far_limit) {
        ray_x += dir_x;
        ray_y += dir_y;
        ray_z += ray_slope;
        const int cell_x = truncated_cell(ray_x);
        const int cell_y = truncated_cell(ray_y);
        const double level = world.height_map[cell_x][cell_y];
        const auto colour = static_cast<std::uint32_t>(world.colour_map[cell_x][cell_y]);
        while (ray_z > level) {  // the sample lies below the surface
            graphics::plot_pixel(column, row, colour);
            row -= 1;
            ray_slope -= pixel_slope;
            ray_z -= row_drop;
            // Rows above the top edge show nothing, so the column ends here.
            // This also ends the loop at the first step, where row_drop is
            // still 0 and would lift nothing: with the eye low and the view
            // steep, a first sample below a dome top would never rise.
            if (row < 0) return;
        }
        row_drop += pixel_slope;
    }
}

}  // namespace

void render_view(const World& world, const Viewer& viewer, const FrameValues& f) {
    const double c = std::cos(viewer.view_angle);
    const double s = std::sin(viewer.view_angle);
    // Column k advances by (c, s) + (1 - k * pixel_slope) (s, -c) per step:
    // the view is 90 degrees wide, its middle column looking along the heading.
    double dir_x = c + s;
    const double dir_x_step = -s * f.pixel_slope;
    double dir_y = s - c;
    const double dir_y_step = f.pixel_slope * c;
    for (int column = 0; column < f.max_x; ++column) {  // the last pixel column is never painted
        march_with_lagging_lift(world, viewer, f, column, dir_x, dir_y);
        dir_x += dir_x_step;
        dir_y += dir_y_step;
    }
}

}  // namespace voxelmouse
