// libFuzzer target: arbitrary bytes as bspcast's map file, then one frame and
// one collision pass. Built and run by tests/fuzz_bspcast.sh.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "bspcast_fuzz_input.h"
#include "graphics/memory_backend.h"
#include "graphics/script.h"
#include "graphics/window.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const graphics::Script no_script;
    static const bool opened = [] {
        graphics::memory::start_run(no_script, -1);
        graphics::open_window(3, 4, "fuzz");
        return true;
    }();
    static const auto state = std::make_unique<bspcast::State>();
    (void)opened;
    fuzz::exercise_map(std::string_view(reinterpret_cast<const char*>(data), size), *state);
    return 0;
}
