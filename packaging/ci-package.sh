#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
#
# Checks what a built tree installs and packages:
#   1. `cmake --install` into an unusual prefix (with a space in it): the expected layout, the
#      programs' --help and --version, resources found relative to the programs, settings and
#      data kept in the XDG folders, the desktop entry, the AppStream metadata, the man pages and
#      the shell completion;
#   2. the Debian package made by CPack: its dependencies and contents;
#   3. the package installed with apt, and the installed programs and files checked again.
#
#   packaging/ci-package.sh [BUILD_DIR]     (default: build; it must be built already)
#
# Step 3 needs root or sudo; BOOKFERRY_PACKAGE_INSTALL=0 skips it. The package is removed again
# afterwards unless it was installed before or BOOKFERRY_KEEP_PACKAGE=1.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
app_id=org.bookferry.Bookferry
icon=bookferry
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "packaging: no project version in $build/CMakeCache.txt" >&2; exit 2; }

work=$(mktemp -d)
emulator_pid=
cleanup() {
    [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "packaging: FAIL: $*" >&2; failures=$((failures + 1)); }
say() { echo "packaging: $*"; }

# Runs a program in a clean per-user environment under $work/user-$1 (a fresh HOME and XDG
# folders), so the checks see exactly what the program writes and where.
run_as_user() { # name, program, args...
    local name=$1; shift
    local u="$work/user-$name"
    mkdir -p "$u/home" "$u/runtime"
    chmod 700 "$u/runtime"
    env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$u/home" QT_QPA_PLATFORM=offscreen \
        XDG_CONFIG_HOME="$u/config" XDG_DATA_HOME="$u/data" XDG_CACHE_HOME="$u/cache" \
        XDG_STATE_HOME="$u/state" XDG_RUNTIME_DIR="$u/runtime" "$@"
}

# --version prints the project version, --help exits 0 with a usage text.
check_help_version() { # program path, name
    local exe=$1 name=$2 out
    if out=$(run_as_user "$name-version" "$exe" --version 2>&1); then
        grep -qF "$version" <<<"$out" || fail "$name --version says \"$out\", not $version"
    else
        fail "$name --version failed: $out"
    fi
    if out=$(run_as_user "$name-help" "$exe" --help 2>&1); then
        grep -qi 'usage' <<<"$out" || fail "$name --help shows no usage"
    else
        fail "$name --help failed: $out"
    fi
}

check_desktop_files() { # prefix
    local prefix=$1 out
    local entry="$prefix/share/applications/bookferry.desktop"
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    # Hints are advice, not faults.
    if grep -v ': hint: ' <<<"$out" | grep -q .; then
        fail "desktop-file-validate: $out"
    fi
    # One menu entry, whose program and icon are installed beside it.
    if [ "$prefix" != /usr ]; then
        local entries
        entries=$(cd "$prefix/share/applications" && ls)
        [ "$entries" = bookferry.desktop ] || fail "more than one menu entry is installed: $entries"
    fi
    # File managers offer the program for ePub books and hand it the files.
    grep -qx 'MimeType=.*application/epub+zip;.*' "$entry" || fail "the menu entry declares no application/epub+zip"
    # PDFs too: reader apps take them.
    grep -qx 'MimeType=.*application/pdf;.*' "$entry" || fail "the menu entry declares no application/pdf"
    grep -qx 'Exec=bookferry %F' "$entry" || fail "the menu entry does not take files (Exec=bookferry %F)"
    local exec_name icon_name
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$prefix/bin/$exec_name" ] || fail "the menu entry starts $exec_name, which is not installed"
    icon_name=$(sed -n 's/^Icon=//p' "$entry")
    [ "$icon_name" = "$icon" ] || fail "the menu entry names the icon \"$icon_name\", not $icon"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "no scalable icon $icon_name"
    out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" 2>&1) \
        || fail "appstreamcli validate: $out"
    for page in bookferry bookferry-cli bookferry-device-emulator; do
        local file="$prefix/share/man/man1/$page.1.gz"
        [ -f "$file" ] || { fail "no man page $page.1.gz"; continue; }
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null) \
            || fail "man $page: $out"
        [ -z "$out" ] || fail "man $page: $out"
    done
}

