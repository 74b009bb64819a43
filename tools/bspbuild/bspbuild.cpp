#include "bspbuild.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <sstream>

namespace bspbuild {

namespace {

using bspcast::map_file::max_walls;
using bspcast::map_file::ValueReader;

// Points closer to a line than this (map units) count as on it: the ends of
// a cut piece and the shared corners of walls that meet.
constexpr double on_line = 1e-6;

// A split costs this many nodes of imbalance when choosing a partition.
constexpr int split_cost = 4;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <typename T>
bool number(std::string_view s, T& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    if constexpr (std::is_floating_point_v<T>) {
        if (ec == std::errc{} && !std::isfinite(out)) return false;
    }
    return ec == std::errc{} && p == end;
}

std::string format(double v) {
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    (void)ec;  // 32 characters hold any double
    return std::string(buffer.data(), end);
}

// The drawn part of a wall: its points at t_start and t_end.
struct Piece {
    int source;     // index into the wall list
    double t0, t1;  // the part of the segment it covers
};

double point_x(const WallRecord& w, double t) {
    return w.x1 + t * (w.x2 - w.x1);
}
double point_y(const WallRecord& w, double t) {
    return w.y1 + t * (w.y2 - w.y1);
}

// Signed distance of a point from the wall's line, > 0 on its left.
double distance(const WallRecord& w, double px, double py) {
    const double length = std::hypot(w.x2 - w.x1, w.y2 - w.y1);
    return side_of(w, px, py) / length;
}

enum class Side { left, right, both };

struct Placement {
    Side side;
    double cut = 0;  // where a piece on both sides is cut, on its own segment
};

Placement place(const WallRecord& partition, const WallRecord& segment, const Piece& p) {
    const double da = distance(partition, point_x(segment, p.t0), point_y(segment, p.t0));
    const double db = distance(partition, point_x(segment, p.t1), point_y(segment, p.t1));
    if (std::fabs(da) <= on_line && std::fabs(db) <= on_line) return {Side::right};  // on the line
    if (da >= -on_line && db >= -on_line) return {Side::left};
    if (da <= on_line && db <= on_line) return {Side::right};
    const double s0 = distance(partition, segment.x1, segment.y1);
    const double s1 = distance(partition, segment.x2, segment.y2);
    return {Side::both, s0 / (s0 - s1)};
}

struct Builder {
    const WallList& list;
    BuiltMap& out;

    // Builds the subtree of these pieces; returns its node number (1-based).
    int node(const std::vector<Piece>& pieces, int level) {
        out.depth = std::max(out.depth, level);
        std::size_t best = 0;
        long best_score = -1;
        for (std::size_t c = 0; c < pieces.size(); ++c) {
            const WallRecord& partition = list.walls[static_cast<std::size_t>(pieces[c].source)];
            int left = 0, right = 0, splits = 0;
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                if (i == c) continue;
                const Placement at = place(
                    partition, list.walls[static_cast<std::size_t>(pieces[i].source)], pieces[i]);
                if (at.side == Side::left) ++left;
                if (at.side == Side::right) ++right;
                if (at.side == Side::both) ++splits, ++left, ++right;
            }
            const long score = static_cast<long>(splits) * split_cost + std::abs(left - right);
            if (best_score < 0 || score < best_score) {
                best_score = score;
                best = c;
            }
        }
        const Piece chosen = pieces[best];
        const WallRecord& partition = list.walls[static_cast<std::size_t>(chosen.source)];
        std::vector<Piece> left, right;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i == best) continue;
            const Piece& p = pieces[i];
            const Placement at =
                place(partition, list.walls[static_cast<std::size_t>(p.source)], p);
            if (at.side == Side::left) left.push_back(p);
            if (at.side == Side::right) right.push_back(p);
            if (at.side == Side::both) {
                ++out.splits;
                const WallRecord& segment = list.walls[static_cast<std::size_t>(p.source)];
                const Piece a{p.source, p.t0, at.cut}, b{p.source, at.cut, p.t1};
                const bool a_left =
                    distance(partition, point_x(segment, p.t0), point_y(segment, p.t0)) > 0;
                (a_left ? left : right).push_back(a);
                (a_left ? right : left).push_back(b);
            }
        }
        const int k = static_cast<int>(out.nodes.size()) + 1;
        WallRecord wall = partition;
        wall.t_start = chosen.t0;
        wall.t_end = chosen.t1;
        out.walls.push_back(wall);
        out.nodes.push_back({static_cast<std::int16_t>(k - 1), 0, 0});
        if (!left.empty()) {
            const int child = node(left, level + 1);
            out.nodes[static_cast<std::size_t>(k - 1)].left_child =
                static_cast<std::int16_t>(child);
        }
        if (!right.empty()) {
            const int child = node(right, level + 1);
            out.nodes[static_cast<std::size_t>(k - 1)].right_child =
                static_cast<std::int16_t>(child);
        }
        return k;
    }
};

}  // namespace

