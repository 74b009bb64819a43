// The headless backend: the window is the canvas alone, input comes from a
// script or from the test that drives the program, and nothing ever waits.
#pragma once

#include <chrono>
#include <vector>

#include "graphics/script.h"

namespace graphics::memory {

// Thrown out of pump_events when a scripted run has had its frames (and out of
// read_key when the queue is empty and no input can ever come). castrun and
// the tests catch it; the programs never see it.
struct RunEnded {};

// Starts a run: frames 1, 2, ... take their input from the script's lines, and
// the (frame_limit + 1)-th call of pump_events ends the run. A negative limit
// never ends it; an empty script leaves the input to the caller.
void start_run(const Script& script, long frame_limit);

// Calls of pump_events since start_run.
long pump_count();

// True once the program has called close_window.
bool window_closed();

// When set, pump_events records the time of each call here; the vector must
// be reserved for the whole run, since nothing is allocated while it runs.
void record_pump_times(std::vector<std::chrono::steady_clock::time_point>* times);

// Direct input for tests that call a program's pieces by hand.
void hold_key(int code, bool held);
void release_all_keys();
void type_bytes(const std::vector<unsigned char>& bytes);
void move_mouse(int x, int y, int buttons);

}  // namespace graphics::memory
