#include "graphics/script.h"

#include <cctype>
#include <charconv>
#include <sstream>

#include "graphics/window.h"

namespace graphics {

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool parse_long(const std::string& s, long& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc{} && p == end;
}

bool parse_mouse(const std::string& value, ScriptLine& line) {
    long v[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? value.find(',', start) : value.size();
        if (comma == std::string::npos) return false;
        if (!parse_long(value.substr(start, comma - start), v[i]) || v[i] < 0 || v[i] > 65535) {
            return false;
        }
        start = comma + 1;
    }
    line.moves_mouse = true;
    line.mouse_x = static_cast<int>(v[0]);
    line.mouse_y = static_cast<int>(v[1]);
    line.mouse_buttons = static_cast<int>(v[2]);
    return true;
}

bool parse_typed(const std::string& text, ScriptLine& line, std::string& problem) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') {
            line.typed.push_back(static_cast<unsigned char>(text[i]));
            continue;
        }
        const std::size_t close = text.find('>', i);
        if (close == std::string::npos) {
            problem = "unclosed '<' in type=";
            return false;
        }
        const std::string name = upper(text.substr(i + 1, close - i - 1));
        if (name == "UP" || name == "DOWN" || name == "LEFT" || name == "RIGHT") {
            line.typed.push_back(0);
            line.typed.push_back(name == "UP"     ? 72
                                 : name == "DOWN" ? 80
                                 : name == "LEFT" ? 75
                                                  : 77);
        } else if (name == "ESC") {
            line.typed.push_back(27);
        } else if (name == "SPACE") {
            line.typed.push_back(32);
        } else if (name == "ENTER") {
            line.typed.push_back(13);
        } else {
            problem = "unknown special key <" + text.substr(i + 1, close - i - 1) + ">";
            return false;
        }
        i = close;
    }
    return true;
}

}  // namespace

long Script::frames() const {
    long n = 0;
    for (const ScriptLine& line : lines) n += line.count;
    return n;
}

int key_code(const std::string& name) {
    const std::string n = upper(name);
    if (n == "UP") return vk::up;
    if (n == "DOWN") return vk::down;
    if (n == "LEFT") return vk::left;
    if (n == "RIGHT") return vk::right;
    if (n == "SPACE") return vk::space;
    if (n == "ESC") return vk::escape;
    if (n == "SHIFT") return vk::shift;
    if (n == "CTRL") return vk::ctrl;
    if (n.size() == 1 && (std::isupper(static_cast<unsigned char>(n[0])) ||
                          std::isdigit(static_cast<unsigned char>(n[0])))) {
        return n[0];
    }
    return -1;
}

std::optional<Script> parse_script(const std::string& text, std::string& error) {
    Script script;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::size_t hash = raw.find('#');
        std::istringstream words(raw.substr(0, hash));
        std::string word;
        if (!(words >> word)) continue;  // blank or comment only
        auto fail = [&](const std::string& problem) {
            error = "script line " + std::to_string(number) + ": " + problem;
            return std::nullopt;
        };
        ScriptLine line;
        if (!parse_long(word, line.count) || line.count < 1) {
            return fail("the frame count '" + word + "' is not a whole number of 1 or more");
        }
        while (words >> word) {
            std::string problem;
            if (word.rfind("mouse=", 0) == 0) {
                if (!parse_mouse(word.substr(6), line)) {
                    return fail("'" + word + "' is not mouse=X,Y,BUTTONS");
                }
            } else if (word.rfind("type=", 0) == 0) {
                if (!parse_typed(word.substr(5), line, problem)) return fail(problem);
            } else if (const int code = key_code(word); code >= 0) {
                line.held.push_back(code);
            } else {
                return fail("unknown key '" + word + "'");
            }
        }
        script.lines.push_back(std::move(line));
    }
    return script;
}

}  // namespace graphics
