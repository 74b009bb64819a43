// Drives programs on the memory backend the way castrun does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/script.h"

namespace harness {

// Parses a script written in a test; a malformed one fails the test.
graphics::Script script(const std::string& text);

// Runs a program's run() with the script for that many frames (the
// script's own count when negative), with the generator seeded; returns true
// when the program ended by itself rather than by the frame limit.
bool run_program(int (*run)(), const std::string& script_text, long frames = -1,
                 std::uint64_t seed = 1);

// Prepares the memory backend for a test that calls a program's pieces by
// hand: no script, no frame limit, generator seeded.
void manual(std::uint64_t seed = 1);

// Prepares the memory backend for a test that calls a program's frame() by
// hand with the script's input applied at each pump_events (no frame limit).
void drive(const std::string& script_text, std::uint64_t seed = 1);

// castrun as a command, in process.
struct CommandResult {
    int status;
    std::string out, err;
};
CommandResult castrun(const std::vector<std::string>& args);

// A PNG read back: its size and format, and its pixels when it is 8-bit RGB
// (castrun's format). False when the file cannot be read.
struct Picture {
    int width = 0, height = 0;
    bool rgb8 = false;  // 8-bit RGB, as castrun writes
    std::vector<graphics::Rgb> pixels;
    graphics::Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
bool read_png(const std::string& path, Picture& picture);

// The pixel the window shows.
inline graphics::Rgb shown(int x, int y) {
    return graphics::shown_rgb(x, y);
}

}  // namespace harness
