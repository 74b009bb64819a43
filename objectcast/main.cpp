#include "objectcast/objectcast.h"

int main() {
    return objectcast::run();
}
