#!/usr/bin/env bash
# Sets up, builds and runs every routine test: once in the normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer. With --stress, the heavy tests (CTest
# label `stress`) follow in the normal build.
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

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRAX_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs" -LE stress)

if [ "${QUORRAX_SKIP_SANITIZERS:-0}" != 1 ]; then
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUORRAX_SANITIZE=ON -DQUORRAX_BENCH=OFF -DQUORRAX_WERROR=ON >/dev/null
    cmake --build build-sanitize -j"$jobs"
    (cd build-sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j"$jobs" -LE stress)
fi

if [ "${1:-}" = --stress ]; then
    (cd build && ctest --output-on-failure -j"$jobs" -L stress)
fi
