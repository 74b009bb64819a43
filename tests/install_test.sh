#!/usr/bin/env bash
# cmake --install into a fresh prefix: the nine programs, castrun and bspbuild
# in bin/, the castle map and the README in share/; the installed castrun runs
# bspcast with the castle from the share folder, and an empty world elsewhere.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
for exe in blockcast vectorcast sectorcast bspcast objectcast polycast voxelgrid voxelmouse voxelcave \
    castrun bspbuild; do
    [ -x "$prefix/bin/$exe" ] || fail "bin/$exe was not installed"
done
[ -f "$prefix/share/raycasting/bigcastl.txt" ] || fail "the castle map was not installed"
[ -f "$prefix/share/doc/raycasting/README.md" ] || fail "the README was not installed"
grep -q "share/raycasting" "$prefix/share/doc/raycasting/README.md" ||
    fail "the installed README does not say where the map is"

"$prefix/bin/bspbuild" --check "$prefix/share/raycasting/bigcastl.txt" >/dev/null ||
    fail "the installed map does not pass bspbuild --check"
# bspcast shows a blank page until something moves: turn once.
printf '2\n1 Left\n2\n' >"$prefix/turn.script"
(cd "$prefix/share/raycasting" && "$prefix/bin/castrun" bspcast --script "$prefix/turn.script" \
    --png "$prefix/castle.png") || fail "castrun bspcast in the share folder"
(cd "$prefix" && "$prefix/bin/castrun" bspcast --script "$prefix/turn.script" --png "$prefix/empty.png") ||
    fail "castrun bspcast elsewhere"
if [ -f "$prefix/castle.png" ] && [ -f "$prefix/empty.png" ] && cmp -s "$prefix/castle.png" "$prefix/empty.png"; then
    fail "bspcast shows the same picture with and without the map"
fi
[ "$failures" -eq 0 ] && echo "PASSED: installation"
[ "$failures" -eq 0 ]
