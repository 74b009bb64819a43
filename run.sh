#!/usr/bin/env bash
# ./run.sh PROGRAM: installs what is missing, builds, and starts PROGRAM in its
# window. Without a display it renders a short scripted demo headless into
# PROGRAM.png instead. With no argument it lists the programs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
start_dir=$(pwd)

programs=(
    "blockcast   a random maze of textured blocks, one grid walk per column"
    "vectorcast  25 free wall segments with four generated textures"
    "sectorcast  22 convex sectors with their own floor heights, joined by portals"
    "bspcast     a castle read from bigcastl.txt, drawn back to front by its BSP tree"
    "objectcast  a 30 x 30 world of height cells with moving objects; walk, climb, jump"
    "polycast    a regular polygonal room turning about you, with a plan view"
    "voxelgrid   a height-map terrain with two domes, in big pixels, on the arrow keys"
    "voxelmouse  the same terrain at full resolution, steered by the mouse alone"
    "voxelcave   a cave of a domed hall and six tunnels, with gravity and fog, in true colour"
)

if [ $# -eq 0 ]; then
    echo "usage: ./run.sh PROGRAM"
    echo
    for line in "${programs[@]}"; do echo "  $line"; done
    exit 0
fi
program=$1
known=0
for line in "${programs[@]}"; do [ "${line%% *}" = "$program" ] && known=1; done
if [ $known -eq 0 ]; then
    echo "run.sh: unknown program '$program'; ./run.sh with no argument lists them" >&2
    exit 2
fi

cd "$here"
source scripts/setup.sh
cast_install_missing
BUILD_TARGETS="$program castrun" cast_build build >/dev/null

# bspcast reads bigcastl.txt from its working directory.
workdir="$here"
[ "$program" = bspcast ] && workdir="$here/bspcast"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    out="$start_dir/$program.png"
    echo "No display: rendering a short scripted demo of $program headless instead."
    script="$here/docs/$program.script"
    args=(--png "$out" --seed 1)
    if [ -f "$script" ]; then args+=(--script "$script"); else args+=(--frames 30); fi
    (cd "$workdir" && "$here/build/tools/castrun/castrun" "$program" "${args[@]}")
    echo "$out"
    exit 0
fi
cd "$workdir"
exec "$here/build/$program/$program"
