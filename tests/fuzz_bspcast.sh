#!/bin/sh
# Fuzzes bspcast's map reader, renderer and collision test with libFuzzer:
# builds the target with clang into BUILD/fuzz and runs it for SECONDS.
#   tests/fuzz_bspcast.sh [BUILD] [SECONDS]
# Inputs that crash are left in BUILD/fuzz/ as crash-*; keep each one in
# tests/fuzz/bspcast/, where the fuzzer and test_bspcast replay them.
# Exits 77 (skipped) when clang cannot build a libFuzzer target here.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$src/build}/fuzz
seconds=${2:-60}
mkdir -p "$out/corpus"

if ! printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' |
    clang++ -x c++ -fsanitize=fuzzer - -o "$out/probe" 2>/dev/null; then
    echo "fuzz_bspcast: clang++ cannot build a libFuzzer target here: skipped"
    exit 77
fi

cd "$src"
# shellcheck disable=SC2046
clang++ -std=c++20 -O1 -g -Wall -Wextra -ffp-contract=off -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$src" -I"$src/tests" $(pkg-config --cflags freetype2 fontconfig libpng) \
    tests/fuzz_bspcast.cpp bspcast/map_file.cpp bspcast/map.cpp bspcast/render.cpp \
    bspcast/bspcast.cpp common/common.cpp graphics/canvas.cpp graphics/text.cpp \
    graphics/png.cpp graphics/script.cpp graphics/memory_backend.cpp \
    $(pkg-config --libs freetype2 fontconfig libpng) -o "$out/fuzz_bspcast"

# Seeds: the castle and the kept inputs; new finds go to the scratch corpus.
cp bspcast/bigcastl.txt "$out/corpus/castle.txt"
"$out/fuzz_bspcast" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -dict=tests/fuzz/bspcast.dict -artifact_prefix="$out/" \
    "$out/corpus" tests/fuzz/bspcast
