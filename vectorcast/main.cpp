#include "vectorcast/vectorcast.h"

int main() {
    return vectorcast::run();
}
