// Font 3 is Liberation Sans (Arial's metrics), found through fontconfig and
// rasterised by FreeType. Glyphs are rendered once per height and kept, so
// drawing the same text every frame allocates nothing.
#include "graphics/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"

namespace graphics {

namespace {

struct Glyph {
    int left = 0, top = 0;  // bitmap offset from the pen on the baseline
    int width = 0, rows = 0;
    int advance = 0;  // pixels
    std::vector<std::uint8_t> coverage;
};

struct GlyphSet {
    int height = 0;
    int ascender = 0, descender = 0;  // pixels above and below the baseline
    std::array<Glyph, 256> glyphs;
};

struct Font {
    bool tried = false;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::vector<GlyphSet> sets;
};

Font font;

std::string find_font_file() {
    std::string path;
    if (!FcInit()) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            path = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    // Only the path is kept: releasing fontconfig here frees its own
    // configuration, which it would otherwise leak (LeakSanitizer fails any
    // test that draws text).
    FcFini();
    return path;
}

const GlyphSet* glyph_set(int height) {
    load_font();
    if (font.face == nullptr || height <= 0) return nullptr;
    for (const GlyphSet& set : font.sets) {
        if (set.height == height) return &set;
    }
    // The sets are reserved up front and never moved; past that many heights
    // text is skipped rather than invalidate the glyphs in use.
    if (font.sets.size() == font.sets.capacity()) return nullptr;
    if (FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(height)) != 0) return nullptr;
    GlyphSet set;
    set.height = height;
    set.ascender = static_cast<int>(font.face->size->metrics.ascender >> 6);
    set.descender = static_cast<int>(-(font.face->size->metrics.descender >> 6));
    for (unsigned c = 32; c < 256; ++c) {
        if (FT_Load_Char(font.face, c, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = font.face->glyph;
        Glyph& g = set.glyphs[c];
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(slot->bitmap.width);
        g.rows = static_cast<int>(slot->bitmap.rows);
        g.advance = static_cast<int>(slot->advance.x >> 6);
        g.coverage.resize(static_cast<std::size_t>(g.width) * g.rows);
        for (int r = 0; r < g.rows; ++r) {
            for (int i = 0; i < g.width; ++i) {
                g.coverage[static_cast<std::size_t>(r) * g.width + i] =
                    slot->bitmap.buffer[r * slot->bitmap.pitch + i];
            }
        }
    }
    font.sets.push_back(std::move(set));
    return &font.sets.back();
}

std::uint32_t blend(std::uint32_t under, std::uint32_t over, int alpha) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int u = static_cast<int>(under >> shift & 0xFF),
                  o = static_cast<int>(over >> shift & 0xFF);
        out |= static_cast<std::uint32_t>((o * alpha + u * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

}  // namespace

void load_font() {
    if (font.tried) return;
    font.tried = true;
    font.sets.reserve(16);  // glyph sets are never moved once made
    const std::string path = find_font_file();
    if (path.empty() || FT_Init_FreeType(&font.library) != 0) return;
    if (FT_New_Face(font.library, path.c_str(), 0, &font.face) != 0) font.face = nullptr;
}

bool render_text(int x, int y, const char* text, int height, int horizontal, int vertical) {
    const GlyphSet* set = glyph_set(height);
    if (set == nullptr || text == nullptr) return false;
    int width = 0;
    for (const char* p = text; *p != '\0'; ++p)
        width += set->glyphs[static_cast<std::uint8_t>(*p)].advance;
    int pen_x = horizontal == 1 ? x - width / 2 : horizontal == 2 ? x - width : x;
    const int baseline = vertical == 1   ? y - set->descender
                         : vertical == 2 ? y + (set->ascender - set->descender) / 2
                                         : y + set->ascender;
    const std::uint32_t colour = canvas.pen_colour;
    std::uint32_t* page = canvas.draw_pixels();
    for (const char* p = text; *p != '\0'; ++p) {
        const Glyph& g = set->glyphs[static_cast<std::uint8_t>(*p)];
        for (int r = 0; r < g.rows; ++r) {
            const int py = baseline - g.top + r;
            if (py < 0 || py >= canvas.height) continue;
            for (int i = 0; i < g.width; ++i) {
                const int px = pen_x + g.left + i;
                if (px < 0 || px >= canvas.width) continue;
                const int alpha = g.coverage[static_cast<std::size_t>(r) * g.width + i];
                std::uint32_t& pixel = page[static_cast<std::size_t>(py) * canvas.width + px];
                if (canvas.true_colour) {
                    if (alpha > 0) pixel = blend(pixel, colour, alpha);
                } else if (alpha >= 128) {  // no blending through a palette
                    pixel = colour;
                }
            }
        }
        pen_x += g.advance;
    }
    return true;
}

}  // namespace graphics
