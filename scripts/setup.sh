# Sourced by run.sh and test.sh: installs what is missing (Debian packages,
# through sudo when not root), then configures and builds into build/.
# The caller sets BUILD_TARGETS (empty for everything).

cast_packages=(cmake g++ make pkg-config libsdl2-dev libfreetype-dev libfontconfig-dev
    fontconfig fonts-liberation libpng-dev libgtest-dev googletest xvfb xdotool x11-utils
    imagemagick)

cast_install_missing() {
    local missing=()
    for p in "${cast_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

cast_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$dir" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}
