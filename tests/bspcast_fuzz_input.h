// What the fuzz target does with one input, shared with the test that replays
// the inputs kept in tests/fuzz/bspcast: read the bytes as a map file, draw
// one frame with the plan on, in outline mode for odd first bytes, and make
// one collision pass and one move from the map's start.
#pragma once

#include <string_view>
#include <vector>

#include "bspcast/bspcast.h"

namespace fuzz {

inline void exercise_map(std::string_view bytes, bspcast::State& state) {
    std::vector<std::string> messages;
    bspcast::read_map(bytes, "fuzz", state.map, messages);
    bspcast::Viewer& v = state.viewer;
    v = bspcast::Viewer{};
    v.pos_x = state.map.pos_x;
    v.pos_y = state.map.pos_y;
    v.view_angle = state.map.view_angle;
    v.outline_mode = !bytes.empty() && (bytes[0] & 1) != 0 ? 1 : 0;
    bspcast::render_view(state.map, v, state.tables);
    double dx = 0.7, dy = -0.7;
    bspcast::collide(state.map, v, dx, dy);
    bspcast::move_viewer(state.map, v, 0.6, 0.8);
}

}  // namespace fuzz
