// A window that reports its input: each frame it prints the typed keys it
// reads, the held keys that change and the mouse when it changes, one line
// each, and it ends when Esc is typed. tests/window_input.sh drives it.
#include <array>
#include <cstdio>

#include "graphics/window.h"

int main() {
    graphics::open_window(3, 4, "WINDOW PROBE");
    graphics::set_fill(1, 4);
    graphics::fill_rect(0, 0, 639, 479);
    std::array<bool, 256> held{};
    int mouse_x = 0, mouse_y = 0, mouse_buttons = 0;
    for (bool ended = false; !ended;) {
        graphics::pump_events();
        while (graphics::key_waiting()) {
            const int key = graphics::read_key();
            std::printf("key %d\n", key);
            ended = ended || key == 27;
        }
        for (int code = 0; code < 256; ++code) {
            const bool now = graphics::GetAsyncKeyState(code) < 0;
            if (now != held[static_cast<std::size_t>(code)]) {
                std::printf("%s 0x%02X\n", now ? "down" : "up", code);
            }
            held[static_cast<std::size_t>(code)] = now;
        }
        if (graphics::mouse_x() != mouse_x || graphics::mouse_y() != mouse_y ||
            graphics::mouse_buttons() != mouse_buttons) {
            mouse_x = graphics::mouse_x();
            mouse_y = graphics::mouse_y();
            mouse_buttons = graphics::mouse_buttons();
            std::printf("mouse %d %d %d\n", mouse_x, mouse_y, mouse_buttons);
        }
        std::fflush(stdout);
        graphics::set_show_page(0);
    }
    graphics::close_window();
    return 0;
}
