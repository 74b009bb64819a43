#include "voxelgrid/voxelgrid.h"

int main() {
    return voxelgrid::run();
}
