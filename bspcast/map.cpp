// The map reader: fills the map model once at start-up from "bigcastl.txt".
// It follows the file's token rules exactly and then guards the model, so
// that nothing after start-up can index outside a table or walk the tree
// without end, whatever the file holds.
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "bspcast/bspcast.h"

namespace bspcast {

namespace {

using map_file::ValueReader;

// Reads the values in file order, remembering which value a malformed token
// stood for, and the line of each node value for the guards' messages.
struct Reader {
    ValueReader in;
    const char* field = nullptr;  // the value that first met a malformed token
    int record = -1;              // its node (1-based) or wall (0-based), -1 in the header
    bool in_walls = false;

    std::int16_t integer(const char* name, int index, bool wall) {
        const std::int16_t v = in.read_integer();
        note(name, index, wall);
        return v;
    }
    double real(const char* name, int index, bool wall) {
        const double v = in.read_real();
        note(name, index, wall);
        return v;
    }
    void note(const char* name, int index, bool wall) {
        if (in.malformed() && field == nullptr) {
            field = name;
            record = index;
            in_walls = wall;
        }
    }
};

std::string where(const char* file_name, int line) {
    return std::string(file_name) + ":" + std::to_string(line) + ": ";
}

// Keeps the child links inside the tables and the tree a tree: a link to a
// node outside 1..wall_count (a read outside the node table), to a node that
// names no wall (a read outside the wall table) or to a node already reached
// (a walk that never ends) is cut to 0, in a fixed depth-first order from the
// root, so the renderer's recursion visits each node at most once.
void guard_tree(const char* file_name, Map& map,
                const std::array<std::array<int, 3>, max_walls + 1>& lines,
                std::vector<std::string>& messages) {
    const int n = map.wall_count;
    std::array<bool, max_walls + 1> wall_ok{}, visited{};
    for (int k = 1; k <= n; ++k) {
        BspNode& node = map.nodes[static_cast<std::size_t>(k)];
        wall_ok[static_cast<std::size_t>(k)] = node.wall_index >= 0 && node.wall_index < n;
        if (!wall_ok[static_cast<std::size_t>(k)]) {
            messages.push_back(where(file_name, lines[static_cast<std::size_t>(k)][0]) + "node " +
                               std::to_string(k) + " names wall " +
                               std::to_string(node.wall_index) + ", outside 0.." +
                               std::to_string(n - 1) + ": the node and its subtree are not drawn");
        }
        std::int16_t* children[2] = {&node.left_child, &node.right_child};
        for (int side = 0; side < 2; ++side) {
            std::int16_t& child = *children[side];
            if (child != 0 && (child < 1 || child > n)) {
                messages.push_back(where(file_name, lines[static_cast<std::size_t>(k)][1 + side]) +
                                   "node " + std::to_string(k) + " links to node " +
                                   std::to_string(child) + ", outside 1.." + std::to_string(n) +
                                   ": link ignored");
                child = 0;
            }
        }
    }
    if (!wall_ok[1]) {
        map.root = 0;
        return;
    }
    // Depth-first from the root, left before right; at most n nodes are
    // pushed, since each is pushed only when first reached.
    std::array<int, max_walls + 1> stack{};
    int top = 0;
    stack[static_cast<std::size_t>(top++)] = 1;
    visited[1] = true;
    while (top > 0) {
        const int k = stack[static_cast<std::size_t>(--top)];
        BspNode& node = map.nodes[static_cast<std::size_t>(k)];
        std::int16_t* children[2] = {&node.left_child, &node.right_child};
        for (int side = 0; side < 2; ++side) {
            std::int16_t& child = *children[side];
            if (child == 0) continue;
            const auto c = static_cast<std::size_t>(child);
            const int line = lines[static_cast<std::size_t>(k)][1 + side];
            if (visited[c]) {
                messages.push_back(where(file_name, line) + "node " + std::to_string(k) +
                                   " links to node " + std::to_string(child) +
                                   ", already in the tree: link ignored");
                child = 0;
            } else if (!wall_ok[c]) {
                child = 0;  // its own message says why
            } else {
                visited[c] = true;
                stack[static_cast<std::size_t>(top++)] = child;
            }
        }
    }
}

}  // namespace

void read_map(std::string_view text, const char* file_name, Map& map,
              std::vector<std::string>& messages) {
    map = Map{};
    Reader r{ValueReader(text)};
    const std::int16_t count = r.integer("wall_count", -1, false);
    const int count_line = r.in.line();
    map.pos_x = r.real("pos_x", -1, false);
    map.pos_y = r.real("pos_y", -1, false);
    map.view_angle = r.integer("view_angle", -1, false);

    // Records past the 100th would be stored outside the tables: they are
    // read, so that the walls still line up, and dropped.
    const int kept = count < 0 ? 0 : count > max_walls ? max_walls : count;
    if (count > max_walls) {
        messages.push_back(where(file_name, count_line) + "wall_count " + std::to_string(count) +
                           " is above " + std::to_string(max_walls) + ": only the first " +
                           std::to_string(max_walls) + " nodes and walls are kept");
    }
    map.wall_count = static_cast<std::int16_t>(kept);

    std::array<std::array<int, 3>, max_walls + 1> lines{};
    for (int k = 1; k <= count; ++k) {
        BspNode node;
        std::array<int, 3> at{};
        node.wall_index = r.integer("wall_index", k, false);
        at[0] = r.in.line();
        node.left_child = r.integer("left_child", k, false);
        at[1] = r.in.line();
        node.right_child = r.integer("right_child", k, false);
        at[2] = r.in.line();
        if (k <= kept) {
            map.nodes[static_cast<std::size_t>(k)] = node;
            lines[static_cast<std::size_t>(k)] = at;
        }
    }
    for (int k = 0; k < count; ++k) {
        Wall w;
        w.x1 = r.real("x1", k, true);
        w.y1 = r.real("y1", k, true);
        w.x2 = r.real("x2", k, true);
        w.y2 = r.real("y2", k, true);
        w.t_start = r.real("t_start", k, true);
        w.t_end = r.real("t_end", k, true);
        w.top1 = r.real("top1", k, true);
        w.bottom1 = r.real("bottom1", k, true);
        w.top2 = r.real("top2", k, true);
        w.bottom2 = r.real("bottom2", k, true);
        w.colour = r.integer("colour", k, true);
        if (k < kept) map.walls[static_cast<std::size_t>(k)] = w;
    }

    if (r.in.malformed()) {
        std::string what = r.field;
        if (r.record >= 0)
            what += std::string(r.in_walls ? " of wall " : " of node ") + std::to_string(r.record);
        // Insert first: the malformed token is the file's first problem.
        messages.insert(messages.begin(), where(file_name, r.in.bad_line()) + "malformed value '" +
                                              r.in.bad_token() + "' for " + what +
                                              ": it and every later value read as 0");
    }
    if (kept == 0) {
        map.root = 0;  // node 1 would name wall 0 of an empty table: nothing to draw
        return;
    }
    guard_tree(file_name, map, lines, messages);
}

void load_map(Map& map) {
    constexpr const char* file_name = "bigcastl.txt";
    std::ifstream file(file_name, std::ios::binary);
    if (!file) {  // a missing map is an empty world
        map = Map{};
        return;
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> messages;
    read_map(text, file_name, map, messages);
    for (const std::string& m : messages) std::fprintf(stderr, "%s\n", m.c_str());
}

}  // namespace bspcast
