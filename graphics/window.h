// The graphics window: the only header the programs include.
//
// One window of a fixed client size and colour depth, four off-screen pages,
// drawing primitives, a palette, held keys, a queue of typed keys and the last
// mouse event. Every drawing call is synchronous: its effect is in the drawing
// page when it returns. The same code runs on two backends chosen at link
// time: a real SDL2 window (the programs' executables) and plain memory
// driven by a script (castrun and the tests).
#pragma once

#include <cstdint>

namespace graphics {

// Who calls what, and when.

// Start-up: opens the window and returns when it is shown. driver 3 = 256-colour
// palette mode, 9 = true colour (1 and 2 map to the palette mode); mode = client
// size: 1 = 320x200, 2 = 640x200, 3 = 640x350, 4 = 640x480, 5 = 720x350,
// 6 = 800x600, 7 = 1024x768, 8 = 1280x1024 (another value means 4).
// Afterwards: drawing page 0 = shown page 0, all pages black, default palette,
// pen and fill colour white, solid fill, solid pen of width 1.
void open_window(int driver, int mode, const char* title);
// End of the program: closes the window. The caller returns from its run().
void close_window();

// Page flip: pages 0..3, another value means 0. Showing a page presents it
// (paced to the display in a real window).
void set_draw_page(int page);
void set_show_page(int page);
// Fills the whole drawing page with the background colour (0, black).
void clear_page();

// Client width - 1 and client height - 1.
int max_x();
int max_y();

// A colour is a palette index in palette mode (a value above 255 selects
// entry value mod 256) and r + 256g + 65536b in true colour.

// One pixel; a pixel outside the window is ignored.
void plot_pixel(int x, int y, std::uint32_t colour);
// pattern 1 = solid in colour, 0 = solid background, 9 = none; the hatches
// 2..8 fill solid in colour.
void set_fill(int pattern, std::uint32_t colour);
// Both corners included; x1 > x2 or y1 > y2 draws nothing; clipped to the window.
void fill_rect(int x1, int y1, int x2, int y2);

// Colour of lines and text.
void set_pen_colour(std::uint32_t colour);
// style 0 = solid (the other styles draw solid, 6 = none draws nothing);
// width 1, or 3 for a thick line.
void set_pen_style(int style, int pattern, int width);
// A width-1 line includes both end pixels (a zero-length line is one pixel);
// a thick line does not add its end pixel. The current point moves to the end.
void draw_line(int x1, int y1, int x2, int y2);
void move_pen(int x, int y);
void line_to(int x, int y);

// True colour: r + 256g + 65536b. Palette mode: the entry of the current
// palette nearest in squared RGB distance, the lowest index on a tie.
std::uint32_t rgb_colour(int r, int g, int b);
// Replaces entry i (0..255) with 8-bit components; shown at once.
void set_palette_entry(int i, int r, int g, int b);

// Text in the pen colour. font 3 is a sans with Arial's metrics; a size below
// 6 is multiplied by 8 to give the character height in pixels (a larger size
// is the height itself). Alignment: h 0 left, 1 centre, 2 right of x;
// v 0 top edge, 1 bottom edge, 2 middle on y.
void set_text_style(int font, int direction, int size);
void set_text_align(int horizontal, int vertical);
void draw_text(int x, int y, const char* text);

// Typed keys: a queue of 31 bytes, the oldest dropped on overflow. A character
// key is queued as its code; a special key as 0 then its extended code
// (Up 72, Down 80, Left 75, Right 77). read_key waits while the queue is empty.
bool key_waiting();
int read_key();

// The last mouse event inside the client area, in client pixels; 0 until the
// first. Buttons: 1 left, 2 right, 4 middle, 8 Shift held, 16 Ctrl held.
int mouse_x();
int mouse_y();
int mouse_buttons();

// Virtual-key codes for the held-key test.
namespace vk {
constexpr int shift = 0x10, ctrl = 0x11, escape = 0x1B, space = 0x20;
constexpr int left = 0x25, up = 0x26, right = 0x27, down = 0x28;
}  // namespace vk

// Negative while the key with that virtual-key code is held (letters by their
// capital, digits by their character).
std::int16_t GetAsyncKeyState(int code);

// Frame boundary: every frame loop calls this exactly once per iteration, just
// before its first input read. The real window drains the system's events here
// (and presents drawing done on the shown page); the memory backend advances
// its script here, and ends a scripted run here.
void pump_events();

// The random generator, one per process. randomize() seeds it from the clock
// (castrun --seed fixes the seed instead); without it the sequence is the same
// on every run. random_int(n) draws uniformly from 0..n-1.
void randomize();
int random_int(int n);

}  // namespace graphics
