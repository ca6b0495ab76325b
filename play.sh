#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and starts Quorrax. It needs neither the tests nor their tools, so it
# builds in a folder of its own, without them.
set -euo pipefail
cd "$(dirname "$0")"
. tools/setup.sh
quorrax_setup

# Qt's build tools warn in a locale that is not UTF-8; the game itself keeps the player's.
LC_ALL=C.UTF-8 cmake -S . -B build-play -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRAX_TESTS=OFF -DQUORRAX_BENCH=OFF >/dev/null
LC_ALL=C.UTF-8 cmake --build build-play --target quorrax -j"$(nproc)"
exec build-play/game/quorrax "$@"
