// The window's pages, palette, drawing state and input state, in plain memory.
// Both backends share it, so a pixel is drawn the same way in a real window,
// in a PNG and in a test. Programs never include this header; backends,
// castrun and the tests do.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace graphics {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr int page_count = 4;
constexpr int key_queue_size = 31;

struct Canvas {
    bool open = false;
    bool true_colour = false;
    int width = 0, height = 0;  // client size, pixels
    std::string title;

    // A page holds a palette index (palette mode) or 0xBBGGRR (true colour)
    // per pixel, row by row.
    std::array<std::vector<std::uint32_t>, page_count> pages;
    int draw_page = 0, show_page = 0;
    std::array<Rgb, 256> palette{};
    std::uint32_t palette_generation = 0;  // bumped by every palette change

    int fill_pattern = 1;
    std::uint32_t fill_colour = 0;  // already reduced to the mode's range
    std::uint32_t pen_colour = 0;
    int pen_style = 0, pen_width = 1;
    int pen_x = 0, pen_y = 0;
    int text_font = 0, text_direction = 0, text_size = 1;
    int text_h = 0, text_v = 0;

    // Set when the shown page changed (drawn on, or its palette changed) since
    // it was last presented.
    bool shown_dirty = false;

    std::uint32_t* draw_pixels() { return pages[draw_page].data(); }
    void touch() {
        if (draw_page == show_page) shown_dirty = true;
    }
    // Colour value as stored in a page.
    std::uint32_t reduce(std::uint32_t c) const { return true_colour ? c & 0xFFFFFFu : c & 0xFFu; }
};

struct Input {
    std::array<bool, 256> held{};
    std::array<std::uint8_t, key_queue_size> queue{};
    int queue_head = 0, queue_count = 0;
    int mouse_x = 0, mouse_y = 0, mouse_buttons = 0;

    void push_key(std::uint8_t code);
    void push_special(std::uint8_t extended) {
        push_key(0);
        push_key(extended);
    }
    int pop_key();  // -1 when empty
};

extern Canvas canvas;
extern Input input;

// When set, fill_rect hands every call's corners, as given, and the colour it
// fills with to this function before it draws: tests count and record big
// pixels through it. Null in every program run.
using FillRectObserver = void (*)(int x1, int y1, int x2, int y2, std::uint32_t colour);
extern FillRectObserver fill_rect_observer;

// The standard default palette of the 256-colour mode, with its exceptions.
std::array<Rgb, 256> default_palette();

// Resets canvas and input for a window of that size and depth.
void reset_canvas(int width, int height, bool true_colour, const char* title);

// The colour a pixel of a page shows, through the current palette.
Rgb page_rgb(int page, int x, int y);
inline Rgb shown_rgb(int x, int y) {
    return page_rgb(canvas.show_page, x, y);
}

// The shown page as 0xRRGGBB words, row by row (what a window shows).
void shown_to_argb(std::uint32_t* out);

// Writes the shown page as an 8-bit RGB PNG; false with a reason on failure.
bool write_png(const std::string& path, std::string& error);

// The seed randomize() uses instead of the clock; castrun and tests set it.
void fix_random_seed(std::uint64_t seed);
void unfix_random_seed();
void seed_random(std::uint64_t seed);

}  // namespace graphics
