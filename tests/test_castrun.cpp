// castrun as a command: its arguments, exit codes, frame counting and PNG.
#include <gtest/gtest.h>

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

TEST(Castrun, WritesTheShownPageAsAnRgbPng) {
    const fs::path png = temp_file("shot.png");
    fs::remove(png);
    ASSERT_EQ(harness::castrun({"blockcast", "--frames", "3", "--seed", "5", "--png", png.string()})
                  .status,
              0);
    harness::Picture picture;
    ASSERT_TRUE(harness::read_png(png.string(), picture));
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
    ASSERT_TRUE(picture.rgb8);
    // The top-left pixel of blockcast's view is ceiling, palette entry 191.
    EXPECT_EQ(picture.at(0, 0), (graphics::Rgb{0, 0, 252}));
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
