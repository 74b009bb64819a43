// Plain as a null video driver: pages in memory, a script cursor, no waiting.
#include "graphics/memory_backend.h"

#include "graphics/backend.h"
#include "graphics/canvas.h"

namespace graphics {

namespace {

struct Run {
    const Script* script = nullptr;
    long frame_limit = -1;
    long pumps = 0;
    std::size_t line = 0;  // script line of the current frame
    long line_first = 1;   // frame number at which that line starts
    bool closed = false;
    std::vector<std::chrono::steady_clock::time_point>* times = nullptr;
};

Run run;
Script no_script;

// Applies the script's input for frame k (1-based).
void apply_frame(long k) {
    const Script& script = *run.script;
    while (run.line < script.lines.size() && k >= run.line_first + script.lines[run.line].count) {
        run.line_first += script.lines[run.line].count;
        ++run.line;
    }
    input.held.fill(false);
    if (run.line >= script.lines.size()) return;  // past the end: nothing held
    const ScriptLine& line = script.lines[run.line];
    for (int code : line.held) input.held[static_cast<std::size_t>(code)] = true;
    if (k != run.line_first) return;
    if (line.moves_mouse) {
        input.mouse_x = line.mouse_x;
        input.mouse_y = line.mouse_y;
        input.mouse_buttons = line.mouse_buttons;
    }
    for (unsigned char byte : line.typed) input.push_key(byte);
}

}  // namespace

namespace memory {

void start_run(const Script& script, long frame_limit) {
    run = Run{};
    run.script = &script;
    run.frame_limit = frame_limit;
    input = Input{};
}

long pump_count() {
    return run.pumps;
}
bool window_closed() {
    return run.closed;
}

void record_pump_times(std::vector<std::chrono::steady_clock::time_point>* times) {
    run.times = times;
}

void hold_key(int code, bool held) {
    if (code >= 0 && code < 256) input.held[static_cast<std::size_t>(code)] = held;
}
void release_all_keys() {
    input.held.fill(false);
}
void type_bytes(const std::vector<unsigned char>& bytes) {
    for (unsigned char byte : bytes) input.push_key(byte);
}
void move_mouse(int x, int y, int buttons) {
    input.mouse_x = x;
    input.mouse_y = y;
    input.mouse_buttons = buttons;
}

}  // namespace memory

namespace backend {

void open(const char*, int, int) {
    run.closed = false;
    if (run.script == nullptr) run.script = &no_script;
}

void close() {
    run.closed = true;
}

void present() {}

void pump() {
    ++run.pumps;
    if (run.times != nullptr && run.times->size() < run.times->capacity()) {
        run.times->push_back(std::chrono::steady_clock::now());
    }
    if (run.frame_limit >= 0 && run.pumps == run.frame_limit + 1) throw memory::RunEnded{};
    if (run.script != nullptr && !run.script->lines.empty()) apply_frame(run.pumps);
}

void wait_for_key() {
    throw memory::RunEnded{};
}

}  // namespace backend

}  // namespace graphics
