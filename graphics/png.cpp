// The shown page as an 8-bit RGB PNG, through the current palette.
#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "graphics/canvas.h"

namespace graphics {

bool write_png(const std::string& path, std::string& error) {
    if (!canvas.open && canvas.width == 0) {
        error = "no window was opened";
        return false;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "libpng failed writing " + path;
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width),
                 static_cast<png_uint_32>(canvas.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(canvas.width) * 3);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Rgb c = shown_rgb(x, y);
            row[static_cast<std::size_t>(x) * 3] = c.r;
            row[static_cast<std::size_t>(x) * 3 + 1] = c.g;
            row[static_cast<std::size_t>(x) * 3 + 2] = c.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace graphics
