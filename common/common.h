// Routines the programs share in source.
#pragma once

#include <cstdint>

namespace common {

// One big pixel of the 320 x 240 logical screen: a solid fill in that palette
// colour, then fill_rect(2x, 2y, 2x + 2, 2y + 2). The rectangle includes both
// corners, so it covers 3 x 3 pixels; painting big pixels left to right and
// top to bottom leaves each one visible as its 2 x 2 square. The pixel
// coordinates are handed to the window as signed 16-bit values.
void plot_block(std::int32_t x, std::int32_t y, std::uint8_t colour);

// The page flip every program makes with the same three calls: the drawing
// page becomes draw_page, draw_page turns over to the other page, and that
// page is shown.
void flip_pages(int& draw_page);

// True while the key with that virtual-key code is held.
bool key_held(int code);

// -1, 0 or 1 by the sign of v (0 for a NaN).
int sign_of(double v);

// The larger (smaller) of two reals; on a tie, including +0 against -0, and
// whenever the comparison is false because of a NaN, the second argument.
double max_real(double a, double b);
double min_real(double a, double b);

}  // namespace common
