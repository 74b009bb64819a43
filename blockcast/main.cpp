#include "blockcast/blockcast.h"

int main() {
    return blockcast::run();
}
