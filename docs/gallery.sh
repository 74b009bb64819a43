#!/usr/bin/env bash
# Regenerates every picture of the README from the scripts beside it:
# docs/PROGRAM.script run by castrun with seed 1 into docs/PROGRAM.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
castrun="$root/build/tools/castrun/castrun"
[ -x "$castrun" ] || { echo "gallery: build first (./test.sh or cmake --build build)" >&2; exit 1; }
for program in $("$castrun" --help | sed -n 's/^programs: //p'); do
    script="$root/docs/$program.script"
    [ -f "$script" ] || continue
    dir="$root"
    [ "$program" = bspcast ] && dir="$root/bspcast"  # it reads bigcastl.txt from here
    (cd "$dir" && "$castrun" "$program" --seed 1 --script "$script" --png "$root/docs/$program.png")
    echo "docs/$program.png"
done
