#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the game needs, where missing. Sourced by play.sh, which
# needs only what building and playing take, and by test.sh, which needs the test tools too.

# Building and playing.
quorrax_play_packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    fonts-dejavu-core fonts-ipafont-gothic
)

# The tests and benchmarks, on top of those.
quorrax_test_packages=(
    clang libclang-rt-dev libgtest-dev libbenchmark-dev
    xvfb xdotool imagemagick x11-utils xauth libx11-dev openbox weston qt6-wayland
    e2fsprogs desktop-file-utils appstream dpkg-dev
)

# quorrax_setup [--tests]
quorrax_setup() {
    local wanted=("${quorrax_play_packages[@]}")
    [ "${1:-}" != --tests ] || wanted+=("${quorrax_test_packages[@]}")
    local missing=()
    local package
    for package in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    if [ "$(id -u)" -ne 0 ]; then
        echo "Quorrax needs these Debian packages. Install them as root with:" >&2
        echo "  apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
