#include "voxelcave/voxelcave.h"

int main() {
    return voxelcave::run();
}
