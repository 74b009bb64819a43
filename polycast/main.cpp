#include "polycast/polycast.h"

int main() {
    return polycast::run();
}
