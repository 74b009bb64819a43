// The sector column renderer: one ray per big-pixel column, followed from the
// viewer's sector through portal after portal to a solid wall. Each column is
// painted from the bottom up, front to back: floor strips and risers under a
// clip row that keeps farther floors behind nearer ones, then the ceiling and
// a grey wall above the clip.
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/common.h"
#include "sectorcast/sectorcast.h"

namespace sectorcast {

namespace {

using common::plot_block;
using common::sign_of;

constexpr std::int32_t horizon = 100;       // screen row of the eye's level
constexpr std::int32_t clip_start = 20000;  // rows below the horizon: nothing painted yet
constexpr double far_distance = 2000;       // a sector's nearest wall is sought below this
constexpr std::int32_t ceiling_colour = 75;
constexpr int no_wall = -1;

std::int32_t floor_colour(std::int32_t s) {
    return 16 * s + 6;
}
std::int32_t riser_colour(std::int32_t n) {
    return 16 * n + 4;
}

// One of the greys 23..26 by the wall's slope. The slope of a wall between
// 32-bit endpoints is below 2^32 in size, so ten times it rounds into 64 bits.
std::int32_t wall_grey(double slope) {
    const auto rounded = static_cast<std::int64_t>(std::nearbyint(10 * slope));
    return static_cast<std::int32_t>(std::abs((rounded / 8) % 4)) + 23;
}

// trunc(height / distance): how many rows below the horizon (negative: above)
// a height difference lies at that distance. Nothing when the row, or the
// screen row 100 +- row made from it, would leave 32 bits: a distance below
// about 1.6e-6 units (an infinite quotient included) would otherwise
// overflow the conversion or the row arithmetic.
std::optional<std::int32_t> rows_from_horizon(double height, double distance) {
    constexpr double row_limit = 2147483647.0 - horizon;
    const double rows_down = std::trunc(height / distance);
    if (!(rows_down >= -row_limit && rows_down <= row_limit)) return std::nullopt;
    return static_cast<std::int32_t>(rows_down);
}

// The height the ceiling is drawn at above the eye: ceiling_height + 1023 - E.
// Intended: a plus where a minus might be expected; the ceiling is one flat
// plane at height 2000 + 2 * 1023 = 4046 wherever the viewer stands.
double ceiling_above_eye(const World& world, const Viewer& viewer) {
    return double(world.ceiling_height) + eye_above_floor - viewer.eye_floor;
}

// The ray of one column: its line y = t x + b and the signs of its direction.
struct Ray {
    int sx = 1, sy = 1;
    double t = 0, b = 0;
};

Ray column_ray(std::int32_t c, const Viewer& viewer) {
    Ray ray;
    if (c < 320) {
        ray.sx = 1, ray.sy = 1;
    } else if (c < 640) {
        ray.sx = -1, ray.sy = 1;
    } else if (c < 960) {
        ray.sx = -1, ray.sy = -1;
    } else {
        ray.sx = 1, ray.sy = -1;
    }
    ray.t = std::sin(c * angle_unit) / std::cos(c * angle_unit);
    ray.b = -ray.t * viewer.pos_x + viewer.pos_y;
    return ray;
}

// The heading's direction, for distances measured along it.
struct Heading {
    double cos_a = 1, sin_a = 0;
};

struct Nearest {
    double best = far_distance;  // distance along the heading
    int wall = no_wall;          // index into the sector's walls
    double slope = 0;            // of that wall
};

// The nearest wall of a sector that the ray meets ahead of the viewer beyond
// prev_dist; ties keep the earlier wall. The entry portal lies exactly at
// prev_dist and is passed over.
Nearest nearest_wall(const Sector& sector, const Ray& ray, const Viewer& viewer,
                     const Heading& heading, double prev_dist) {
    Nearest nearest;
    for (int j = 0; j < sector.wall_count; ++j) {
        Wall wall = sector.walls[j];
        // The endpoints in ascending x, as the move's swap leaves them in the
        // table; the world is only read here.
        if (wall.x1 > wall.x2) {
            std::swap(wall.x1, wall.x2);
            std::swap(wall.y1, wall.y2);
        }
        const double m = (double(wall.y2) - wall.y1) / (double(wall.x2) - wall.x1);
        const double w = -m * wall.x1 + wall.y1;
        const double ix = (ray.b - w) / (m - ray.t);
        const double iy = ix * m + w;
        if (sign_of(ix - viewer.pos_x) != ray.sx || sign_of(iy - viewer.pos_y) != ray.sy) continue;
        if (!(wall.x1 <= ix && ix <= wall.x2)) continue;
        const double d =
            std::fabs(heading.cos_a * (ix - viewer.pos_x) + heading.sin_a * (iy - viewer.pos_y));
        if (d < nearest.best && d > prev_dist) {
            nearest.best = d;
            nearest.wall = j;
            nearest.slope = m;
        }
    }
    return nearest;
}

// A strip of floor (or a riser) whose top edge lies `rows_down` below the
// horizon, painted only where the clip still allows; the clip then rises
// above it.
void paint_under_clip(std::int32_t x, std::int32_t rows_down, std::int32_t colour,
                      std::int32_t& clip) {
    if (rows_down <= clip) {
        draw_span(x, rows_down + horizon, clip + horizon, colour);
        clip = rows_down - 1;
    }
}

// What is left above the clip when a distance is too small to give a row:
// the viewer is all but touching the wall, which fills the rest of the column.
void paint_rest_as_wall(std::int32_t x, std::int32_t clip, double slope) {
    draw_span(x, 0, clip + horizon, wall_grey(slope));
}

void paint_column(std::int32_t x, const World& world, const Viewer& viewer,
                  const Heading& heading) {
    const Ray ray = column_ray(column_angle(x, viewer.view_angle), viewer);
    const double eye = double(viewer.eye_floor) + eye_above_floor;
    std::int32_t clip = clip_start;
    std::int32_t s = viewer.current_sector;
    double prev_dist = 0;
    // Each portal lies farther than the last (d > prev_dist), and with the
    // viewer inside its sector a ray passes each sector about once, far fewer
    // than 22 portals. A viewer left outside current_sector (a solid wall and
    // then a portal crossed in one move) or a table gone wrong must not walk
    // on without end: after 22 portals the next one stands as a solid wall.
    for (int crossed = 0;; ++crossed) {
        const Sector& sector = world.sectors[s];
        const Nearest nearest = nearest_wall(sector, ray, viewer, heading, prev_dist);
        const auto f = rows_from_horizon(eye - sector.floor_height, nearest.best);
        if (!f) {
            paint_rest_as_wall(x, clip, nearest.slope);
            return;
        }
        paint_under_clip(x, *f, floor_colour(s), clip);

        // No qualifying wall: the sector's far side is a solid wall at 2000.
        const std::int32_t n = nearest.wall == no_wall ? 0 : sector.walls[nearest.wall].next_sector;
        if (n != 0 && crossed < sector_count) {
            const auto riser = rows_from_horizon(eye - world.sectors[n].floor_height, nearest.best);
            if (!riser) {
                paint_rest_as_wall(x, clip, nearest.slope);
                return;
            }
            paint_under_clip(x, *riser, riser_colour(n), clip);
            s = n;
            prev_dist = nearest.best;
            continue;
        }

        const auto cz = rows_from_horizon(ceiling_above_eye(world, viewer), nearest.best);
        if (!cz) {
            paint_rest_as_wall(x, clip, nearest.slope);
            return;
        }
        if (horizon - *cz <= clip + horizon) {
            draw_span(x, 0, horizon - *cz, ceiling_colour);
            // The wall repaints the ceiling's last row.
            draw_span(x, horizon - *cz, clip + horizon, wall_grey(nearest.slope));
        } else {
            draw_span(x, 0, clip + horizon, ceiling_colour);  // the wall is hidden below the clip
        }
        return;
    }
}

}  // namespace

void draw_span(std::int32_t x, std::int32_t y_top, std::int32_t y_bottom, std::int32_t colour) {
    if (y_top < 0) y_top = 0;
    if (y_bottom > rows - 1) y_bottom = rows - 1;
    const auto low_bits = static_cast<std::uint8_t>(colour);  // only the low 8 bits
    for (std::int32_t y = y_top; y <= y_bottom; ++y) plot_block(x, y, low_bits);
}

// Intended: the wrap keeps 1280 (it is only moved off the axis below), and
// the nudge moves 0, 320, 640 and 960 up by one but 1280 down to 1279.
std::int32_t column_angle(int x, std::int32_t view_angle) {
    auto c = static_cast<std::int32_t>(
        std::trunc(std::atan((x - 159) / 159.0) / angle_unit + view_angle));
    if (c < 0) c = c + turn_units;
    if (c > turn_units) c = c - turn_units;
    // No ray runs along an axis: its line would have no finite slope.
    if (c == 0 || c == 320 || c == 640 || c == 960) c = c + 1;
    if (c == turn_units) c = turn_units - 1;
    return c;
}

void render_view(const World& world, const Viewer& viewer) {
    const double a = viewer.view_angle;
    const Heading heading{std::cos(a * angle_unit), std::sin(a * angle_unit)};
    for (std::int32_t x = 0; x < columns; ++x) paint_column(x, world, viewer, heading);
}

}  // namespace sectorcast
