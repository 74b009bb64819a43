// Scripts of input for the memory backend: what castrun reads and what the
// tests write. One line per run of frames:
//
//   COUNT TOKEN...      # a comment
//
// COUNT frames (1 or more) with the named keys held (Up Down Left Right Space
// Esc Shift Ctrl, A..Z, 0..9); mouse=X,Y,B moves the pointer at the line's
// first frame; type=TEXT queues typed keys there (<Up> <Down> <Left> <Right>
// queue the special keys, <Esc> 27, <Space> 32, <Enter> 13).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace graphics {

struct ScriptLine {
    long count = 1;
    std::vector<int> held;  // virtual-key codes
    bool moves_mouse = false;
    int mouse_x = 0, mouse_y = 0, mouse_buttons = 0;
    std::vector<unsigned char> typed;  // bytes for the typed-key queue
};

struct Script {
    std::vector<ScriptLine> lines;
    long frames() const;
};

// Parses a whole script. On a malformed line returns nothing and sets error
// to one line naming the line number and the problem.
std::optional<Script> parse_script(const std::string& text, std::string& error);

// The virtual-key code of a key name, or -1.
int key_code(const std::string& name);

}  // namespace graphics
