// bspbuild LIST [-o MAP]   builds a map file from a wall list (to standard output without -o)
// bspbuild --check MAP     checks a map file; exit status 0 only for a valid map
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "bspbuild.h"

namespace {

void usage(std::ostream& out) {
    out << "usage: bspbuild LIST [-o MAP]    build a bspcast map from a wall list\n"
           "       bspbuild --check MAP      check a map file against every rule of the format\n"
           "wall list: '#' comments; a line 'start X Y HEADING' and one line per wall:\n"
           "  x1 y1 x2 y2 top1 bottom1 top2 bottom2 colour\n";
}

bool read_file(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        usage(std::cout);
        return 0;
    }
    std::string text;
    if (args.size() == 2 && args[0] == "--check") {
        if (!read_file(args[1], text)) {
            std::cerr << "bspbuild: cannot read " << args[1] << '\n';
            return 2;
        }
        const std::vector<std::string> problems = bspbuild::check_map(text);
        for (const std::string& p : problems) std::cout << args[1] << ':' << p << '\n';
        if (!problems.empty()) return 1;
        std::cout << args[1] << ": a valid map\n";
        return 0;
    }
    const bool to_file = args.size() == 3 && args[1] == "-o";
    if (!(args.size() == 1 || to_file) || args[0].starts_with("-")) {
        usage(std::cerr);
        return 2;
    }
    if (!read_file(args[0], text)) {
        std::cerr << "bspbuild: cannot read " << args[0] << '\n';
        return 2;
    }
    bspbuild::WallList list;
    std::vector<std::string> errors;
    if (!bspbuild::parse_wall_list(text, list, errors)) {
        for (const std::string& e : errors) std::cerr << args[0] << ": " << e << '\n';
        return 2;
    }
    const bspbuild::BuiltMap map = bspbuild::build(list);
    if (map.walls.size() > 100) {
        std::cerr << args[0] << ": " << map.walls.size()
                  << " walls after splitting, more than the 100 a map holds\n";
        return 2;
    }
    const std::string out = bspbuild::write_map(list, map);
    if (to_file) {
        std::ofstream file(args[2], std::ios::binary);
        if (!(file << out)) {
            std::cerr << "bspbuild: cannot write " << args[2] << '\n';
            return 2;
        }
    } else {
        std::cout << out;
    }
    std::cerr << args[0] << ": " << list.walls.size() << " walls listed, " << map.walls.size()
              << " in the map (" << map.splits << " splits), tree depth " << map.depth << '\n';
    return 0;
}
