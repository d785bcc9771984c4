#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
#
# Installs what the build needs (Debian 12), builds, and then:
#   ./build.sh demo    start Bookferry on the built-in demo device
#   ./build.sh test    build and run every test (plus the device tests under ASan+UBSan,
#                      and the threaded ones under ThreadSanitizer)
#   ./build.sh build   only build
#   ./build.sh bench   build a Release tree in build-bench and run the benchmarks (not part of CI)
set -euo pipefail
cd "$(dirname "$0")"
here=$PWD
# Let ccache reuse objects between checkouts in other folders (CI clones afresh).
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
jobs=$(nproc 2>/dev/null || echo 2)

deps=(build-essential cmake ninja-build pkg-config ccache
      qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-pdf-dev libgl-dev
      qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
      libimobiledevice-dev libplist-dev libusbmuxd-dev libzip-dev libssl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      libimobiledevice-utils ideviceinstaller zlib1g-dev zip unzip
      dpkg-dev file desktop-file-utils appstream man-db usbmuxd
      clang-14 libclang-rt-14-dev lld epubcheck locales
      bash-completion dbus-daemon)

install_deps() {
    local missing=()
    for p in "${deps[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The survey-values test checks the numbers in a comma-decimal locale; make one if none is there.
ensure_comma_locale() {
    locale -a 2>/dev/null | grep -qiE '^de_DE\.utf-?8$' && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 ||
        echo "Could not make the de_DE.UTF-8 locale; the locale test will be skipped." >&2
}

# The main tree is compiled with clang where it is installed (it always is after install_deps):
# at the same -O2 -g it compiles our test files in 55-70% of the processor time gcc takes.
# The ThreadSanitizer tree keeps the system compiler (gcc), so the code builds with both.
main_compiler() {
    if command -v clang++-14 >/dev/null && command -v clang-14 >/dev/null; then
        echo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
    fi
}

configure_and_build() { # dir, extra cmake args..., then targets after --
    local dir=$1; shift
    local args=() targets=()
    # shellcheck disable=SC2207 # two plain words or none
    [ "$dir" = build ] && args+=($(main_compiler))
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
    [ $# -gt 0 ] && shift && targets=("$@")
    cmake -S "$here" -B "$dir" -G Ninja "${args[@]}" >/dev/null
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
    else
        cmake --build "$dir" -j "$jobs"
    fi
}

cmd=${1:-build}
[ $# -gt 0 ] && shift
install_deps
case "$cmd" in
    build)
        configure_and_build build ;;
    demo)
        configure_and_build build
        if [ -x build/bin/bookferry ]; then
            exec build/bin/bookferry --device demo "$@"
        else
            exec build/bin/bookferry-demo "$@"
        fi ;;
    test)
        ensure_comma_locale
        configure_and_build build
        export QT_QPA_PLATFORM=offscreen
        (cd build && ctest --output-on-failure -j "$jobs" "$@")
        # The device link again under AddressSanitizer + UndefinedBehaviorSanitizer. The tree is
        # built with clang and also instrumented for libFuzzer, so the fuzz targets (run at the
        # end) link the very objects the tests use instead of a tree of their own. -O1 keeps the
        # fuzzers quick; assertions stay on.
        configure_and_build build-asan -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
            -DBOOKFERRY_SANITIZE=ON -DBOOKFERRY_FUZZ=ON -DBOOKFERRY_GUI=OFF -DCMAKE_BUILD_TYPE=Debug \
            -DCMAKE_C_FLAGS_DEBUG=-O1 -DCMAKE_CXX_FLAGS_DEBUG=-O1 -- sanitized_tests fuzz_targets
        (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -L sanitize)
        # The threaded test programs, and the emulator and command-line tool they start, under
        # ThreadSanitizer. Every process writes its reports to a file, so those of child
        # processes are seen too; any report fails the step.
        configure_and_build build-tsan -DBOOKFERRY_SANITIZE=thread -DBOOKFERRY_GUI=OFF -- threaded_tests
        reports=$here/build-tsan/tsan-reports
        rm -rf "$reports" && mkdir -p "$reports"
        tsan_options="halt_on_error=1 second_deadlock_stack=1"
        tsan_options+=" suppressions=$here/tests/tsan.supp log_path=$reports/report"
        status=0
        (cd build-tsan && TSAN_OPTIONS=$tsan_options ctest --output-on-failure -j "$jobs" -L threads) || status=$?
        if [ -n "$(ls -A "$reports")" ]; then
            cat "$reports"/*
            echo "ThreadSanitizer reports above (kept in $reports)" >&2
            exit 1
        fi
        [ "$status" -eq 0 ] || exit "$status"
        # Install layout, Debian package, its installation with apt, desktop entry and metadata.
        packaging/ci-package.sh build
        # Short libFuzzer runs: every fuzz target for 20 seconds from its saved inputs.
        fuzz/run-fuzzers.sh build-asan 20
        ;;
    bench)
        configure_and_build build-bench -DCMAKE_BUILD_TYPE=Release -- bookferry-bench bookferry-device-emulator
        exec build-bench/bin/bookferry-bench "$@" ;;
    *)
        echo "usage: $0 [build|demo|test|bench]" >&2; exit 2 ;;
esac
