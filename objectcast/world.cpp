// The object world: grids, tables, the surface and standing rules of every
// cell type, and the moving objects.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "objectcast/objectcast.h"

namespace objectcast {

namespace {

using std::numbers::pi;

// T(v): the real v truncated toward zero. Every argument here is a product
// of a sine and at most 4096, far inside int32.
std::int32_t trunc_to_int(double v) {
    return static_cast<std::int32_t>(std::trunc(v));
}

// s(v): half a period of sine over 4096 units.
double s(std::int32_t v) {
    return std::sin(pi * v / 4096);
}

// T(size * s(v)), the shape of every bump, dip and wave.
std::int32_t wave(std::int32_t size, std::int32_t v) {
    return trunc_to_int(size * s(v));
}

constexpr RampPalette make_ramp_palette() {
    constexpr std::array<Rgb6, 16> classic = {{{0, 0, 0},
                                               {0, 0, 42},
                                               {0, 42, 0},
                                               {0, 42, 42},
                                               {42, 0, 0},
                                               {42, 0, 42},
                                               {42, 21, 0},
                                               {42, 42, 42},
                                               {21, 21, 21},
                                               {21, 21, 63},
                                               {21, 63, 21},
                                               {21, 63, 63},
                                               {63, 21, 21},
                                               {63, 21, 63},
                                               {63, 63, 21},
                                               {63, 63, 63}}};
    constexpr std::array<std::int32_t, 32> dark_greys = {4,  6,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                                         17, 18, 19, 20, 21, 22, 23, 24, 25, 27, 28,
                                                         30, 31, 33, 34, 36, 37, 39, 40, 42, 43};
    constexpr std::array<std::int32_t, 16> light_greys = {45, 46, 47, 48, 49, 50, 51, 52,
                                                          53, 54, 55, 56, 58, 60, 61, 63};
    RampPalette p{};
    for (int j = 0; j < 16; ++j) {
        const std::int32_t v = std::min(4 * (j + 1), 63), w = 2 * (j + 1);
        p[j] = classic[j];
        p[16 + j] = {0, 0, v};
        p[32 + j] = {0, v, 0};
        p[48 + j] = {0, v, v};
        p[64 + j] = {v, 0, 0};
        p[80 + j] = {v, 0, v};
        p[96 + j] = {v, w, 0};
        p[144 + j] = {w, w, v};
        p[160 + j] = {w, v, w};
        p[176 + j] = {w, v, v};
        p[192 + j] = {v, w, w};
        p[208 + j] = {v, w, v};
        p[224 + j] = {v, v, 0};
        p[240 + j] = {light_greys[j], light_greys[j], light_greys[j]};
    }
    for (int j = 0; j < 32; ++j) p[112 + j] = {dark_greys[j], dark_greys[j], dark_greys[j]};
    // Two entries one step short of their ramps' 40: intended.
    p[89] = {39, 0, 39};
    p[217] = {39, 20, 39};
    return p;
}

void fill_sine_tables(World& world) {
    for (int i = 0; i < angle_count; ++i) {
        world.sin_table[i] = trunc_to_int(4096 * std::sin(i * pi / 900)) / 10;
        world.cos_table[i] = trunc_to_int(4096 * std::cos(i * pi / 900)) / 10;
    }
}

void load_map(World& world) {
    for (int a = 1; a <= grid_size; ++a) {
        for (int b = 1; b <= grid_size; ++b) {
            world.type_map[a][b] = built_type_map[a - 1][b - 1];
            world.colour_map[a][b] = built_colour_map[a - 1][b - 1];
            world.height_map[a][b] = built_height_map[a - 1][b - 1];
        }
    }
}

// An object at (a, b), which lies in rows and columns 2..29 of the built-in
// map, so its neighbourhood is inside the grid.
MovingObject make_object(const World& world, std::int32_t a, std::int32_t b) {
    MovingObject object;
    object.cell_x = a;
    object.cell_y = b;
    object.base = world.height_map[a][b];
    object.low = object.base;
    object.high = object.base;
    for (int i = -1; i <= 1; ++i) {
        for (int j = -1; j <= 1; ++j) {
            object.low = std::min(object.low, world.height_map[a + i][b + j]);
            object.high = std::max(object.high, world.height_map[a + i][b + j]);
        }
    }
    object.offset = 0;
    return object;
}

struct Cell {
    std::int32_t a = 0, b = 0;
};

// Turns the markers into plain floor, in the order b outer, a inner: the last
// start marker in that order wins, and the objects are numbered in it.
Cell scan_markers(World& world) {
    world.object_table.fill(MovingObject{});
    int next = 1;
    Cell start;
    for (int b = 1; b <= grid_size; ++b) {
        for (int a = 1; a <= grid_size; ++a) {
            if (world.type_map[a][b] == -1) {
                world.type_map[a][b] = 0;
                start = {a, b};
            }
            // The built-in map holds 13 markers; a map with more than 50
            // would have no records for them, so the extra ones stay floor.
            if (world.type_map[a][b] == -2) {
                world.type_map[a][b] = 0;
                if (next <= max_objects) world.object_table[next++] = make_object(world, a, b);
            }
        }
    }
    world.object_count = next - 1;
    for (int k = 1; k <= world.object_count; ++k) world.object_table[k].speed = 5;
    return start;
}

void set_start_state(World& world, Viewer& viewer, Cell start) {
    viewer = Viewer{};
    viewer.pos_x = start.a * cell_units;
    viewer.pos_y = start.b * cell_units;
    viewer.prev_x = viewer.pos_x;
    viewer.prev_y = viewer.pos_y;
    viewer.heading = 450;
    viewer.eye_level = -24 * world.height_map[start.a][start.b];
    viewer.fall_speed = 100;
    viewer.airborne = false;
    viewer.horizon = 100;
    viewer.column_step = 2;
    viewer.ray_limit = 200;
    viewer.ground_level = 0;
    viewer.ground_type = 0;
    world.wave_phase = 0;
}

// The raised slab's two mirrored halves: the first matching line applies.
Surface slab_first_half(std::int32_t h, std::int32_t fx, std::int32_t fy) {
    if (fy < 500) return {h + 60, 110};
    if (fx < 500 || fx > 3500) return {h + 60, 110};
    if (500 < fx && fx < 1000 && 500 < fy && fy < 1000) return {h + 50, 0};
    if (3000 < fx && fx < 3500 && 500 < fy && fy < 1000) return {h + 50, 0};
    if (500 < fx && fx < 800 && fy > 3750) return {h + 50, 0};
    if (3000 < fx && fx < 3500 && fy > 3750) return {h + 50, 0};
    return {h + 50, 45};
}

Surface slab_second_half(std::int32_t h, std::int32_t fx, std::int32_t fy) {
    if (fy > 3500) return {h + 60, 110};
    if (fx < 500 || fx > 3500) return {h + 60, 110};
    if (500 < fx && fx < 1000 && fy < 250) return {h + 50, 0};
    if (3000 < fx && fx < 3500 && fy < 250) return {h + 50, 0};
    if (500 < fx && fx < 800 && 3000 < fy && fy < 3500) return {h + 50, 0};
    if (3000 < fx && fx < 3500 && 3000 < fy && fy < 3500) return {h + 50, 0};
    return {h + 50, 45};
}

}  // namespace

const RampPalette ramp_palette = make_ramp_palette();

void build_world(World& world, Viewer& viewer) {
    fill_sine_tables(world);
    load_map(world);
    const Cell start = scan_markers(world);
    set_start_state(world, viewer, start);
}

Surface shape_cell(std::int32_t t, std::int32_t h, std::int32_t c, std::int32_t fx, std::int32_t fy,
                   std::int32_t phase) {
    // A tower (height 901) has a low corner block and its own colour on the
    // rest, whatever its type.
    if (h == 901) {
        if (fy >= 3500 && fx >= 3500) h = 401;
        if (fy < 3500) c = 31;
    }
    if (t >= 16) return {h, c};
    const std::int32_t wave_x = (fx + phase) & 8191, wave_y = (fy + phase) & 8191;
    const std::int32_t bump_x = (fx + phase) & 4095, bump_y = (fy + phase) & 4095;
    switch (t) {
        case 1:
            if (1000 < fx && fx < 3000 && 1500 < fy && fy < 3000) {
                h += 50;
                c = 124;
            } else if (1000 < fx && fx < 3000 && 1000 < fy && fy < 1500) {
                h += 100;
                c = 127;
            }
            break;
        case 2:
            if (fy < 1000) {
                h += 300;
                c = 124;
            }
            break;
        case 3:
            if (fy < 1000) {
                h += 300;
                c = 127;
            }
            break;
        case 4:
            if (fy > 3500) {
                h += 100;
                c = 124;
            }
            break;
        case 5:
            return slab_first_half(h, fx, fy);
        case 6:
            return slab_second_half(h, fx, fy);
        case 7:
            h += wave(50, fx);
            break;
        case -7:
            h -= wave(50, fx);
            break;
        case 8:
            h += wave(50, fy);
            break;
        case -8:
            h -= wave(50, fy);
            break;
        case 9:
            h += wave(50, wave_x);
            break;
        case -9:
            h -= wave(50, wave_x);
            break;
        case 10:
            h += wave(50, wave_y);
            break;
        case -10:
            h -= wave(50, wave_y);
            break;
        case 11:
            h += fx / 50;
            break;
        case 12:
            h += fy / 50;
            break;
        case 13:
            h += (4096 - fx) / 50;
            break;
        case 14:
            h += (4096 - fy) / 50;
            break;
        case -11:
            h += fx / 20;
            break;
        case -12:
            h += fy / 20;
            break;
        case -13:
            h += (4096 - fx) / 20;
            break;
        case -14:
            h += (4096 - fy) / 20;
            break;
        case -30:
            if (1800 < fy && fy < 2500) c = 111;
            break;
        case -31:
            if (1800 < fx && fx < 2500) c = 111;
            break;
        case -32:
            h += wave(50, bump_y);
            h += wave(50, bump_x);
            c -= wave(4, bump_x);
            break;
        case -33:
            h -= wave(50, bump_y);
            h -= wave(50, bump_x);
            c -= wave(4, bump_x);
            break;
        case -34:
            h += wave(90, bump_y);
            h -= wave(150, fx);
            c -= wave(4, bump_x);
            break;
        case -41:
            h += fx / 20;
            h += fy / 20;
            break;
        case -42:
            h += (4096 - fx) / 20;
            h += fy / 20;
            break;
        case -43:
            h += (4096 - fy) / 20;
            h += fx / 20;
            break;
        case -44:
            h += (4096 - fx) / 20;
            h += (4096 - fy) / 20;
            break;
        default:
            break;  // plain floor, and types with no shape
    }
    return {h, c};
}

// Its own rule, not the drawn surface: in the water, on the double waves and
// on the pyramid the viewer stands at other levels than the surface shows.
std::int32_t standing_level(std::int32_t t, std::int32_t H, std::int32_t fx, std::int32_t fy,
                            std::int32_t phase) {
    const std::int32_t wave_x = (fx + phase) & 8191, wave_y = (fy + phase) & 8191;
    const std::int32_t bump_x = (fx + phase) & 4095, bump_y = (fy + phase) & 4095;
    switch (t) {
        case 7:
            return -10 * H - wave(500, fx) - 500;
        case -7:
            return -10 * H + wave(500, fx) - 500;
        case 8:
            return -10 * H - wave(500, fy) - 500;
        case -8:
            return -10 * H + wave(500, fy) - 500;
        case 9:
            return -10 * H - wave(500, wave_x) - 500;
        case -9:
            return -10 * H + wave(500, wave_x) - 500;
        case 10:
            return -10 * H - wave(500, wave_y) - 500;
        case -10:
            return -10 * H + wave(500, wave_y) - 500;
        case 11:
            return -10 * H - 10 * (fx / 50) - 500;
        case 12:
            return -10 * H - 10 * (fy / 50) - 500;
        case 13:
            return -10 * H - 10 * ((4096 - fx) / 50) - 500;
        case 14:
            return -10 * H - 10 * ((4096 - fy) / 50) - 500;
        case -11:
            return -10 * H - 10 * (fx / 20) - 500;
        case -12:
            return -10 * H - 10 * (fy / 20) - 500;
        case -13:
            return -10 * H - 10 * ((4096 - fx) / 20) - 500;
        case -14:
            return -10 * H - 10 * ((4096 - fy) / 20) - 500;
        case -32:
            return -10 * H + wave(500, bump_y) - wave(500, bump_x) - 500;
        // The water: 150 height units under its plain level, swung by the waves.
        case -33:
            return -10 * H + wave(1000, bump_y) - wave(1000, bump_x) + 1000;
        case -34:
            return -10 * H + wave(900, bump_y) - wave(1500, fx) - 500;
        case -41:
            return -10 * H + 10 * (fx - fy) - 500;
        case -42:
            return -10 * H + 10 * ((4096 - fx) - fy) - 500;
        case -43:
            return -10 * H + 10 * (fx - (4096 - fy)) - 500;
        case -44:
            return -10 * H + 10 * ((4096 - fx) - (4096 - fy)) - 500;
        default:
            return -10 * H - 500;
    }
}

bool is_solid(std::int32_t t) {
    return t > 15 || t < -128;
}

// The end tests are two separate ifs, both made after the step, so an object
// whose low equals its high flips twice on the frame it stands at that height
// and carries on through it: intended.
void update_objects(World& world) {
    for (int k = 1; k <= world.object_count; ++k) {
        MovingObject& o = world.object_table[k];
        o.offset += o.speed;
        if (o.offset + o.base >= o.high) o.speed = -o.speed;
        if (o.offset + o.base <= o.low) o.speed = -o.speed;
        world.height_map[o.cell_x][o.cell_y] = o.offset + o.base;
    }
}

}  // namespace objectcast
