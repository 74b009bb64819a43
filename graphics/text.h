// TrueType text drawn into the drawing page in the pen colour.
#pragma once

namespace graphics {

// Draws text whose character height is `height` pixels, aligned on (x, y)
// (horizontal 0 left, 1 centre, 2 right; vertical 0 top, 1 bottom, 2 middle).
// Returns false when nothing could be drawn (no font on the machine).
bool render_text(int x, int y, const char* text, int height, int horizontal, int vertical);

// Finds and opens the font now rather than at the first text drawn.
void load_font();

// Renders the glyphs of that character height now rather than at the first
// text drawn in it.
void prepare_text(int height);

}  // namespace graphics
