#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the built game as a player or a distribution would and checks what lands where.
# Usage: install_test.sh PART BUILD_DIR [CMAKE]
#   player    install for one player into a fresh prefix: the files, the menu entry, the
#             game started from its launcher and ended as at logout, the uninstall
#   everyone  the install for everyone (QUORRAX_SYSTEM_INSTALL) staged with DESTDIR: the
#             exact file list, the menu entry, the manual
#   validate  the menu entry and the software centre's entry, by their validators
#   package   the Debian package built from a copy of the source, and lintian on it
# A part whose tools or rights are missing here exits with 77, which CTest reports as skipped.
set -euo pipefail

part=$1
build=$(cd "$2" && pwd)
cmake=${3:-cmake}
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
app_id=$(sed -n 's/^QUORRAX_APP_ID:STRING=//p' "$build/CMakeCache.txt")
skipped=77

scratch=$(mktemp -d)
game_pid=
cleanup() {
    [ -z "$game_pid" ] || kill -KILL "$game_pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
finish() {
    [ $failures -eq 0 ] || { echo "install test ($part): $failures problems"; exit 1; }
    echo "install test ($part): all checks passed"
}
skip() { echo "SKIPPED: $*"; exit $skipped; }
need() { command -v "$1" >/dev/null || skip "$1 is not installed"; }
expect_bytes() { # file, expected text with LF line ends (the file has CR LF)
    [ "$(tr -d '\r' <"$1" 2>/dev/null)" = "$2" ] || fail "$1 holds: $(cat "$1" 2>/dev/null || echo nothing)"
}
same_list() { # what, listed, expected
    [ "$2" = "$3" ] || fail "$1 lists:"$'\n'"$2"$'\n'"expected:"$'\n'"$3"
}

# The files every install has, from its prefix, less the program and its launcher.
shared_files() {
    local size
    printf '%s\n' "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
        share/man/man6/quorrax.6 share/doc/quorrax/README.md share/doc/quorrax/NEWS share/doc/quorrax/LICENSE \
        share/icons/hicolor/scalable/apps/quorrax.svg
    for size in 16 32 48 64 128 256; do echo "share/icons/hicolor/${size}x$size/apps/quorrax.png"; done
}

check_entry() { # entry, the command it must start
    for line in "Name=Quorrax" "Exec=$2" "Icon=quorrax" "Terminal=false" "Type=Application" \
        "Categories=Game;ArcadeGame;" "StartupNotify=true" "StartupWMClass=Quorrax"; do
        grep -qxF -- "$line" "$1" || fail "$1 lacks the line $line"
    done
}

check_art() { # prefix
    local size
    for size in 16 32 48 64 128 256; do
        cmp -s "$1/share/icons/hicolor/${size}x$size/apps/quorrax.png" "$source_dir/assets/icons/quorrax-$size.png" ||
            fail "the $size px icon is not assets/icons/quorrax-$size.png"
    done
    grep -q '^\.TH QUORRAX 6 ' "$1/share/man/man6/quorrax.6" || fail "the manual has no title line"
}

install_for_one_player() { # prefix
    "$cmake" --install "$build" --prefix "$1" >"$scratch/install.log" ||
        { cat "$scratch/install.log" >&2; fail "cmake --install"; exit 1; }
}

# Starts the game the way a menu or a shell does: through a link to the launcher, from
# another folder, then ends it as the desktop does at logout (SIGTERM: save, then end).
play_and_quit() { # launcher, program
    mkdir -p "$scratch/elsewhere" "$scratch/cwd"
    ln -sf "$1" "$scratch/elsewhere/quorrax"
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
        [ "$exe" = "$2" ] && [ -n "$caught" ] && (((0x$caught >> 14) & 1)) && break
    done
    kill -TERM "$game_pid" 2>/dev/null || { fail "the game did not start: $(cat "$scratch/game.log")"; return; }
    wait "$game_pid" || status=$?
    game_pid=
    [ $status -eq 0 ] || fail "the game ended with status $status after SIGTERM: $(cat "$scratch/game.log")"
}

# A space in the prefix checks that the launcher and the menu entry quote their paths.
prefix="$scratch/home dir/.local"
program="$prefix/lib/quorrax/quorrax"
launcher="$prefix/bin/quorrax"
ini="$prefix/lib/quorrax/Quorx.ini"
own="$scratch/data/quorrax/Quorx.ini"

case $part in
player)
    install_for_one_player "$prefix"
    [ -x "$program" ] && [ -x "$launcher" ] || fail "the program or its launcher is missing"
    check_art "$prefix"
    check_entry "$prefix/share/applications/$app_id.desktop" "\"$launcher\""
    # Exactly the installed files are in the manifest, so that they can be removed again.
    same_list "the install manifest" "$(sort "$build/install_manifest.txt")" \
        "$({ printf '%s\n' "$program" "$launcher"; shared_files | sed "s|^|$prefix/|"; } | sort)"

    # A folder the player may write: the high score goes beside the program.
    play_and_quit "$launcher" "$program"
    expect_bytes "$ini" $'[Quorrax]\nHighScore=0'
    [ -z "$(ls -A "$scratch/cwd")" ] || fail "the game wrote into the folder it was started from"
    [ ! -e "$own" ] || fail "the game made a player's copy beside a writable program folder"

    # Uninstalling removes what the manifest lists; the high score stays until its folder goes.
    xargs -d '\n' rm -f -- <"$build/install_manifest.txt"
    left=$(cd "$prefix" && find . -type f | sort)
    [ "$left" = "./lib/quorrax/Quorx.ini" ] || fail "after removing the manifest's files these are left: $left"
    ;;