# bookferry-cli's completion file is sound bash and, loaded by bash-completion, completes commands,
# options before and after the command, and the --device choices.
check_completion() { # prefix
    local file="$1/share/bash-completion/completions/bookferry-cli" out line expected
    out=$(bash -n "$file" 2>&1) || { fail "bash -n $file: $out"; return; }
    [ -f /usr/share/bash-completion/bash_completion ] || { say "no bash-completion: completions not tried"; return; }
    while IFS='|' read -r line expected; do
        # shellcheck disable=SC2016
        out=$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" || exit 1
            compopt() { :; }  # only bash itself can set the options of a completion under way
            COMP_LINE=$2 COMP_POINT=${#2}
            read -ra COMP_WORDS <<<"$2"
            [[ $2 == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            _bookferry_cli bookferry-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            echo "${COMPREPLY[*]}"' completion "$file" "$line" 2>&1)
        [ "$out" = "$expected" ] || fail "completing \"$line\" gives \"$out\", not \"$expected\""
    done <<'LINES'
bookferry-cli --js|--json
bookferry-cli --app org.example.reader li|list
bookferry-cli apps --|--device --json --verbose --help --version --all --
bookferry-cli --device fo|folder:
bookferry-cli list --device demo --cu|--custom
LINES
}

# The newest release named in the metadata is the version being built.
metainfo="$src/packaging/$app_id.metainfo.xml"
newest=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | sed 's/.*version="//; s/"$//')
[ "$newest" = "$version" ] || fail "the newest release in $app_id.metainfo.xml is $newest, the project is $version"

# The committed screenshots have the sizes the metadata gives them.
while read -r w h shot; do
    f="$src/packaging/screenshots/$shot"
    [ -f "$f" ] || { fail "packaging/screenshots/$shot is missing"; continue; }
    file "$f" | grep -q "$w x $h" || fail "packaging/screenshots/$shot is not ${w}x$h: $(file -b "$f")"
done < <(sed -n 's|.*width="\([0-9]*\)" height="\([0-9]*\)">[^<]*screenshots/\([^<]*\)</image>.*|\1 \2 \3|p' "$metainfo")

# ---- 1. Install into an unusual prefix ---------------------------------------------------------
prefix="$work/odd prefix/opt/bookferry"
say "installing into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install"; }

expected=(bin/bookferry bin/bookferry-cli bin/bookferry-device-emulator
          share/bookferry/epubbuild share/bookferry/pdfreader share/bookferry/Info.plist share/bookferry/help/index.html
          share/bookferry/translations/bookferry_de.qm share/bookferry/translations/bookferry_es.qm
          share/bookferry/translations/bookferry_fr.qm
          share/applications/bookferry.desktop share/metainfo/$app_id.metainfo.xml
          share/icons/hicolor/scalable/apps/$icon.svg share/doc/bookferry/copyright
          share/bash-completion/completions/bookferry-cli)
for size in 16 22 24 32 48 64 128 256 512; do
    expected+=("share/icons/hicolor/${size}x$size/apps/$icon.png")
done
for f in "${expected[@]}"; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for exe in bin/bookferry bin/bookferry-cli bin/bookferry-device-emulator share/bookferry/epubbuild share/bookferry/pdfreader; do
    [ -x "$prefix/$exe" ] || fail "not executable: $exe"
done
# Everything the build lays out in its resource folder is installed.
(cd "$build/share/bookferry" && find . -type f | sort) >"$work/built"
(cd "$prefix/share/bookferry" && find . -type f | sort) >"$work/installed"
missing=$(comm -23 "$work/built" "$work/installed")
[ -z "$missing" ] || fail "resources not installed: $missing"
# Icons are the size their folder names.
for size in 16 48 256; do
    file "$prefix/share/icons/hicolor/${size}x$size/apps/$icon.png" | grep -q "$size x $size" \
        || fail "the ${size}x$size icon has another size"
done
# Installed programs never look into the build tree for libraries.
for exe in "$prefix"/bin/* "$prefix/share/bookferry/epubbuild" "$prefix/share/bookferry/pdfreader"; do
    if readelf -d "$exe" | grep -qE 'R(UN)?PATH'; then
        fail "$(basename "$exe") carries a library search path: $(readelf -d "$exe" | grep -E 'R(UN)?PATH')"
    fi
done

say "checking the programs installed under the prefix"
check_help_version "$prefix/bin/bookferry" bookferry
check_help_version "$prefix/bin/bookferry-cli" bookferry-cli
check_help_version "$prefix/bin/bookferry-device-emulator" bookferry-device-emulator
out=$(run_as_user epubbuild "$prefix/share/bookferry/epubbuild" --help 2>&1) || fail "epubbuild --help: $out"
out=$(run_as_user pdfreader "$prefix/share/bookferry/pdfreader" --help 2>&1) || fail "pdfreader --help: $out"

# The command-line tool on the demo device; the demo device lands in the data folder.
if out=$(run_as_user cli "$prefix/bin/bookferry-cli" --device demo list 2>"$work/cli.err"); then
    [ -n "$out" ] || fail "bookferry-cli --device demo list printed no books"
else
    fail "bookferry-cli --device demo list: $(cat "$work/cli.err")"
fi
[ -f "$work/user-cli/data/bookferry/demo-device/device.plist" ] \
    || fail "the demo device is not under \$XDG_DATA_HOME/bookferry"
mkdir -p "$work/exported"
if run_as_user cli "$prefix/bin/bookferry-cli" --device demo export --to "$work/exported" >/dev/null 2>"$work/export.err"; then
    n=$(find "$work/exported" -name '*.epub' | wc -l)
    [ "$n" -gt 0 ] || fail "bookferry-cli export wrote no ePub"
    for f in "$work/exported"/*.epub; do
        unzip -tqq "$f" >/dev/null 2>&1 || fail "exported $(basename "$f") is not a sound zip"
    done
else
    fail "bookferry-cli --device demo export: $(cat "$work/export.err")"
fi

# The window on the demo device: its screenshot mode needs the pictures and the information file
# from the resource folder beside the programs (no BOOKFERRY_RESOURCES is set).
shots="$work/shots"
if run_as_user gui "$prefix/bin/bookferry" --device demo --screenshots "$shots" >"$work/gui.out" 2>"$work/gui.err"; then
    for shot in $(grep -o 'screenshots/[^<]*\.png' "$metainfo" | sed 's|screenshots/||'); do
        [ -s "$shots/$shot" ] || fail "the screenshot mode wrote no $shot (named in the metadata)"
    done
else
    fail "bookferry --screenshots: $(cat "$work/gui.err")"
fi
if grep -Ei 'cannot (read|load|open)|not found' "$work/gui.err" >/dev/null; then
    fail "bookferry misses resources when installed: $(grep -Ei 'cannot (read|load|open)|not found' "$work/gui.err")"
fi

check_desktop_files "$prefix"
check_completion "$prefix"

# The emulator serves the demo device on a socket.
mkdir -p "$work/emu"
# env replaces itself with the emulator, so $! is the emulator's own process.
env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$work/emu" "$prefix/bin/bookferry-device-emulator" \
    --socket "$work/emu/mux.sock" "$work/user-cli/data/bookferry/demo-device" >"$work/emu/out" 2>"$work/emu/err" &
emulator_pid=$!
for _ in $(seq 1 100); do
    grep -q ready "$work/emu/out" 2>/dev/null && break
    kill -0 "$emulator_pid" 2>/dev/null || break
    sleep 0.1
done
if grep -q ready "$work/emu/out"; then
    # The command-line tool reaches it as a USB device, through the client library.
    out=$(run_as_user usb USBMUXD_SOCKET_ADDRESS="UNIX:$work/emu/mux.sock" BOOKFERRY_CLI_WAIT_SECONDS=10 \
        "$prefix/bin/bookferry-cli" --device usb info 2>&1) || fail "bookferry-cli --device usb info through the emulator: $out"
    grep -q '^DeviceName: ' <<<"$out" || fail "bookferry-cli --device usb info shows no DeviceName: $out"
else
    fail "bookferry-device-emulator did not get ready: $(cat "$work/emu/err")"
fi
kill "$emulator_pid" 2>/dev/null && wait "$emulator_pid" 2>/dev/null || true
emulator_pid=

# Nothing lands in the home folder itself: settings, data and caches go to the XDG folders.
for u in "$work"/user-*; do
    stray=$(find "$u/home" -mindepth 1 -maxdepth 1 | sed "s|$u/home/||")
    [ -z "$stray" ] || fail "$(basename "$u"): written into the home folder: $stray"
done

# ---- 2. The Debian package -----------------------------------------------------------------------
say "making the Debian package"
rm -f "$build"/packages/bookferry_*.deb
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$build"/packages/bookferry_"$version"_*.deb)
deb=${debs[0]}
if [ ! -f "$deb" ]; then
    fail "cpack made no bookferry_${version}_*.deb"
else
    say "$(basename "$deb"): $(du -h "$deb" | cut -f1)"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libimobiledevice6 libplist3 libzip4 libusbmuxd6 libssl3 libc6; do
        grep -q "\b$lib\b" <<<"$depends" || fail "the package does not depend on $lib: $depends"
    done
    recommends=$(dpkg-deb -f "$deb" Recommends)
    grep -q '\busbmuxd\b' <<<"$recommends" || fail "the package does not recommend usbmuxd: $recommends"
    dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
    for f in "${expected[@]}"; do
        grep -qxF "/usr/$f" "$work/contents" || fail "not in the package: /usr/$f"
    done
fi

# ---- 3. Installed with apt -----------------------------------------------------------------------
if [ "${BOOKFERRY_PACKAGE_INSTALL:-1}" != 0 ] && [ -f "$deb" ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    was_installed=0
    dpkg-query -W -f='${Status}' bookferry 2>/dev/null | grep -q 'install ok installed' && was_installed=1
    say "installing $(basename "$deb") with apt"
    cp "$deb" "$work/"
    chmod 755 "$work"
    if (cd "$work" && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --reinstall "./$(basename "$deb")") \
        >"$work/apt.log" 2>&1; then
        check_help_version /usr/bin/bookferry bookferry
        check_help_version /usr/bin/bookferry-cli bookferry-cli
        check_help_version /usr/bin/bookferry-device-emulator bookferry-device-emulator
        if out=$(run_as_user installed /usr/bin/bookferry-cli --device demo list 2>"$work/installed.err"); then
            say "bookferry-cli --device demo list (installed): $(wc -l <<<"$out") lines"
        else
            fail "installed bookferry-cli --device demo list: $(cat "$work/installed.err")"
        fi
        check_desktop_files /usr
        check_completion /usr
        # The list is read whole first: grep -q leaving early would break dpkg's pipe under pipefail.
        listed=$(dpkg -L bookferry)
        for helper in epubbuild pdfreader; do
            grep -qx "/usr/share/bookferry/$helper" <<<"$listed" || fail "dpkg -L bookferry lacks $helper"
        done
        if [ "$was_installed" = 0 ] && [ "${BOOKFERRY_KEEP_PACKAGE:-0}" != 1 ]; then
            DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -q --purge bookferry >>"$work/apt.log" 2>&1 \
                || fail "apt-get remove bookferry"
        fi
    else
        cat "$work/apt.log" >&2
        fail "apt-get install $(basename "$deb")"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "packaging: $failures check(s) failed" >&2
    exit 1
fi
say "all checks passed"
