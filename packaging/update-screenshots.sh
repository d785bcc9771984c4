#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
#
# Takes the screenshots named in the AppStream metadata again, with the application's screenshot
# mode on a fresh demo device, into packaging/screenshots/ (published under
# https://bookferry.org/screenshots/).
#   packaging/update-screenshots.sh [BUILD_DIR]     (default: build; bookferry must be built)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"

env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$work/home" QT_QPA_PLATFORM=offscreen \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/runtime" \
    "$build/bin/bookferry" --device demo --screenshots "$work/shots" >/dev/null

for shot in $(grep -o 'screenshots/[^<]*\.png' "$here/org.bookferry.Bookferry.metainfo.xml" | sed 's|screenshots/||'); do
    cp "$work/shots/$shot" "$here/screenshots/$shot"
    echo "$here/screenshots/$shot: $(file -b "$here/screenshots/$shot" | cut -d, -f2)"
done
