#!/usr/bin/env bash
# Installs the built game into a fresh prefix, as a player would into ~/.local, checks the
# installed files and the menu entry, starts the game from its launcher and stops it as the
# desktop does at logout, then removes the files listed in the install manifest.
# Usage: install_test.sh BUILD_DIR [CMAKE]
set -euo pipefail

build=$1
cmake=${2:-cmake}
assets="$(cd "$(dirname "$0")/../../assets" && pwd)"

scratch=$(mktemp -d)
game_pid=
cleanup() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill -KILL "$game_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
expect_file() { # path, mode test
    [ "$2" "$1" ] || fail "expected $1 (test $2)"
}

# A space in the prefix checks that the launcher and the menu entry quote their paths.
prefix="$scratch/home dir/.local"
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
    { cat "$scratch/install.log" >&2; fail "cmake --install"; exit 1; }

program="$prefix/lib/quorrax/quorrax"
launcher="$prefix/bin/quorrax"
entry="$prefix/share/applications/quorrax.desktop"
expect_file "$program" -x
expect_file "$launcher" -x
expect_file "$entry" -f
for size in 16 32; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/quorrax.png"
    expect_file "$icon" -f
    cmp -s "$icon" "$assets/icon$size.png" || fail "$icon is not assets/icon$size.png"
    seen=$(identify -format '%wx%h' "$icon" 2>&1) || true
    [ "$seen" = "${size}x${size}" ] || fail "$icon is $seen, expected ${size}x${size}"
done

# The menu entry.
if ! command -v desktop-file-validate >/dev/null; then
    fail "desktop-file-validate is not installed (package desktop-file-utils)"
elif ! desktop-file-validate "$entry"; then
    fail "desktop-file-validate rejects $entry"
fi
for line in "Name=Quorrax" "Exec=\"$launcher\"" "Icon=quorrax" "Terminal=false" "Type=Application" \
    "Categories=Game;ArcadeGame;"; do
    grep -qxF -- "$line" "$entry" || fail "$entry lacks the line $line"
done
grep -q '^Comment=.' "$entry" || fail "$entry has no Comment"

# Exactly the installed files are in the manifest, so that they can be removed again.
manifest="$build/install_manifest.txt"
listed=$(sort "$manifest")
expected=$(printf '%s\n' "$program" "$launcher" "$entry" \
    "$prefix/share/icons/hicolor/16x16/apps/quorrax.png" \
    "$prefix/share/icons/hicolor/32x32/apps/quorrax.png" | sort)
[ "$listed" = "$expected" ] || fail "the install manifest lists:"$'\n'"$listed"$'\n'"expected:"$'\n'"$expected"

# Start the game the way a menu or a shell does: through a link to the launcher, from
# another folder. The high-score file must appear beside the program, not in that folder.
mkdir -p "$scratch/elsewhere" "$scratch/cwd"
ln -s "$launcher" "$scratch/elsewhere/quorrax"
(cd "$scratch/cwd" && unset DISPLAY WAYLAND_DISPLAY && QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$scratch" exec "$scratch/elsewhere/quorrax" >"$scratch/game.log" 2>&1) &
game_pid=$!

# The launcher replaces itself with the program, which then catches SIGTERM to save and end.
# Poll until the installed program runs under that process and has its handler in place.
ready=0
deadline=$((SECONDS + 30))
while [ $SECONDS -lt $deadline ] && kill -0 "$game_pid" 2>/dev/null; do
    exe=$(readlink "/proc/$game_pid/exe" 2>/dev/null) || exe=
    caught=
    while read -r key value; do
        [ "$key" = "SigCgt:" ] && caught=$value
    done <"/proc/$game_pid/status" 2>/dev/null || true
    if [ "$exe" = "$program" ] && [ -n "$caught" ] && (((0x$caught >> 14) & 1)); then
        ready=1
        break
    fi
done
if [ $ready -ne 1 ]; then
    fail "the installed program did not start from the launcher; log:"$'\n'"$(cat "$scratch/game.log")"
    exit 1
fi
kill -TERM "$game_pid"
status=0
wait "$game_pid" || status=$?
game_pid=
[ $status -eq 0 ] || fail "the game ended with status $status after SIGTERM; log:"$'\n'"$(cat "$scratch/game.log")"

ini="$prefix/lib/quorrax/Quorx.ini"
if [ -f "$ini" ]; then
    [ "$(tr -d '\r' <"$ini")" = $'[Quorrax]\nHighScore=0' ] || fail "$ini holds: $(cat "$ini")"
else
    fail "no high-score file at $ini"
fi
[ -z "$(ls -A "$scratch/cwd")" ] || fail "the game wrote into the folder it was started from"

# Uninstalling removes what the manifest lists; the high score stays until its folder goes.
xargs -d '\n' rm -f -- <"$manifest"
left=$(cd "$prefix" && find . -type f | sort)
[ "$left" = "./lib/quorrax/Quorx.ini" ] || fail "after removing the manifest's files these are left: $left"

if [ $failures -ne 0 ]; then
    echo "install test: $failures problems"
    exit 1
fi
echo "install test: all checks passed"
