#include "harness.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include <sstream>

#include "castrun.h"

namespace harness {

namespace {
graphics::Script current;  // the memory backend reads it while a run lasts
}

graphics::Script script(const std::string& text) {
    std::string error;
    auto parsed = graphics::parse_script(text, error);
    EXPECT_TRUE(parsed.has_value()) << error;
    return parsed ? *parsed : graphics::Script{};
}

bool run_program(int (*run)(), const std::string& script_text, long frames, std::uint64_t seed) {
    current = script(script_text);
    graphics::fix_random_seed(seed);
    graphics::memory::start_run(current, frames >= 0 ? frames : current.frames());
    try {
        run();
        return true;
    } catch (const graphics::memory::RunEnded&) {
        return false;
    }
}

void manual(std::uint64_t seed) {
    current = graphics::Script{};
    graphics::fix_random_seed(seed);
    graphics::memory::start_run(current, -1);
}

void drive(const std::string& script_text, std::uint64_t seed) {
    current = script(script_text);
    graphics::fix_random_seed(seed);
    graphics::memory::start_run(current, -1);
}

CommandResult castrun(const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = castrun::run_command(argv, out, err);
    return {status, out.str(), err.str()};
}

bool read_png(const std::string& path, Picture& picture) {
    picture = Picture{};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    picture.width = static_cast<int>(png_get_image_width(png, info));
    picture.height = static_cast<int>(png_get_image_height(png, info));
    picture.rgb8 =
        png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8;
    if (picture.rgb8) {
        std::vector<png_byte> row(png_get_rowbytes(png, info));
        for (int y = 0; y < picture.height; ++y) {
            png_read_row(png, row.data(), nullptr);
            for (int x = 0; x < picture.width; ++x) {
                const std::size_t i = static_cast<std::size_t>(x) * 3;
                picture.pixels.push_back({row[i], row[i + 1], row[i + 2]});
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return true;
}

}  // namespace harness
