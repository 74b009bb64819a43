#include "voxelmouse/voxelmouse.h"

int main() {
    return voxelmouse::run();
}
