// castrun as a command: its arguments, exit codes, frame counting and PNG.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "graphics/memory_backend.h"
#include "harness.h"

namespace {

namespace fs = std::filesystem;

fs::path temp_file(const std::string& name, const std::string& content = "") {
    const fs::path path = fs::temp_directory_path() / ("castrun-test-" + name);
    if (!content.empty()) std::ofstream(path) << content;
    return path;
}

TEST(Castrun, RejectsBadArgumentsWithOneLineAndStatusTwo) {
    const fs::path bad_script = temp_file("bad.script", "10 Up\n\n3 Up Sideways\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{}, "no program"},
        {{"nosuchprogram"}, "unknown program 'nosuchprogram'"},
        {{"blockcast", "--frames"}, "--frames needs N"},
        {{"blockcast", "--frames", "-1"}, "--frames takes"},
        {{"blockcast", "--frames", "ten"}, "--frames takes"},
        {{"blockcast", "--seed", "1x"}, "--seed takes"},
        {{"blockcast", "--fast"}, "unknown option '--fast'"},
        {{"blockcast", "vectorcast"}, "unexpected argument"},
        {{"blockcast", "--script", "/nonexistent/x.script"}, "cannot read script"},
        {{"blockcast", "--script", bad_script.string()}, "line 3: unknown key 'Sideways'"},
    };
    for (const Case& c : cases) {
        const harness::CommandResult r = harness::castrun(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(Castrun, HelpListsEveryOptionAndVersionPrintsOne) {
    const harness::CommandResult help = harness::castrun({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"--frames", "--script", "--seed", "--png", "--bench", "--help", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    EXPECT_NE(help.out.find("blockcast"), std::string::npos);
    const harness::CommandResult version = harness::castrun({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("castrun ", 0), 0u);
}

TEST(Castrun, CountsFramesAtPumpEvents) {
    // Without --frames a script runs its own length; the run ends at the next call.
    const fs::path script = temp_file("walk.script", "4 Up\n3 Left\n");
    EXPECT_EQ(harness::castrun({"blockcast", "--script", script.string(), "--seed", "3"}).status,
              0);
    EXPECT_EQ(graphics::memory::pump_count(), 8);
    EXPECT_EQ(harness::castrun({"blockcast", "--frames", "20", "--seed", "3"}).status, 0);
    EXPECT_EQ(graphics::memory::pump_count(), 21);
    EXPECT_EQ(harness::castrun({"blockcast", "--seed", "3"}).status, 0);
    EXPECT_EQ(graphics::memory::pump_count(), 2);
    EXPECT_FALSE(graphics::memory::window_closed());
}

TEST(Castrun, AProgramThatEndsByItselfEndsTheRun) {
    const fs::path script = temp_file("esc.script", "2\n1 Esc\n50\n");
    EXPECT_EQ(harness::castrun({"blockcast", "--script", script.string()}).status, 0);
    EXPECT_EQ(graphics::memory::pump_count(), 3);
    EXPECT_TRUE(graphics::memory::window_closed());
}

TEST(Castrun, BenchPrintsOneTimedemoLine) {
    const harness::CommandResult r =
        harness::castrun({"blockcast", "--frames", "5", "--bench", "--seed", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    for (const char* part :
         {"5 frames", "start-up excluded", "frames/s", "ms/frame mean", "99th percentile"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << r.out;
    }
}

// Reads a PNG back with libpng: its size and the colour of one pixel.
struct PngInfo {
    png_uint_32 width = 0, height = 0;
    int colour_type = -1, bit_depth = 0;
    std::array<png_byte, 3> pixel{};
};

PngInfo read_png(const fs::path& path, int px, int py) {
    PngInfo info;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return info;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pi = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, pi);
    info.width = png_get_image_width(png, pi);
    info.height = png_get_image_height(png, pi);
    info.colour_type = png_get_color_type(png, pi);
    info.bit_depth = png_get_bit_depth(png, pi);
    std::vector<png_byte> row(png_get_rowbytes(png, pi));
    for (int y = 0; y <= py; ++y) png_read_row(png, row.data(), nullptr);
    for (int c = 0; c < 3; ++c)
        info.pixel[static_cast<std::size_t>(c)] = row[static_cast<std::size_t>(px * 3 + c)];
    png_destroy_read_struct(&png, &pi, nullptr);
    std::fclose(f);
    return info;
}

TEST(Castrun, WritesTheShownPageAsAnRgbPng) {
    const fs::path png = temp_file("shot.png");
    fs::remove(png);
    ASSERT_EQ(harness::castrun({"blockcast", "--frames", "3", "--seed", "5", "--png", png.string()})
                  .status,
              0);
    const PngInfo info = read_png(png, 0, 0);
    EXPECT_EQ(info.width, 640u);
    EXPECT_EQ(info.height, 480u);
    EXPECT_EQ(info.colour_type, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(info.bit_depth, 8);
    // The top-left pixel of blockcast's view is ceiling, palette entry 191.
    EXPECT_EQ(info.pixel, (std::array<png_byte, 3>{0, 0, 252}));
    const harness::CommandResult r =
        harness::castrun({"blockcast", "--frames", "1", "--png", "/nonexistent/dir/x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(Castrun, TheSameSeedGivesTheSamePicture) {
    const fs::path a = temp_file("a.png"), b = temp_file("b.png"), c = temp_file("c.png");
    harness::castrun({"blockcast", "--frames", "2", "--seed", "9", "--png", a.string()});
    harness::castrun({"blockcast", "--frames", "2", "--seed", "9", "--png", b.string()});
    harness::castrun({"blockcast", "--frames", "2", "--seed", "10", "--png", c.string()});
    auto bytes = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(bytes(a), bytes(b));
    EXPECT_NE(bytes(a), bytes(c));
}

}  // namespace
