// bspbuild: builds bspcast's map file from a plain wall list, and checks any
// map file against the rules its renderer relies on.
//
// Wall list: '#' starts a comment, blank lines are skipped; one line
//   start X Y HEADING
// and one line per wall
//   x1 y1 x2 y2 top1 bottom1 top2 bottom2 colour
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bspcast/map_file.h"

namespace bspbuild {

using bspcast::map_file::NodeRecord;
using bspcast::map_file::WallRecord;

struct WallList {
    double start_x = 0, start_y = 0;
    int heading = 0;
    std::vector<WallRecord> walls;  // t_start 0, t_end 1
    std::vector<int> lines;         // the list's line of each wall
};

// Parses a wall list; false with one line per problem in errors.
bool parse_wall_list(std::string_view text, WallList& list, std::vector<std::string>& errors);

struct BuiltMap {
    std::vector<NodeRecord> nodes;  // node 1 first
    std::vector<WallRecord> walls;  // node k names wall k - 1
    int splits = 0;                 // pieces added by cutting walls at partitions
    int depth = 0;                  // nodes on the longest path from the root
};

// Chooses partition walls (few splits, then balance), cuts the walls that
// cross a partition into pieces that share the segment and differ in
// t_start/t_end, and numbers the nodes depth first from the root.
BuiltMap build(const WallList& list);

// The map file: one value per line, each followed by a space and its name.
std::string write_map(const WallList& list, const BuiltMap& map);

// Every problem of a map file, each as "LINE: text" (line 0 when the problem
// has no line of its own). Empty for a valid map.
std::vector<std::string> check_map(std::string_view text);

// The side value of point (px, py) against wall w's line: > 0 on its left.
double side_of(const WallRecord& w, double px, double py);

}  // namespace bspbuild
