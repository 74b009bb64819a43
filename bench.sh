#!/usr/bin/env bash
# ./bench.sh: builds release and prints one table: for each program, frames
# per second and milliseconds per frame headless (castrun --bench over a fixed
# run), and the cost of presenting one frame through the SDL2 backend.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
source scripts/setup.sh
cast_install_missing
cast_build build >/dev/null
castrun="$root/build/tools/castrun/castrun"

# program | what runs | frames | castrun arguments | frames/s to reach
runs=(
    "blockcast|start, seed 1|3000|--seed 1|1500"
    "vectorcast|start|3000||1500"
    "sectorcast|start|3000||1500"
    "bspcast|castle: in through the gate, then turning|3000|--script $root/docs/bspcast-bench.script|1500"
    "objectcast|column_step 2|2000||1000"
    "objectcast|column_step 1|2000|--script $root/docs/bench/objectcast-step1.script|500"
    "polycast|start|2000||1000"
    "voxelgrid|start|2000||1500"
    "voxelmouse|pointer at centre|2000|--script $root/docs/bench/voxelmouse-centre.script|400"
    "voxelcave|start, in the hall|1000||300"
    "voxelcave|down a tunnel|1000|--script $root/docs/voxelcave-walk.script|300"
)

printf '| program | run | frames | frames/s | ms/frame | 99%% ms | target frames/s |\n'
printf '|---|---|---|---|---|---|---|\n'
for run in "${runs[@]}"; do
    IFS='|' read -r program what frames args target <<<"$run"
    [ -d "$root/$program" ] || continue
    dir="$root"
    [ "$program" = bspcast ] && dir="$root/bspcast"
    # shellcheck disable=SC2086
    line=$(cd "$dir" && "$castrun" "$program" --frames "$frames" --bench $args)
    fps=$(sed -n 's/.*: \([0-9.]*\) frames\/s.*/\1/p' <<<"$line")
    mean=$(sed -n 's/.*frames\/s, \([0-9.]*\) ms\/frame mean.*/\1/p' <<<"$line")
    p99=$(sed -n 's/.*mean, \([0-9.]*\) ms\/frame 99th.*/\1/p' <<<"$line")
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$program" "$what" "$frames" "$fps" "$mean" "$p99" "$target"
done

if [ -x scripts/present-bench.sh ]; then
    echo
    scripts/present-bench.sh
fi
