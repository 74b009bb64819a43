#include "castrun.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>

#include "graphics/canvas.h"
#include "graphics/memory_backend.h"
#include "graphics/script.h"

namespace castrun {

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string program;
    long frames = -1;
    std::string script_path;
    std::optional<std::uint64_t> seed;
    std::string png_path;
    bool bench = false;
    bool help = false, version = false;
};

enum class Kind { frames, script, seed, png, bench, help, version };

// One table drives the parser and the usage text.
struct OptionSpec {
    const char* name;
    const char* value;  // nullptr for a flag
    Kind kind;
    const char* help;
};

constexpr OptionSpec option_table[] = {
    {"--frames", "N", Kind::frames, "run N frames (default: the script's frame count, or 1)"},
    {"--script", "FILE", Kind::script, "take the input of each frame from FILE"},
    {"--seed", "N", Kind::seed, "seed the random generator with N instead of the clock"},
    {"--png", "FILE", Kind::png, "write the picture the window shows at the end to FILE"},
    {"--bench", nullptr, Kind::bench, "print frames, seconds, frames/s and ms per frame"},
    {"--help", nullptr, Kind::help, "print this help and exit"},
    {"--version", nullptr, Kind::version, "print the version and exit"},
};

void usage(std::ostream& out) {
    out << "usage: castrun PROGRAM [--frames N] [--script FILE] [--seed N] [--png FILE] [--bench]\n"
        << "Runs PROGRAM headless on the memory backend.\n\nprograms:";
    for (const Program& p : programs()) out << ' ' << p.name;
    out << "\n\noptions:\n";
    for (const OptionSpec& o : option_table) {
        std::string left =
            std::string(o.name) + (o.value != nullptr ? std::string(" ") + o.value : "");
        out << "  " << std::left << std::setw(16) << left << o.help << '\n';
    }
    out << "\nscript lines: COUNT [KEY...] [mouse=X,Y,B] [type=TEXT]   # comment\n"
        << "keys: Up Down Left Right Space Esc Shift Ctrl A..Z 0..9;"
        << " in TEXT: <Up> <Down> <Left> <Right> <Esc> <Space> <Enter>\n";
}

template <typename T>
bool parse_number(const char* text, T& out) {
    const char* end = text + std::strlen(text);
    auto [p, ec] = std::from_chars(text, end, out);
    return ec == std::errc{} && p == end && p != text;
}

// Fills options; on a problem returns one line naming it.
std::optional<std::string> parse_args(const std::vector<const char*>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            if (!options.program.empty()) return "unexpected argument '" + arg + "'";
            options.program = arg;
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& o : option_table) {
            if (arg == o.name) spec = &o;
        }
        if (spec == nullptr) return "unknown option '" + arg + "'";
        const char* value = nullptr;
        if (spec->value != nullptr) {
            if (i + 1 >= args.size()) return std::string(spec->name) + " needs " + spec->value;
            value = args[++i];
        }
        switch (spec->kind) {
            case Kind::frames:
                if (!parse_number(value, options.frames) || options.frames < 0) {
                    return std::string("--frames takes a whole number of 0 or more, not '") +
                           value + "'";
                }
                break;
            case Kind::seed: {
                std::uint64_t seed = 0;
                if (!parse_number(value, seed)) {
                    return std::string("--seed takes a whole number, not '") + value + "'";
                }
                options.seed = seed;
                break;
            }
            case Kind::script:
                options.script_path = value;
                break;
            case Kind::png:
                options.png_path = value;
                break;
            case Kind::bench:
                options.bench = true;
                break;
            case Kind::help:
                options.help = true;
                break;
            case Kind::version:
                options.version = true;
                break;
        }
    }
    if (options.help || options.version) return std::nullopt;
    if (options.program.empty()) return "no program named (try --help)";
    return std::nullopt;
}

void report_bench(std::ostream& out, const std::string& name,
                  const std::vector<Clock::time_point>& marks) {
    std::vector<double> ms;
    ms.reserve(marks.size());
    for (std::size_t i = 1; i < marks.size(); ++i) {
        ms.push_back(std::chrono::duration<double, std::milli>(marks[i] - marks[i - 1]).count());
    }
    double total = 0;
    for (double m : ms) total += m;
    const double seconds = total / 1000;
    double p99 = 0;
    if (!ms.empty()) {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        p99 = sorted[std::min(sorted.size() - 1, (sorted.size() * 99 + 99) / 100 - 1)];
    }
    out << std::fixed << "castrun " << name << ": " << ms.size() << " frames in "
        << std::setprecision(3) << seconds << " s (start-up excluded): " << std::setprecision(1)
        << (seconds > 0 ? static_cast<double>(ms.size()) / seconds : 0.0) << " frames/s, "
        << std::setprecision(3) << (ms.empty() ? 0.0 : total / static_cast<double>(ms.size()))
        << " ms/frame mean, " << p99 << " ms/frame 99th percentile\n";
}

}  // namespace

int run_command(const std::vector<const char*>& args, std::ostream& out, std::ostream& err) {
    Options options;
    if (auto problem = parse_args(args, options)) {
        err << "castrun: " << *problem << '\n';
        return 2;
    }
    if (options.help) {
        usage(out);
        return 0;
    }
    if (options.version) {
        out << "castrun " << CASTRUN_VERSION << '\n';
        return 0;
    }
    const Program* program = nullptr;
    for (const Program& p : programs()) {
        if (options.program == p.name) program = &p;
    }
    if (program == nullptr) {
        err << "castrun: unknown program '" << options.program << "'\n";
        return 2;
    }
    graphics::Script script;
    if (!options.script_path.empty()) {
        std::ifstream file(options.script_path, std::ios::binary);
        if (!file) {
            err << "castrun: cannot read script '" << options.script_path << "'\n";
            return 2;
        }
        std::ostringstream text;
        text << file.rdbuf();
        std::string problem;
        auto parsed = graphics::parse_script(text.str(), problem);
        if (!parsed) {
            err << "castrun: " << options.script_path << ": " << problem << '\n';
            return 2;
        }
        script = std::move(*parsed);
    }
    const long frames = options.frames >= 0            ? options.frames
                        : !options.script_path.empty() ? script.frames()
                                                       : 1;

    if (options.seed) {
        graphics::fix_random_seed(*options.seed);
    } else {
        graphics::unfix_random_seed();
    }
    std::vector<Clock::time_point> marks;
    if (options.bench) marks.reserve(static_cast<std::size_t>(frames) + 2);
    graphics::memory::start_run(script, frames);
    graphics::memory::record_pump_times(options.bench ? &marks : nullptr);
    try {
        program->run();
        // The program ended by itself: its last frame ends here.
        if (options.bench) marks.push_back(Clock::now());
    } catch (const graphics::memory::RunEnded&) {
    }
    graphics::memory::record_pump_times(nullptr);

    if (options.bench) report_bench(out, program->name, marks);
    if (!options.png_path.empty()) {
        std::string problem;
        if (!graphics::write_png(options.png_path, problem)) {
            err << "castrun: " << problem << '\n';
            return 1;
        }
    }
    return 0;
}

}  // namespace castrun
