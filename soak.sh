#!/usr/bin/env bash
# The long soak: every program runs 20,000 frames (or FRAMES) of seeded random
# input under AddressSanitizer and UndefinedBehaviorSanitizer, with no report
# and no allocation after start-up. ./soak.sh [FRAMES] [SEED]
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
frames=${1:-20000}
seed=${2:-1}
cast_install_missing
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAST_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$(nproc)" --target soak >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for program in $(build-asan/tools/castrun/castrun --help | sed -n 's/^programs: //p'); do
    dir=.
    [ "$program" = bspcast ] && dir=bspcast  # it reads bigcastl.txt from there
    start=$(date +%s)
    if (cd "$dir" && "$OLDPWD/build-asan/tools/soak/soak" "$program" "$frames" "$seed"); then
        echo "  ok in $(($(date +%s) - start)) s"
    else
        echo "  FAILED: $program"
        failed=1
    fi
done
exit $failed
