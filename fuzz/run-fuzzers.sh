#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
#
# Runs every fuzz target for SECONDS seconds (default 20) from its saved corpus, and prints
# the executions each made. New inputs go to a scratch corpus, so the saved one stays small;
# a crash leaves crash-* files in the current folder and fails the run.
#   fuzz/run-fuzzers.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in catalogue package unpack usbmux lockdown afc; do
    mkdir -p "$work/$target"
    log="$work/$target.log"
    if ASAN_OPTIONS=detect_leaks=1 "$build/bin/fuzz_$target" "$work/$target" "$here/corpus/$target" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$target: ${runs:-?} executions in ${seconds}s, no failure"
    else
        echo "fuzz_$target: FAILED"
        tail -40 "$log"
        status=1
    fi
done
exit $status
