#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every routine test twice, with warnings as errors both times:
# in the normal build with GCC, and in a build with Clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, which compiles everything, tests, benchmarks and the fuzz
# target included.
# With --stress, the heavy tests (CTest label `stress`) follow in the GCC build.
# QUORRAX_SKIP_SANITIZERS=1 leaves the Clang build out.
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-}" in
--stress | "") ;;
*) echo "usage: $0 [--stress]" >&2 && exit 2 ;;
esac
. tools/setup.sh
quorrax_setup --tests

jobs=$(nproc)
unset DISPLAY WAYLAND_DISPLAY
# Qt's build tools and the tests' own Qt warn in a locale that is not UTF-8; the tests that
# start the game give it the locales they try.
export LC_ALL=C.UTF-8

cmake -S . -B build -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRAX_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" -LE stress)

if [ "${QUORRAX_SKIP_SANITIZERS:-0}" != 1 ]; then
    cmake -S . -B build-clang-sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
        -DQUORRAX_SANITIZE=ON -DQUORRAX_BENCH=ON -DQUORRAX_FUZZ=ON -DQUORRAX_WERROR=ON >/dev/null
    cmake --build build-clang-sanitize -j"$jobs"
    (cd build-clang-sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j"$jobs" -LE stress)
fi

if [ "${1:-}" = --stress ]; then
    (cd build && ctest --output-on-failure -j"$jobs" -L stress)
fi
