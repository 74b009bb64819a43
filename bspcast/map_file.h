// The map file "bigcastl.txt": its records and the rules for reading one
// value. The program's loader and the map builder (tools/bspbuild) both read
// through this header, so the two agree on every field and every token.
//
// The file is text, one value per line, in this order (N = wall_count):
//   N, pos_x, pos_y, view_angle,
//   N node records of 3 integers (node 1, 2, ..., N),
//   N wall records of 10 reals and 1 integer (wall 0, 1, ..., N - 1).
// Each value is the first token of the next non-blank line; the rest of that
// line is ignored, so a value may be followed by a space and a description.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace bspcast::map_file {

constexpr int max_walls = 100;  // also the most nodes: one node per wall
constexpr int header_values = 4, node_values = 3, wall_values = 11;
constexpr int max_token_length = 255;  // characters; the rest of a longer run is discarded
constexpr char end_of_file_mark = 26;  // Ctrl-Z ends the file wherever it stands

// One node of the BSP tree. Nodes are numbered 1..N, node 1 is the root.
struct NodeRecord {
    std::int16_t wall_index = 0;   // the partition wall, 0..N - 1
    std::int16_t left_child = 0;   // node on the wall's left side, 1..N; 0 = none
    std::int16_t right_child = 0;  // node on the wall's right side; 0 = none
};

// One wall. Left and right are seen from end 1 looking towards end 2: a point
// p is on the left when (x2 - x1)(py - y1) - (y2 - y1)(px - x1) > 0.
struct WallRecord {
    double x1 = 0, y1 = 0;         // end 1, map units
    double x2 = 0, y2 = 0;         // end 2, map units
    double t_start = 0;            // parameter where the solid, drawn part begins (0 = end 1)
    double t_end = 0;              // parameter where it ends (1 = end 2)
    double top1 = 0, bottom1 = 0;  // heights at end 1, height units, upward
    double top2 = 0, bottom2 = 0;  // heights at end 2
    std::int16_t colour = 0;       // painted as palette index (colour + 15) mod 256
};

// The names of the values, in file order, for messages and descriptions.
constexpr std::array<const char*, header_values> header_fields = {"wall_count", "pos_x", "pos_y",
                                                                  "view_angle"};
constexpr std::array<const char*, node_values> node_fields = {"wall_index", "left_child",
                                                              "right_child"};
constexpr std::array<const char*, wall_values> wall_fields = {
    "x1", "y1", "x2", "y2", "t_start", "t_end", "top1", "bottom1", "top2", "bottom2", "colour"};

// Reads the file's values one at a time. Skips characters 0..32 (blank lines
// included), takes the following run of characters above 32 as the token,
// converts it and discards the rest of the line (LF, CR LF or a lone CR).
// The end of the text, or Ctrl-Z, makes every later value 0. A malformed
// token makes its value and every later one 0 without reading further.
class ValueReader {
  public:
    explicit ValueReader(std::string_view text) : text_(text) {}

    // An optionally signed decimal integer that fits 32 bits, kept as its low
    // 16 bits.
    std::int16_t read_integer();
    // An optionally signed decimal real with optional fraction and exponent,
    // at least one mantissa digit; converted at extended precision, stored as
    // a double. One whose value overflows a double is malformed.
    double read_real();

    // The line (1-based) of the token last read; 0 when it was missing.
    int line() const { return line_; }
    // Whether a malformed token has been met, and which one and where.
    bool malformed() const { return malformed_; }
    const std::string& bad_token() const { return bad_token_; }
    int bad_line() const { return bad_line_; }
    // Whether the text ended (or Ctrl-Z came) before the value last asked for.
    bool ended() const { return ended_; }

  private:
    // The next token, or false at the end of the text or after a malformed one.
    bool next_token();
    void skip_rest_of_line();
    void mark_malformed();

    std::string_view text_;
    std::size_t pos_ = 0;
    int current_line_ = 1;
    int line_ = 0;
    bool ended_ = false;
    bool malformed_ = false;
    std::array<char, max_token_length + 1> token_{};  // NUL-terminated
    std::size_t token_length_ = 0;
    std::string bad_token_;
    int bad_line_ = 0;
};

}  // namespace bspcast::map_file
