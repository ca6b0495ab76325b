#!/usr/bin/env bash
# Installs the Debian packages the game needs to build, run and be tested, where missing.
# Sourced by play.sh and test.sh.

quorrax_packages=(
    cmake make g++ clang libclang-rt-14-dev pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libbenchmark-dev
    fonts-dejavu-core fonts-ipafont-gothic
    xvfb xdotool imagemagick x11-utils xauth libx11-dev libxcb1-dev openbox
    e2fsprogs desktop-file-utils dpkg-dev
)

quorrax_setup() {
    local missing=()
    local package
    for package in "${quorrax_packages[@]}"; do
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
