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
# Targets run side by side, one per core (BOOKFERRY_FUZZ_JOBS sets how many): each is one
# process, so two cores give two runs of the full length at once.
jobs=${BOOKFERRY_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 1)}
[ "$jobs" -ge 1 ] 2>/dev/null || jobs=1
targets=(catalogue package unpack usbmux lockdown afc)
status=0
run_one() { # target
    mkdir -p "$work/$1"
    ASAN_OPTIONS=detect_leaks=1 "$build/bin/fuzz_$1" "$work/$1" "$here/corpus/$1" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 >"$work/$1.log" 2>&1
}
report() { # target, exit status
    local log="$work/$1.log"
    if [ "$2" -eq 0 ]; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$1: ${runs:-?} executions in ${seconds}s, no failure"
    else
        echo "fuzz_$1: FAILED"
        tail -40 "$log"
        status=1
    fi
}
for ((i = 0; i < ${#targets[@]}; i += jobs)); do
    batch=("${targets[@]:i:jobs}")
    pids=()
    for target in "${batch[@]}"; do
        run_one "$target" &
        pids+=($!)
    done
    for k in "${!batch[@]}"; do
        rc=0
        wait "${pids[$k]}" || rc=$?
        report "${batch[$k]}" "$rc"
    done
done
exit $status
