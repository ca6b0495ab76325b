#!/usr/bin/env bash
# Installs the built game into a fresh prefix, as a player would into ~/.local, checks the
# installed files and the menu entry, starts the game from its launcher and stops it as the
# desktop does at logout, also with a program folder the player may not write, then
# removes the files listed in the install manifest. Last, builds the Debian package and
# checks its contents and its metadata.
# Usage: install_test.sh BUILD_DIR [CMAKE [CPACK]]
set -euo pipefail

build=$1
cmake=${2:-cmake}
cpack=${3:-cpack}
assets="$(cd "$(dirname "$0")/../../assets" && pwd)"

scratch=$(mktemp -d)
game_pid=
locked=
cleanup() {
    [ -z "$game_pid" ] || kill -KILL "$game_pid" 2>/dev/null || true
    [ -z "$locked" ] || chattr -i "$locked" 2>/dev/null || chmod u+w "$locked"
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
expect_bytes() { # file, expected text with LF line ends (the file has CR LF)
    [ "$(tr -d '\r' <"$1" 2>/dev/null)" = "$2" ] || fail "$1 holds: $(cat "$1" 2>/dev/null || echo nothing)"
}

# A space in the prefix checks that the launcher and the menu entry quote their paths.
prefix="$scratch/home dir/.local"
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
    { cat "$scratch/install.log" >&2; fail "cmake --install"; exit 1; }

program="$prefix/lib/quorrax/quorrax"
launcher="$prefix/bin/quorrax"
entry="$prefix/share/applications/quorrax.desktop"
icons="share/icons/hicolor/16x16/apps/quorrax.png share/icons/hicolor/32x32/apps/quorrax.png"
[ -x "$program" ] && [ -x "$launcher" ] || fail "the program or its launcher is missing"
for size in 16 32; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/quorrax.png"
    cmp -s "$icon" "$assets/icon$size.png" || fail "$icon is not assets/icon$size.png"
done

check_entry() { # entry, launcher it must start
    desktop-file-validate "$1" || fail "desktop-file-validate rejects $1"
    for line in "Name=Quorrax" "Exec=$2" "Icon=quorrax" "Terminal=false" "Type=Application" \
        "Categories=Game;ArcadeGame;"; do
        grep -qxF -- "$line" "$1" || fail "$1 lacks the line $line"
    done
    grep -q '^Comment=.' "$1" || fail "$1 has no Comment"
}
check_entry "$entry" "\"$launcher\""

# Exactly the installed files are in the manifest, so that they can be removed again.
listed=$(sort "$build/install_manifest.txt")
expected=$({
    printf '%s\n' "$program" "$launcher" "$entry"
    for icon in $icons; do echo "$prefix/$icon"; done
} | sort)
[ "$listed" = "$expected" ] || fail "the install manifest lists:"$'\n'"$listed"$'\n'"expected:"$'\n'"$expected"

# Starts the game the way a menu or a shell does: through a link to the launcher, from
# another folder, then ends it as the desktop does at logout (SIGTERM: save, then end).
mkdir -p "$scratch/elsewhere" "$scratch/cwd"
ln -s "$launcher" "$scratch/elsewhere/quorrax"
play_and_quit() {
    (cd "$scratch/cwd" && unset DISPLAY WAYLAND_DISPLAY && QT_QPA_PLATFORM=offscreen \
        XDG_RUNTIME_DIR="$scratch" XDG_DATA_HOME="$scratch/data" \
        exec "$scratch/elsewhere/quorrax" >"$scratch/game.log" 2>&1) &
    game_pid=$!
    # The launcher replaces itself with the program: wait until the installed program
    # runs under that process and has its SIGTERM handler in place.
    local deadline=$((SECONDS + 30)) exe caught key value status=0
    while [ $SECONDS -lt $deadline ] && kill -0 "$game_pid" 2>/dev/null; do
        exe=$(readlink "/proc/$game_pid/exe" 2>/dev/null) || exe=
        caught=
        while read -r key value; do
            [ "$key" = "SigCgt:" ] && caught=$value
        done <"/proc/$game_pid/status" 2>/dev/null || true
        [ "$exe" = "$program" ] && [ -n "$caught" ] && (((0x$caught >> 14) & 1)) && break
    done
    kill -TERM "$game_pid" 2>/dev/null || { fail "the game did not start: $(cat "$scratch/game.log")"; return; }
    wait "$game_pid" || status=$?
    game_pid=
    [ $status -eq 0 ] || fail "the game ended with status $status after SIGTERM: $(cat "$scratch/game.log")"
}

# A folder the player may write: the high score goes beside the program.
ini="$prefix/lib/quorrax/Quorx.ini"
own="$scratch/data/quorrax/Quorx.ini"
play_and_quit
expect_bytes "$ini" $'[Quorrax]\nHighScore=0'
[ -z "$(ls -A "$scratch/cwd")" ] || fail "the game wrote into the folder it was started from"
[ ! -e "$own" ] || fail "the game made a player's copy beside a writable program folder"

# A folder the player may not write: the first save starts the player's own copy from the
# shared file (a value that is no number gives way to 0), and from then on the game reads
# and writes that copy: 30.5 reads as 30, which the save then leaves as it is.
printf '[Quorrax]\r\nHighScore=lots\r\n[Other]\r\nKeep=1\r\n' >"$ini"
locked="$prefix/lib/quorrax"
if [ "$(id -u)" -eq 0 ]; then chattr +i "$locked" 2>/dev/null || locked=; else chmod a-w "$locked"; fi
if [ -n "$locked" ]; then
    play_and_quit
    expect_bytes "$own" $'[Quorrax]\nHighScore=0\n[Other]\nKeep=1'
    sed -i 's/=0\r/=30.5\r/' "$own"
    play_and_quit
    expect_bytes "$own" $'[Quorrax]\nHighScore=30.5\n[Other]\nKeep=1'
    expect_bytes "$ini" $'[Quorrax]\nHighScore=lots\n[Other]\nKeep=1'
    chattr -i "$locked" 2>/dev/null || chmod u+w "$locked"
    locked=
else
    echo "note: chattr +i failed, so the read-only program folder was not tried" >&2
fi

# Uninstalling removes what the manifest lists; the high score stays until its folder goes.
xargs -d '\n' rm -f -- <"$build/install_manifest.txt"
left=$(cd "$prefix" && find . -type f | sort)
[ "$left" = "./lib/quorrax/Quorx.ini" ] || fail "after removing the manifest's files these are left: $left"

# The Debian package: the same files under /usr, its libraries found from the program.
(cd "$build" && "$cpack" -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) ||
    { fail "cpack: $(cat "$scratch/cpack.log")"; exit 1; }
deb=$(echo "$scratch"/package/quorrax_*_"$(dpkg --print-architecture)".deb)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort)
expected=$({
    printf -- '-rwxr-xr-x root/root ./usr/%s\n' bin/quorrax lib/quorrax/quorrax
    printf -- '-rw-r--r-- root/root ./usr/%s\n' share/applications/quorrax.desktop $icons
} | sort)
[ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"$'\n'"expected:"$'\n'"$expected"
for field in Package=quorrax Section=games "Depends=fonts-ipafont-gothic | fonts-vlgothic, *" \
    "Depends=*, libqt6widgets6 (*" "Depends=*, libc6 (*" "Description=arcade game *"; do
    value=$(dpkg-deb -f "$deb" "${field%%=*}")
    [[ $value == ${field#*=} ]] || fail "the package's ${field%%=*} is $value, expected ${field#*=}"
done
dpkg-deb -x "$deb" "$scratch/unpacked"
check_entry "$scratch/unpacked/usr/share/applications/quorrax.desktop" /usr/bin/quorrax

if [ $failures -ne 0 ]; then
    echo "install test: $failures problems"
    exit 1
fi
echo "install test: all checks passed"
