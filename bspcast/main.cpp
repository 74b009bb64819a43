#include "bspcast/bspcast.h"

int main() {
    return bspcast::run();
}
