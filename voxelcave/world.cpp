// The cave: a colour ramp of three bell curves, and two surface maps carved
// out of solid rock by a dome and six straight tunnels.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "common/common.h"
#include "graphics/window.h"
#include "voxelcave/voxelcave.h"

namespace voxelcave {

namespace {

using common::max_real;
using common::min_real;

constexpr Surface rock{0, 0};

// Nearest integer, ties to even.
double round_half_even(double v) {
    return std::nearbyint(v);
}

// A colour component handed to the window as a 16-bit integer, as the
// window's colour call takes it.
std::int16_t to_int16(double whole) {
    return static_cast<std::int16_t>(static_cast<int>(whole));
}

double bell(double t, double peak) {
    const double d = t - peak;
    return 255 * std::exp(-8 * (d * d));
}

void build_ramp(World& world) {
    for (int k = 0; k < ramp_size; ++k) {
        const double t = k / 28.0;
        RampColour& c = world.colour_ramp[static_cast<std::size_t>(k)];
        c.red = bell(t, 0.6);
        c.green = bell(t, 0.4);
        c.blue = bell(t, 0.25);
    }
}

struct Tunnel {
    bool across_x;  // v is x and u is y (the tunnel runs along y)
    double centre;  // c: the line v = c
};

// Tunnels 1..6, in the order they are carved.
constexpr std::array<Tunnel, 6> tunnels{{
    {false, 32},  // along x through the hall
    {true, 32},   // along y through the hall
    {false, 5},   // along x, near y = 0
    {false, 59},  // along x, near y = 63
    {true, 5},    // along y, near x = 0
    {true, 59},   // along y, near x = 63
}};

double hollow_of(int x, int y) {
    double hollow = 0;
    const double dx = x - 32, dy = y - 32;
    const double d2 = dx * dx + dy * dy;
    if (d2 <= 100) hollow = std::sqrt(100 - d2);  // the hall, a dome of radius 10
    for (const Tunnel& tunnel : tunnels) {
        const double v = tunnel.across_x ? x : y;
        const double u = tunnel.across_x ? y : x;
        // Full width for u = 4..60, narrowing towards both ends; closed at
        // u = 0, still open at u = 63.
        const double d = max_real(std::fabs(v - tunnel.centre), 4 - min_real(64 - u, u));
        if (d < 4) hollow = max_real(hollow, std::sqrt(16 - d * d));
    }
    return hollow;
}

void carve(World& world) {
    for (int y = 0; y < map_size; ++y) {
        for (int x = 0; x < map_size; ++x) {
            const double hollow = hollow_of(x, y);
            Surface ceiling;
            ceiling.level = 0 - hollow;
            ceiling.shade = -2 * ceiling.level;  // -0 for rock: ramp entry 0
            Surface floor;
            floor.level = 0.25 * hollow;
            floor.shade = 2 * floor.level;
            world.ceiling_map[y][x] = ceiling;
            world.floor_map[y][x] = floor;
        }
    }
}

// A small stepped block on the smaller-x side of the start cell [32][32].
void set_start_floors(World& world) {
    struct Cell {
        int y, x;
        Surface floor;
    };
    constexpr std::array<Cell, 6> cells{{
        {32, 32, {2.4, 13}},
        {31, 32, {1.8, 17}},
        {33, 32, {1.8, 17}},
        {32, 31, {0.3, 20}},
        {33, 31, {1.0, 19}},
        {31, 31, {1.0, 19}},
    }};
    for (const Cell& c : cells) world.floor_map[c.y][c.x] = c.floor;
}

bool inside_grid(int x, int y) {
    return static_cast<unsigned>(x) < map_size && static_cast<unsigned>(y) < map_size;
}

}  // namespace

void build_world(World& world) {
    build_ramp(world);
    carve(world);
    set_start_floors(world);
}

Surface ceiling_at(const World& world, int x, int y) {
    // Rays and footprints leave the grid through the open tunnel ends on
    // row 63 and column 63: beyond them is rock, not memory past the table.
    return inside_grid(x, y) ? world.ceiling_map[y][x] : rock;
}

Surface floor_at(const World& world, int x, int y) {
    return inside_grid(x, y) ? world.floor_map[y][x] : rock;
}

int cell_of(double v) {
    const double cell = round_half_even(v - 0.5);
    // A coordinate far off the grid (or not a number) would overflow the
    // conversion to int; every such cell is rock anyway, like cell -1.
    if (!(cell >= -1 && cell <= map_size)) return -1;
    return static_cast<int>(cell);
}

double fog_at(double dist) {
    return std::exp(-dist * fog_rate);
}

std::uint32_t shaded_colour(const World& world, double shade, double fog) {
    double k = round_half_even(shade);
    // Every shade of the cave lies in 0..63; one outside would read past the
    // ramp, so it takes the nearest end instead.
    if (!(k >= 0)) k = 0;
    if (k > ramp_size - 1) k = ramp_size - 1;
    const RampColour& c = world.colour_ramp[static_cast<std::size_t>(k)];
    return graphics::rgb_colour(to_int16(round_half_even(fog * c.red)),
                                to_int16(round_half_even(fog * c.green)),
                                to_int16(round_half_even(fog * c.blue)));
}

}  // namespace voxelcave
