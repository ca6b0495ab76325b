#!/usr/bin/env bash
# Sets up, builds and starts Quorrax.
set -euo pipefail
cd "$(dirname "$0")"
. tools/setup.sh
quorrax_setup

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quorrax -j"$(nproc)"
exec build/game/quorrax "$@"
