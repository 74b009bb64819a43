#include "sectorcast/sectorcast.h"

int main() {
    return sectorcast::run();
}
