// castrun: runs any of the programs on the memory backend from a script,
// writes the picture it shows as a PNG and measures its frames.
#pragma once

#include <iosfwd>
#include <vector>

namespace castrun {

struct Program {
    const char* name;
    int (*run)();  // start-up, frames until the end, close_window
};

// Every program that is built, in the suite's order.
const std::vector<Program>& programs();

// The whole command: parses the arguments (without the command's own name),
// runs the program and reports. Returns the exit status: 0, or 2 for a bad
// argument, an unknown program or a malformed script (nothing is run then),
// or 1 when the PNG cannot be written.
int run_command(const std::vector<const char*>& args, std::ostream& out, std::ostream& err);

}  // namespace castrun
