#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the two benchmarks, plays the game under a private Xvfb server and, where installed,
# a private headless Weston to measure its pacing and processor load, then times one tick's
# composition. Run it on an otherwise
# idle machine; nothing here asserts, it only reports.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORRAX_BENCH_BUILD:-build-bench}
# In a UTF-8 locale, as ./test.sh builds: Qt 6.8's build tools warn in any other.
LC_ALL=C.UTF-8 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORRAX_BENCH=ON >/dev/null
LC_ALL=C.UTF-8 cmake --build "$build" -j"$(nproc)" --target quorrax quorrax_pacing quorrax_tick_bench >/dev/null

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
results=$(mktemp -d) # each run's report, for the comparison at the end
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$results"' EXIT
# Waits up to 5 s for a server's socket or lock file to appear.
wait_for() {
    for _ in $(seq 100); do
        [ -e "$1" ] && return 0
        sleep 0.05
    done
}
wait_for "/tmp/.X11-unix/X$display"

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
        "$build/bench/quorrax_pacing" "${flag[@]}" | tee "$results/x11-$path"
    echo
done

# The game as a Wayland client of a private headless Weston, where Weston and Qt's Wayland
# plugin are installed: paced by the compositor's frames as it runs there, then with Qt's
# painting as it comes; last, as a floor, Weston's own small client that damages a small
# area once a frame, for 5 s under the same compositor.
if command -v weston >/dev/null && compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
    runtime=$(mktemp -d) # mode 0700, as the compositor requires
    XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --use-pixman --socket=quorrax-bench --debug \
        --width=1024 --height=768 --idle-time=0 >"$runtime/weston.log" 2>&1 &
    weston=$!
    trap 'kill "$xvfb" "$weston" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$runtime" "$results"' EXIT
    wait_for "$runtime/quorrax-bench.lock"
    wayland=(env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=quorrax-bench QT_QPA_PLATFORM=wayland)
    for path in wayland qt-painting; do
        echo "== Pacing: the real game under Weston (headless, pixman; counted as the X server), $path =="
        flag=()
        [ "$path" = qt-painting ] && flag=(--qt-painting)
        "${wayland[@]}" QUORRAX_BENCH_XSERVER_PID="$weston" "$build/bench/quorrax_pacing" "${flag[@]}" |
            tee "$results/wayland-$path"
        echo
    done
    # Nanoseconds on a processor and voluntary wake-ups, over every thread of a process.
    usage() { cat /proc/"$1"/task/*/schedstat | awk '{ns += $1} END {printf "%.0f ", ns}'
              cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt/ {n += $2} END {print n}'; }
    # The game on its title for 5 s, every message to and from the compositor logged by
    # Wayland's client library: its commits, the frames the compositor showed of it (the frame
    # callbacks answered), and the game's wake-ups over the same seconds, all threads.
    cp "$build/game/quorrax" "$runtime/quorrax" # its high-score file lands beside it
    "${wayland[@]}" HOME="$runtime" WAYLAND_DEBUG=client "$runtime/quorrax" 2>"$runtime/messages" &
    game=$!
    sleep 2
    read -r _ g0 < <(usage "$game")
    m0=$(wc -l <"$runtime/messages")
    sleep 5
    read -r _ g1 < <(usage "$game")
    m1=$(wc -l <"$runtime/messages")
    kill "$game"
    wait "$game" 2>/dev/null || true
    echo "== The game's commits on its title under the same Weston, 5 s (WAYLAND_DEBUG=client) =="
    sed -n "$((m0 + 1)),${m1}p" "$runtime/messages" | awk -v w=$((g1 - g0)) '
        /-> wl_surface[@#][0-9]+\.commit\(/ {c++}
        match($0, /new id wl_callback[@#][0-9]+/) {frame[substr($0, RSTART + 7, RLENGTH - 7)] = /\.frame\(/}
        !/->/ && match($0, /wl_callback[@#][0-9]+\.done/) {f += frame[substr($0, RSTART, RLENGTH - 5)]}
        END {printf "commits %.1f a second; frames shown %.1f a second; game wake-ups %.2f a frame shown\n",
             c / 5, f / 5, f ? w / f : 0}' | tee "$results/commits"
    echo
    if command -v weston-simple-damage >/dev/null; then
        "${wayland[@]}" weston-simple-damage >/dev/null 2>&1 &
        floor=$!
        sleep 1
        read -r c0 cw0 < <(usage "$floor"); read -r w0 ww0 < <(usage "$weston")
        sleep 5
        read -r c1 cw1 < <(usage "$floor"); read -r w1 ww1 < <(usage "$weston")
        kill "$floor"
        echo "== The floor: weston-simple-damage under the same Weston, 5 s =="
        awk -v c=$((c1 - c0)) -v w=$((w1 - w0)) -v cw=$((cw1 - cw0)) -v ww=$((ww1 - ww0)) 'BEGIN {
            printf "client %.3f %%, Weston %.3f %%, together %.3f %% of one core; wake-ups/s client %.1f, Weston %.1f\n",
                c / 5e7, w / 5e7, (c + w) / 5e7, cw / 5, ww / 5 }' | tee "$results/floor"
        echo
    fi
    # The Wayland run against the X11 run and the floor client, as the goals compare them:
    # game and server together, % of one core, from the first load table of a run.
    together() { awk -v screen="$2" '$1 == screen && $2 == "|" {print $5; exit}' "$results/$1"; }
    echo "== Wayland at the compositor's frames against X11 straight into the window, and the floor =="
    awk -v xt="$(together x11-direct title)" -v xm="$(together x11-direct match)" \
        -v wt="$(together wayland-wayland title)" -v wm="$(together wayland-wayland match)" \
        -v floor="$(awk '{print $8}' "$results/floor" 2>/dev/null)" -v frame="$(awk '{print $12}' "$results/commits")" \
        -v memory="$(awk '/^Peak resident memory/ {print $4}' "$results/wayland-wayland")" 'BEGIN {
        printf "title %.2f %% against %.2f %% on X11: %.2f x (goal <= 1.5)", wt, xt, wt / xt
        if (floor > 0)
            printf "; %.2f x the floor client at %.2f %% (goal <= 2)", wt / floor, floor
        printf "\nmatch %.2f %% against %.2f %% on X11: %.2f x (goal <= 1.5)", wm, xm, wm / xm
        if (floor > 0)
            printf "; %.2f x the floor client (goal <= 2)", wm / floor
        printf "\n"
        printf "game wake-ups a frame shown %s (goal <= 1); peak resident memory %s MB (goal <= 45)\n", frame, memory }'
    echo
fi

echo
echo "== One tick's composition (Google Benchmark) =="
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$build/bench/quorrax_tick_bench" \
    --benchmark_min_time=1 "$@"
