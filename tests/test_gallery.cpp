// Each program's gallery script is a demo: run headless with seed 1, it must
// show exactly the committed picture docs/PROGRAM.png. A change that moves a
// pixel of any program fails here; to accept it on purpose, run
// docs/gallery.sh, which rewrites the pictures, and review them.
#include <gtest/gtest.h>

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
    harness::Picture expected;
    ASSERT_TRUE(harness::read_png(golden.string(), expected)) << golden;
    ASSERT_TRUE(expected.rgb8) << golden;

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