double side_of(const WallRecord& w, double px, double py) {
    return (w.x2 - w.x1) * (py - w.y1) - (w.y2 - w.y1) * (px - w.x1);
}

bool parse_wall_list(std::string_view text, WallList& list, std::vector<std::string>& errors) {
    list = WallList{};
    bool have_start = false;
    int line_number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::vector<std::string_view> w = words(line);
        if (w.empty()) continue;
        const std::string at = "line " + std::to_string(line_number) + ": ";
        if (w[0] == "start") {
            if (have_start) errors.push_back(at + "a second start line");
            if (w.size() != 4 || !number(w[1], list.start_x) || !number(w[2], list.start_y) ||
                !number(w[3], list.heading)) {
                errors.push_back(at + "expected: start X Y HEADING (HEADING in whole degrees)");
            }
            have_start = true;
            continue;
        }
        WallRecord r;
        int colour = 0;
        double* reals[] = {&r.x1, &r.y1, &r.x2, &r.y2, &r.top1, &r.bottom1, &r.top2, &r.bottom2};
        bool ok = w.size() == 9;
        for (std::size_t i = 0; ok && i < 8; ++i) ok = number(w[i], *reals[i]);
        ok = ok && number(w[8], colour) && colour >= -32768 && colour <= 32767;
        if (!ok) {
            errors.push_back(at + "expected: x1 y1 x2 y2 top1 bottom1 top2 bottom2 colour");
            continue;
        }
        if (r.x1 == r.x2 && r.y1 == r.y2) {
            errors.push_back(at + "the wall has no length");
            continue;
        }
        r.t_start = 0;
        r.t_end = 1;
        r.colour = static_cast<std::int16_t>(colour);
        list.walls.push_back(r);
        list.lines.push_back(line_number);
    }
    if (!have_start) errors.push_back("no start line (start X Y HEADING)");
    if (list.walls.empty()) errors.push_back("no walls");
    return errors.empty();
}

BuiltMap build(const WallList& list) {
    BuiltMap out;
    if (list.walls.empty()) return out;
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < list.walls.size(); ++i)
        pieces.push_back({static_cast<int>(i), 0, 1});
    Builder{list, out}.node(pieces, 1);
    return out;
}

std::string write_map(const WallList& list, const BuiltMap& map) {
    std::ostringstream out;
    out << map.walls.size() << " wall_count\n"
        << format(list.start_x) << " pos_x\n"
        << format(list.start_y) << " pos_y\n"
        << list.heading << " view_angle\n";
    for (std::size_t k = 0; k < map.nodes.size(); ++k) {
        const NodeRecord& n = map.nodes[k];
        const std::string node = " node " + std::to_string(k + 1) + " ";
        out << n.wall_index << node << "wall_index\n"
            << n.left_child << node << "left_child\n"
            << n.right_child << node << "right_child\n";
    }
    for (std::size_t k = 0; k < map.walls.size(); ++k) {
        const WallRecord& w = map.walls[k];
        const double values[] = {w.x1,    w.y1,   w.x2,      w.y2,   w.t_start,
                                 w.t_end, w.top1, w.bottom1, w.top2, w.bottom2};
        const std::string wall = " wall " + std::to_string(k) + " ";
        for (std::size_t i = 0; i < 10; ++i)
            out << format(values[i]) << wall << bspcast::map_file::wall_fields[i] << '\n';
        out << w.colour << wall << "colour\n";
    }
    return out.str();
}