everyone)
    # A build folder of its own, inside this one, configured as a distribution does. Only
    # the layout is checked here, so it installs this build's program instead of compiling
    # the game again; the package part runs a program built for everyone.
    system="$build/install-for-everyone"
    "$cmake" -S "$source_dir" -B "$system" -DQUORRAX_SYSTEM_INSTALL=ON -DCMAKE_INSTALL_PREFIX=/usr \
        -DCMAKE_INSTALL_BINDIR=games -DQUORRAX_TESTS=OFF -DQUORRAX_BENCH=OFF >"$scratch/configure.log" ||
        { cat "$scratch/configure.log" >&2; fail "configuring the install for everyone"; exit 1; }
    mkdir -p "$system/game"
    cp "$build/game/quorrax" "$system/game/quorrax"
    DESTDIR="$scratch/root" "$cmake" --install "$system" >"$scratch/install.log" ||
        { cat "$scratch/install.log" >&2; fail "cmake --install"; exit 1; }
    check_art "$scratch/root/usr"
    check_entry "$scratch/root/usr/share/applications/$app_id.desktop" /usr/games/quorrax
    same_list "the install for everyone" "$(cd "$scratch/root" && find . ! -type d | sort)" \
        "$({ echo ./usr/games/quorrax; shared_files | sed 's|^|./usr/|'; } | sort)"
    ;;
validate)
    install_for_one_player "$prefix"
    need desktop-file-validate
    need appstreamcli
    out=$(desktop-file-validate "$prefix/share/applications/$app_id.desktop" 2>&1) && [ -z "$out" ] ||
        fail "desktop-file-validate: $out"
    # Infos are fine (a default id names no domain), warnings not; but AppStream 1.0's advice
    # to give a home page counts as a note where the publisher has given none.
    metainfo="$prefix/share/metainfo/$app_id.metainfo.xml" options=(--pedantic --no-net)
    grep -q '<url type="homepage">' "$metainfo" || [[ $(appstreamcli --version) == *" 0."* ]] ||
        options+=(--override=url-homepage-missing=info)
    out=$(appstreamcli validate "${options[@]}" "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
    if grep -E '^ *[EW]:' <<<"$out"; then fail "appstreamcli validate warns"; fi
    ;;
package)
    for tool in dpkg-buildpackage dpkg-checkbuilddeps lintian git; do need $tool; done
    [ -n "${DEBEMAIL:-}" ] || skip "DEBEMAIL is not set: the package names the packager, and a test invents none"
    # A copy of the source, so that the build writes nothing into the source tree.
    copy="$scratch/source/quorrax"
    mkdir -p "$copy"
    git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
        (cd "$source_dir" && xargs -0 cp --parents -t "$copy" --)
    (cd "$copy" && debian/rules debian/control debian/changelog &&
        DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -b -Pnocheck) >"$scratch/package.log" 2>&1 ||
        { tail -40 "$scratch/package.log" >&2; fail "dpkg-buildpackage"; exit 1; }
    deb=$(echo "$scratch"/source/quorrax_*.deb)
    same_list "the package" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)" \
        "$({ printf '%s\n' ./usr/games/quorrax ./usr/share/doc/quorrax/changelog.gz ./usr/share/doc/quorrax/copyright
            ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' dpkg)" ge 1.22 ||
                echo ./usr/share/lintian/overrides/quorrax
            shared_files | grep -v LICENSE | sed 's|^|./usr/|; s|README.md$|&.gz|; s|NEWS$|&.gz|; s|quorrax.6$|&.gz|'; } | sort)"
    for field in "Depends=*fonts-ipafont-gothic | fonts-vlgothic*" "Depends=*qt6-qpa-plugins*" \
        "Depends=*libqt6widgets6 (*" "Maintainer=$(sed -n 's/^Maintainer: //p' "$copy/debian/control")" \
        "Section=games" "Version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"; do
        value=$(dpkg-deb -f "$deb" "${field%%=*}")
        [[ $value == ${field#*=} ]] || fail "the package's ${field%%=*} is $value, expected ${field#*=}"
    done
    # No errors and no warnings; the infos that remain are explained in the README.
    lintian -EvIL +pedantic "$scratch"/source/quorrax_*.changes >"$scratch/lintian.log" 2>&1 || true
    if grep -E '^[EW]: ' "$scratch/lintian.log"; then fail "lintian"; fi
    dpkg-deb -x "$deb" "$scratch/root"
    [ "$("$scratch/root/usr/games/quorrax" --version)" = "quorrax $(dpkg-deb -f "$deb" Version)" ] ||
        fail "the packaged program does not give its version"
    # The packaged game keeps the score in the player's own copy only: a file beside the
    # program (as an older version run by root left it) neither seeds it nor changes.
    printf '[Quorrax]\r\nHighScore=500\r\n' >"$scratch/root/usr/games/Quorx.ini"
    before=$(cd "$scratch/root" && find . | sort)
    play_and_quit "$scratch/root/usr/games/quorrax" "$scratch/root/usr/games/quorrax"
    expect_bytes "$own" $'[Quorrax]\nHighScore=0'
    expect_bytes "$scratch/root/usr/games/Quorx.ini" $'[Quorrax]\nHighScore=500'
    same_list "the unpacked package after a game" "$(cd "$scratch/root" && find . | sort)" "$before"
    # The program's property note lacks the objects' control-flow landing pads; stack clash
    # probes come only with frames over a page; branch protection (-B) is arm64's alone.
    if command -v hardening-check >/dev/null; then
        hardening-check --nocfprotection $([[ $(hardening-check --help 2>&1) != *nobranch* ]] || echo -B) \
            "$scratch/root/usr/games/quorrax" || fail "hardening-check"
    fi
    ;;
*)
    echo "usage: $0 player|everyone|validate|package BUILD_DIR [CMAKE]" >&2
    exit 2
    ;;
esac
finish
