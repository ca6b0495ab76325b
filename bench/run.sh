#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the two benchmarks, plays the game under a private Xvfb server to measure its
# pacing and processor load, then times one tick's composition. Run it on an otherwise
# idle machine; nothing here asserts, it only reports.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORRAX_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRAX_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target quorrax_pacing quorrax_tick_bench >/dev/null

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.05
done

echo "Command: bench/run.sh $*"
echo "Machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
# Then twice more straight into the X window: with two game pads plugged in and left alone,
# and with those and a third pad flooding the game with 10,000 events a second.
for path in direct qt-painting silent-pads flooding-pad; do
    echo "== Pacing: the real game under Xvfb :$display (xcb), $path =="
    flag=()
    [ "$path" = qt-painting ] && flag=(--qt-painting)
    [ "$path" = silent-pads ] && flag=(--silent-pads)
    [ "$path" = flooding-pad ] && flag=(--silent-pads --flooding-pad)
    env -u WAYLAND_DISPLAY DISPLAY=":$display" QT_QPA_PLATFORM=xcb QUORRAX_BENCH_XSERVER_PID="$xvfb" \
        "$build/bench/quorrax_pacing" "${flag[@]}"
    echo
done

echo
echo "== One tick's composition (Google Benchmark) =="
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$build/bench/quorrax_tick_bench" \
    --benchmark_min_time=1 "$@"
