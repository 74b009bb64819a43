// Pages, palette and drawing primitives in plain memory, and the parts of
// window.h that are the same on every backend.
#include "graphics/canvas.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdlib>

#include "graphics/backend.h"
#include "graphics/text.h"
#include "graphics/window.h"

namespace graphics {

Canvas canvas;
Input input;
FillRectObserver fill_rect_observer = nullptr;

namespace {

struct ModeSize {
    int width, height;
};

ModeSize mode_size(int mode) {
    switch (mode) {
        case 1:
            return {320, 200};
        case 2:
            return {640, 200};
        case 3:
            return {640, 350};
        case 5:
            return {720, 350};
        case 6:
            return {800, 600};
        case 7:
            return {1024, 768};
        case 8:
            return {1280, 1024};
        default:
            return {640, 480};
    }
}

// The generator's state before any seeding: every unseeded run draws the
// same sequence.
constexpr std::uint64_t unseeded_state = 0x2545F4914F6CDD1Dull;

// A text size below 6 is in units of 8 pixels; a larger one is the height itself.
int text_height(int size) {
    return size < 6 ? size * 8 : size;
}

int page_or_zero(int page) {
    return page >= 0 && page < page_count ? page : 0;
}

// The nearest palette entry to an RGB colour is looked up once per colour and
// palette: a direct-mapped cache keyed by the colour and stamped with the
// palette generation, so a palette change costs nothing until the next lookup.
struct NearestEntry {
    std::uint32_t key = 0xFFFFFFFFu;  // 0xRRGGBB, or never filled
    std::uint32_t generation = 0;
    std::uint8_t index = 0;
};
std::array<NearestEntry, 1 << 16> nearest_cache;

std::uint8_t nearest_entry(int r, int g, int b) {
    int best = 0;
    long best_distance = -1;
    for (int i = 0; i < 256; ++i) {
        const Rgb& p = canvas.palette[static_cast<std::size_t>(i)];
        const long dr = p.r - r, dg = p.g - g, db = p.b - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::uint32_t white() {
    return canvas.true_colour ? 0xFFFFFFu : rgb_colour(255, 255, 255);
}

// One pixel of a line, clipped.
inline void put(int x, int y, std::uint32_t c) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
    canvas.draw_pixels()[static_cast<std::size_t>(y) * canvas.width + x] = c;
}

// Visits the pixels of the line from (x1, y1) to (x2, y2) in order,
// Bresenham's way, both ends included.
template <typename Visit>
void walk_line(int x1, int y1, int x2, int y2, Visit visit) {
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx - dy;
    int x = x1, y = y1;
    for (;;) {
        const bool last = x == x2 && y == y2;
        visit(x, y, last);
        if (last) return;
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace

void Input::push_key(std::uint8_t code) {
    if (queue_count == key_queue_size) {  // full: the oldest goes
        queue_head = (queue_head + 1) % key_queue_size;
        --queue_count;
    }
    queue[static_cast<std::size_t>((queue_head + queue_count) % key_queue_size)] = code;
    ++queue_count;
}

int Input::pop_key() {
    if (queue_count == 0) return -1;
    const int code = queue[static_cast<std::size_t>(queue_head)];
    queue_head = (queue_head + 1) % key_queue_size;
    --queue_count;
    return code;
}

std::array<Rgb, 256> default_palette() {
    std::array<Rgb, 256> six{};  // 6-bit components first
    auto set = [&](int i, int r, int g, int b) {
        six[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(r),
                                            static_cast<std::uint8_t>(g),
                                            static_cast<std::uint8_t>(b)};
    };
    constexpr int classic[16][3] = {{0, 0, 0},    {0, 0, 42},   {0, 42, 0},   {0, 42, 42},
                                    {42, 0, 0},   {42, 0, 42},  {42, 21, 0},  {42, 42, 42},
                                    {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
                                    {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63}};
    for (int i = 0; i < 16; ++i) set(i, classic[i][0], classic[i][1], classic[i][2]);
    constexpr int greys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    for (int i = 0; i < 16; ++i) set(16 + i, greys[i], greys[i], greys[i]);
    constexpr int levels[9][5] = {{0, 16, 31, 47, 63}, {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
                                  {0, 7, 14, 21, 28},  {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                                  {0, 4, 8, 12, 16},   {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};
    // The 24 hues of a group as indices into (lo, a, b, c, hi).
    constexpr int hues[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                                 {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                 {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                                 {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    for (int g = 0; g < 9; ++g) {
        for (int h = 0; h < 24; ++h) {
            set(32 + 24 * g + h, levels[g][hues[h][0]], levels[g][hues[h][1]],
                levels[g][hues[h][2]]);
        }
    }
    std::array<Rgb, 256> palette{};
    for (std::size_t i = 0; i < 256; ++i) {
        palette[i] = {static_cast<std::uint8_t>(six[i].r * 4),
                      static_cast<std::uint8_t>(six[i].g * 4),
                      static_cast<std::uint8_t>(six[i].b * 4)};
    }
    palette[9] = {132, 132, 252};
    palette[65] = {252, 156, 252};
    for (std::size_t i = 232; i <= 246; ++i) palette[i] = palette[i + 1];  // last ramp shifted down
    for (std::size_t i = 247; i <= 255; ++i) palette[i] = {0, 0, 0};
    return palette;
}

void reset_canvas(int width, int height, bool true_colour, const char* title) {
    canvas.open = true;
    canvas.true_colour = true_colour;
    canvas.width = width;
    canvas.height = height;
    canvas.title = title != nullptr ? title : "";
    for (auto& page : canvas.pages) page.assign(static_cast<std::size_t>(width) * height, 0u);
    canvas.draw_page = canvas.show_page = 0;
    canvas.palette = default_palette();
    ++canvas.palette_generation;
    canvas.fill_pattern = 1;
    canvas.fill_colour = canvas.pen_colour = white();
    canvas.pen_style = 0;
    canvas.pen_width = 1;
    canvas.pen_x = canvas.pen_y = 0;
    canvas.text_font = 0;
    canvas.text_direction = 0;
    canvas.text_size = 1;
    canvas.text_h = canvas.text_v = 0;
    canvas.shown_dirty = true;
    input = Input{};
}

Rgb page_rgb(int page, int x, int y) {
    const std::uint32_t v =
        canvas
            .pages[static_cast<std::size_t>(page)][static_cast<std::size_t>(y) * canvas.width + x];
    if (canvas.true_colour) {
        return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
                static_cast<std::uint8_t>((v >> 16) & 0xFF)};
    }
    return canvas.palette[v & 0xFF];
}

void shown_to_argb(std::uint32_t* out) {
    const std::uint32_t* src = canvas.pages[static_cast<std::size_t>(canvas.show_page)].data();
    const std::size_t n = static_cast<std::size_t>(canvas.width) * canvas.height;
    if (canvas.true_colour) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t v = src[i];
            out[i] = 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
        }
        return;
    }
    std::array<std::uint32_t, 256> lut;
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgb& p = canvas.palette[i];
        lut[i] = 0xFF000000u | std::uint32_t{p.r} << 16 | std::uint32_t{p.g} << 8 | p.b;
    }
    for (std::size_t i = 0; i < n; ++i) out[i] = lut[src[i] & 0xFF];
}

// --- window.h: the operations every backend shares ---

void open_window(int driver, int mode, const char* title) {
    const ModeSize size = mode_size(mode);
    reset_canvas(size.width, size.height, driver == 9, title);
    seed_random(unseeded_state);  // a new window starts the sequence afresh
    load_font();
    backend::open(title, size.width, size.height);
}

void close_window() {
    backend::close();
    canvas.open = false;
}

void set_draw_page(int page) {
    canvas.draw_page = page_or_zero(page);
}

void set_show_page(int page) {
    canvas.show_page = page_or_zero(page);
    canvas.shown_dirty = false;
    backend::present();
}

void clear_page() {
    auto& page = canvas.pages[static_cast<std::size_t>(canvas.draw_page)];
    std::fill(page.begin(), page.end(), 0u);
    canvas.touch();
}

int max_x() {
    return canvas.width - 1;
}
int max_y() {
    return canvas.height - 1;
}

void plot_pixel(int x, int y, std::uint32_t colour) {
    put(x, y, canvas.reduce(colour));
    canvas.touch();
}

void set_fill(int pattern, std::uint32_t colour) {
    canvas.fill_pattern = pattern;
    canvas.fill_colour = canvas.reduce(colour);
}

void fill_rect(int x1, int y1, int x2, int y2) {
    if (canvas.fill_pattern == 9) return;  // no fill
    const std::uint32_t c = canvas.fill_pattern == 0 ? 0u : canvas.fill_colour;
    if (fill_rect_observer != nullptr) fill_rect_observer(x1, y1, x2, y2, c);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, canvas.width - 1);
    y2 = std::min(y2, canvas.height - 1);
    if (x1 > x2 || y1 > y2) return;
    std::uint32_t* row = canvas.draw_pixels() + static_cast<std::size_t>(y1) * canvas.width + x1;
    const int n = x2 - x1 + 1;
    for (int y = y1; y <= y2; ++y, row += canvas.width) std::fill_n(row, n, c);
    canvas.touch();
}

void set_pen_colour(std::uint32_t colour) {
    canvas.pen_colour = canvas.reduce(colour);
}

void set_pen_style(int style, int /*pattern*/, int width) {
    canvas.pen_style = style;
    canvas.pen_width = width;
}

void draw_line(int x1, int y1, int x2, int y2) {
    canvas.pen_x = x2;
    canvas.pen_y = y2;
    if (canvas.pen_style == 6) return;  // no pen
    const std::uint32_t c = canvas.pen_colour;
    if (canvas.pen_width <= 1) {
        if (x1 == x2 && x1 >= 0 && x1 < canvas.width) {  // vertical: one clipped run
            int top = std::max(std::min(y1, y2), 0),
                bottom = std::min(std::max(y1, y2), canvas.height - 1);
            if (top > bottom) return;  // wholly above or below: no pointer past the page
            std::uint32_t* p =
                canvas.draw_pixels() + static_cast<std::size_t>(top) * canvas.width + x1;
            for (int y = top; y <= bottom; ++y, p += canvas.width) *p = c;
        } else if (x1 != x2) {
            walk_line(x1, y1, x2, y2, [c](int x, int y, bool) { put(x, y, c); });
        }
    } else {
        // A thick line is three pixels across its major axis and stops short
        // of its end pixel.
        const bool mostly_horizontal = std::abs(x2 - x1) >= std::abs(y2 - y1);
        const int half = canvas.pen_width / 2;
        walk_line(x1, y1, x2, y2, [&](int x, int y, bool last) {
            if (last) return;
            for (int k = -half; k <= half; ++k) {
                if (mostly_horizontal) {
                    put(x, y + k, c);
                } else {
                    put(x + k, y, c);
                }
            }
        });
    }
    canvas.touch();
}

void move_pen(int x, int y) {
    canvas.pen_x = x;
    canvas.pen_y = y;
}

void line_to(int x, int y) {
    draw_line(canvas.pen_x, canvas.pen_y, x, y);
}

std::uint32_t rgb_colour(int r, int g, int b) {
    if (canvas.true_colour) {
        return static_cast<std::uint32_t>(r) + 256u * static_cast<std::uint32_t>(g) +
               65536u * static_cast<std::uint32_t>(b);
    }
    const std::uint32_t key = static_cast<std::uint32_t>(r & 0xFF) << 16 |
                              static_cast<std::uint32_t>(g & 0xFF) << 8 |
                              static_cast<std::uint32_t>(b & 0xFF);
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return nearest_entry(r, g, b);
    NearestEntry& slot = nearest_cache[(key ^ key >> 16) & 0xFFFF];
    if (slot.key != key || slot.generation != canvas.palette_generation) {
        slot = {key, canvas.palette_generation, nearest_entry(r, g, b)};
    }
    return slot.index;
}

void set_palette_entry(int i, int r, int g, int b) {
    if (i < 0 || i > 255) return;
    canvas.palette[static_cast<std::size_t>(i)] = {
        static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
    ++canvas.palette_generation;
    canvas.shown_dirty = true;  // every shown pixel of that entry changes
}

void set_text_style(int font, int direction, int size) {
    canvas.text_font = font;
    canvas.text_direction = direction;
    canvas.text_size = size;
    prepare_text(text_height(size));  // glyphs are made here, not while drawing
}

void set_text_align(int horizontal, int vertical) {
    canvas.text_h = horizontal;
    canvas.text_v = vertical;
}

void draw_text(int x, int y, const char* text) {
    if (render_text(x, y, text, text_height(canvas.text_size), canvas.text_h, canvas.text_v)) {
        canvas.touch();
    }
}

bool key_waiting() {
    return input.queue_count > 0;
}

int read_key() {
    while (input.queue_count == 0) backend::wait_for_key();
    return input.pop_key();
}

int mouse_x() {
    return input.mouse_x;
}
int mouse_y() {
    return input.mouse_y;
}
int mouse_buttons() {
    return input.mouse_buttons;
}

std::int16_t GetAsyncKeyState(int code) {
    if (code < 0 || code > 255) return 0;
    return input.held[static_cast<std::size_t>(code)] ? static_cast<std::int16_t>(-32768) : 0;
}

void pump_events() {
    backend::pump();
}

// --- the random generator: splitmix64, one stream per process ---

namespace {
std::uint64_t random_state = unseeded_state;
bool seed_fixed = false;
std::uint64_t fixed_seed = 0;
}  // namespace

void fix_random_seed(std::uint64_t seed) {
    seed_fixed = true;
    fixed_seed = seed;
}

void unfix_random_seed() {
    seed_fixed = false;
}

void seed_random(std::uint64_t seed) {
    random_state = seed;
}

void randomize() {
    if (seed_fixed) {
        random_state = fixed_seed;
        return;
    }
    random_state = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

int random_int(int n) {
    if (n <= 0) return 0;
    random_state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = random_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    // The high half of z * n is uniform in 0..n-1 up to a bias below 2^-32.
    return static_cast<int>((static_cast<unsigned __int128>(z) * static_cast<unsigned>(n)) >> 64);
}

}  // namespace graphics
