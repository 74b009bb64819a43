#include "harness.h"

#include <gtest/gtest.h>

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

}  // namespace harness
