#include <iostream>

#include "castrun.h"

int main(int argc, char** argv) {
    return castrun::run_command(std::vector<const char*>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
