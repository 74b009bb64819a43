// soak PROGRAM FRAMES SEED: runs a program for FRAMES frames of seeded random
// input (keys held and released, long holds that drive values to their limits
// and wrap 16-bit fields, pointer moves, typed keys), counting every heap
// allocation made after start-up. Built with the sanitizers it is the soak
// test; it exits non-zero if the program allocated after start-up or ended
// before its frames were run.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>

#include "castrun.h"
#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/script.h"

namespace {

bool armed = false;  // counting allocations made once start-up is over
long allocations_after_start = 0;

void note_allocation() {
    if (armed && graphics::memory::pump_count() >= 1) ++allocations_after_start;
}

struct Profile {
    const char* name;
    int width, height;
    bool typed;  // typed keys other than Esc keep it running
};

constexpr Profile profiles[] = {
    {"blockcast", 640, 480, true}, {"vectorcast", 640, 480, true},  {"sectorcast", 640, 480, true},
    {"bspcast", 640, 480, true},   {"objectcast", 640, 480, true},  {"polycast", 800, 600, true},
    {"voxelgrid", 640, 480, true}, {"voxelmouse", 800, 600, false}, {"voxelcave", 800, 600, true},
};

// Every key but Esc, which ends most of the programs.
constexpr int keys[] = {0x25, 0x26, 0x27, 0x28, 0x20, 0x10, 0x11, 'A', 'B', 'C', 'D', 'E',
                        'F',  'G',  'H',  'I',  'J',  'K',  'L',  'M', 'N', 'O', 'P', 'Q',
                        'R',  'S',  'T',  'U',  'V',  'W',  'X',  'Y', 'Z', '0', '1', '9'};

graphics::Script random_script(const Profile& profile, long frames, std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    graphics::Script script;
    long total = 0;
    while (total < frames) {
        graphics::ScriptLine line;
        const int kind = pick(10);
        if (kind == 0) {  // a long hold of one or two keys: limits and wraps
            line.count = 500 + pick(2500);
            line.held.push_back(keys[pick(std::size(keys))]);
            if (pick(2) == 0) line.held.push_back(keys[pick(std::size(keys))]);
        } else {
            line.count = 1 + pick(kind < 5 ? 10 : 120);
            const int n = pick(4);
            for (int i = 0; i < n; ++i) line.held.push_back(keys[pick(std::size(keys))]);
        }
        if (pick(3) == 0) {
            line.moves_mouse = true;
            line.mouse_x = pick(profile.width);
            line.mouse_y = pick(profile.height);
            line.mouse_buttons = pick(4) == 0 ? pick(32) : 0;
        }
        if (profile.typed && pick(4) == 0) {
            const int n = 1 + pick(40);  // sometimes more than the queue holds
            for (int i = 0; i < n; ++i) {
                if (pick(5) == 0) {
                    line.typed.push_back(0);
                    line.typed.push_back(static_cast<unsigned char>(
                        std::array{72, 75, 77, 80}[static_cast<std::size_t>(pick(4))]));
                } else {
                    unsigned char c = static_cast<unsigned char>(1 + pick(255));
                    if (c == 27) c = 'q';
                    line.typed.push_back(c);
                }
            }
        }
        total += line.count;
        script.lines.push_back(std::move(line));
    }
    return script;
}

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

void* operator new(std::size_t size) {
    note_allocation();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: soak PROGRAM FRAMES SEED\n");
        return 2;
    }
    const Profile* profile = nullptr;
    for (const Profile& p : profiles) {
        if (std::strcmp(p.name, argv[1]) == 0) profile = &p;
    }
    const castrun::Program* program = nullptr;
    for (const castrun::Program& p : castrun::programs()) {
        if (std::strcmp(p.name, argv[1]) == 0) program = &p;
    }
    if (profile == nullptr || program == nullptr) {
        std::fprintf(stderr, "soak: unknown program '%s'\n", argv[1]);
        return 2;
    }
    const long frames = std::strtol(argv[2], nullptr, 10);
    const std::uint64_t seed = std::strtoull(argv[3], nullptr, 10);
    const graphics::Script script = random_script(*profile, frames, seed);

    graphics::fix_random_seed(seed);
    graphics::memory::start_run(script, frames);
    bool ended_early = false;
    armed = true;
    try {
        program->run();
        ended_early = true;
    } catch (const graphics::memory::RunEnded&) {
    }
    armed = false;
    const long run = graphics::memory::pump_count() - (ended_early ? 0 : 1);
    std::printf(
        "soak %s: %ld frames of random input (seed %llu), %ld allocations after start-up, "
        "peak RSS %ld KiB\n",
        profile->name, run, static_cast<unsigned long long>(seed), allocations_after_start,
        peak_rss_kib());
    if (ended_early)
        std::printf("soak %s: the program ended by itself after %ld frames\n", profile->name, run);
    return allocations_after_start == 0 && !ended_early ? 0 : 1;
}
