// Each program's gallery script is a demo: run headless with seed 1, it must
// show exactly the committed picture docs/PROGRAM.png. A change that moves a
// pixel of any program fails here; to accept it on purpose, run
// docs/gallery.sh, which rewrites the pictures, and review them.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "castrun.h"
#include "graphics/canvas.h"
#include "harness.h"

namespace castrun {
// How GoogleTest names a program in its output.
void PrintTo(const Program& program, std::ostream* out) {
    *out << program.name;
}
}  // namespace castrun

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0;
    std::vector<graphics::Rgb> pixels;
};

// An 8-bit RGB PNG as written by castrun --png.
bool read_picture(const fs::path& path, Picture& picture) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    const bool rgb8 =
        png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8;
    picture.width = static_cast<int>(png_get_image_width(png, info));
    picture.height = static_cast<int>(png_get_image_height(png, info));
    if (rgb8) {
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
    return rgb8;
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Gallery : public ::testing::TestWithParam<castrun::Program> {};

TEST_P(Gallery, TheScriptStillShowsTheCommittedPicture) {
    const castrun::Program program = GetParam();
    const fs::path docs = fs::path(CAST_SOURCE_DIR) / "docs";
    const fs::path script = docs / (std::string(program.name) + ".script");
    const fs::path golden = docs / (std::string(program.name) + ".png");
    ASSERT_TRUE(fs::exists(script)) << script;
    Picture expected;
    ASSERT_TRUE(read_picture(golden, expected)) << golden;

    // bspcast reads its map from the working directory.
    const fs::path saved = fs::current_path();
    if (std::string(program.name) == "bspcast")
        fs::current_path(fs::path(CAST_SOURCE_DIR) / "bspcast");
    harness::run_program(program.run, read_text(script), -1, 1);
    fs::current_path(saved);

    ASSERT_EQ(graphics::canvas.width, expected.width);
    ASSERT_EQ(graphics::canvas.height, expected.height);
    long differing = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (!(graphics::shown_rgb(x, y) ==
                  expected.pixels[static_cast<std::size_t>(y) * expected.width + x])) {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0) << program.name << ": pixels differ from " << golden
                            << " (docs/gallery.sh rewrites the pictures on purpose)";
}

INSTANTIATE_TEST_SUITE_P(Programs, Gallery, ::testing::ValuesIn(castrun::programs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