std::vector<std::string> check_map(std::string_view text) {
    std::vector<std::string> problems;
    auto problem = [&](int line, const std::string& what) {
        problems.push_back(std::to_string(line) + ": " + what);
    };
    ValueReader in(text);
    std::vector<int> lines;  // of every value read, in file order
    const int count = in.read_integer();
    lines.push_back(in.line());
    in.read_real();
    lines.push_back(in.line());
    in.read_real();
    lines.push_back(in.line());
    in.read_integer();
    lines.push_back(in.line());
    if (!in.malformed() && !in.ended() && (count < 0 || count > max_walls)) {
        problem(lines[0], "wall_count " + std::to_string(count) + " is outside 0.." +
                              std::to_string(max_walls));
        return problems;
    }
    const auto n = static_cast<std::size_t>(std::max(count, 0));
    std::vector<NodeRecord> nodes(n + 1);
    std::vector<std::array<int, 3>> node_lines(n + 1);
    std::vector<WallRecord> walls(n);
    std::vector<int> wall_lines(n);
    for (std::size_t k = 1; k <= n; ++k) {
        nodes[k].wall_index = in.read_integer();
        node_lines[k][0] = in.line();
        nodes[k].left_child = in.read_integer();
        node_lines[k][1] = in.line();
        nodes[k].right_child = in.read_integer();
        node_lines[k][2] = in.line();
    }
    for (std::size_t k = 0; k < n; ++k) {
        WallRecord& w = walls[k];
        for (double* v : {&w.x1, &w.y1, &w.x2, &w.y2, &w.t_start, &w.t_end, &w.top1, &w.bottom1,
                          &w.top2, &w.bottom2}) {
            *v = in.read_real();
            if (v == &w.x1) wall_lines[k] = in.line();
        }
        w.colour = in.read_integer();
    }
    if (in.malformed()) {
        problem(in.bad_line(),
                "malformed value '" + in.bad_token() + "': it and every later value read as 0");
        return problems;
    }
    if (in.ended()) {
        problem(0, "the file ends before its " + std::to_string(4 + 14 * n) +
                       " values (4 + 14 per wall)");
        return problems;
    }
    in.read_real();
    if (in.line() != 0)
        problem(in.line(), "a value beyond the " + std::to_string(4 + 14 * n) + " of the map");
    if (n == 0) return problems;

    std::vector<bool> wall_ok(n + 1);
    for (std::size_t k = 1; k <= n; ++k) {
        const int w = nodes[k].wall_index;
        wall_ok[k] = w >= 0 && w < count;
        if (!wall_ok[k]) {
            problem(node_lines[k][0], "node " + std::to_string(k) + " names wall " +
                                          std::to_string(w) + ", outside 0.." +
                                          std::to_string(count - 1));
        }
        const int children[] = {nodes[k].left_child, nodes[k].right_child};
        for (int side = 0; side < 2; ++side) {
            const int c = children[side];
            if (c < 0 || c > count) {
                problem(node_lines[k][1 + side],
                        "node " + std::to_string(k) +
                            (side == 0 ? " left_child " : " right_child ") + std::to_string(c) +
                            " is outside 0.." + std::to_string(count));
            }
        }
    }

    // One tree from node 1: every node reached once. The subtree's walls are
    // gathered on the way for the side rule.
    std::vector<int> reached(n + 1, 0);
    std::function<void(int, std::vector<int>&)> walk = [&](int k, std::vector<int>& subtree) {
        reached[static_cast<std::size_t>(k)] = 1;
        subtree.push_back(k);
        const NodeRecord& node = nodes[static_cast<std::size_t>(k)];
        const int children[] = {node.left_child, node.right_child};
        for (int side = 0; side < 2; ++side) {
            const int c = children[side];
            if (c < 1 || c > count) continue;
            if (reached[static_cast<std::size_t>(c)] != 0) {
                problem(node_lines[static_cast<std::size_t>(k)][1 + side],
                        "node " + std::to_string(k) + " links to node " + std::to_string(c) +
                            ", already in the tree");
                continue;
            }
            std::vector<int> below;
            walk(c, below);
            if (wall_ok[static_cast<std::size_t>(k)]) {
                const WallRecord& partition = walls[static_cast<std::size_t>(node.wall_index)];
                for (int m : below) {
                    if (!wall_ok[static_cast<std::size_t>(m)]) continue;
                    const auto wi =
                        static_cast<std::size_t>(nodes[static_cast<std::size_t>(m)].wall_index);
                    const WallRecord& w = walls[wi];
                    if (partition.x1 == partition.x2 && partition.y1 == partition.y2) {
                        problem(wall_lines[static_cast<std::size_t>(node.wall_index)],
                                "wall " + std::to_string(node.wall_index) + " of node " +
                                    std::to_string(k) +
                                    " has no length and cannot divide its subtrees");
                        break;
                    }
                    const double da =
                        distance(partition, point_x(w, w.t_start), point_y(w, w.t_start));
                    const double db = distance(partition, point_x(w, w.t_end), point_y(w, w.t_end));
                    const bool ok = side == 0 ? da >= -on_line && db >= -on_line
                                              : da <= on_line && db <= on_line;
                    if (!ok) {
                        problem(wall_lines[wi],
                                "wall " + std::to_string(wi) + " (node " + std::to_string(m) +
                                    ") is in the " + (side == 0 ? "left" : "right") +
                                    " subtree of node " + std::to_string(k) + " but not on the " +
                                    (side == 0 ? "left" : "right") + " of wall " +
                                    std::to_string(node.wall_index));
                    }
                }
            }
            subtree.insert(subtree.end(), below.begin(), below.end());
        }
    };
    std::vector<int> all;
    walk(1, all);
    for (std::size_t k = 1; k <= n; ++k) {
        if (reached[k] == 0)
            problem(node_lines[k][0], "node " + std::to_string(k) + " is not reached from node 1");
    }
    return problems;
}

}  // namespace bspbuild
