#include "common/common.h"

#include "graphics/window.h"

namespace common {

namespace {
// The window's coordinates are 16-bit: the value wraps as a 16-bit field does.
int to_int16(std::int32_t v) {
    return static_cast<std::int16_t>(v);
}
}  // namespace

void plot_block(std::int32_t x, std::int32_t y, std::uint8_t colour) {
    graphics::set_fill(1, colour);
    graphics::fill_rect(to_int16(2 * x), to_int16(2 * y), to_int16(2 * x + 2), to_int16(2 * y + 2));
}

void flip_pages(int& draw_page) {
    graphics::set_draw_page(draw_page);
    draw_page = 1 - draw_page;
    graphics::set_show_page(draw_page);
}

bool key_held(int code) {
    return graphics::GetAsyncKeyState(code) < 0;
}

int sign_of(double v) {
    if (v < 0) return -1;
    if (v > 0) return 1;
    return 0;
}

double max_real(double a, double b) {
    return a > b ? a : b;
}
double min_real(double a, double b) {
    return a < b ? a : b;
}

}  // namespace common
