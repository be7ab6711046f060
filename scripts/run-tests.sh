#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the whole project twice (plain, then with AddressSanitizer and
# UndefinedBehaviorSanitizer) with the kiosk tree in a scratch directory of the
# build, and runs every test in both; then builds the Debian packages and tries
# them installed in a private root (the test labelled "packages", once); then
# builds the fuzzing harnesses with clang and runs each for a short, fixed
# number of inputs over its corpus.
# Never touches /etc/tavrix or /sys/module/tavrix.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh

jobs=$(nproc)
# Repeated runs (another clone, the sanitizer build) reuse what compiled the same.
export CCACHE_BASEDIR="$top"

configure_and_test() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja \
        -DORLA_SYSTEM_ROOT="$top/$dir/kioskroot" \
        -DORLA_PASSWD_FILE="$top/$dir/kioskroot/etc/passwd" \
        -DCMAKE_BUILD_TYPE=Debug \
        -DBUILD_TESTING=ON \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        "$@"
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure --timeout 600 --label-exclude packages
}

# The plain build compiles the benchmarks too, so that none of them rots.
configure_and_test build -DBUILD_BENCHMARKS=ON
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    configure_and_test build-asan -DECM_ENABLE_SANITIZERS='address;undefined' -DBUILD_BENCHMARKS=OFF

# The Debian packages, built and tried once from the installed files: a third
# build of everything, so it runs once, not per build.
ctest --test-dir build --output-on-failure --label-regex packages

# Every harness over its seeds and a few thousand inputs more: a regression
# input that fails again, or a fault this close to the seeds, fails CI.
bash scripts/run-fuzzers.sh --runs 20000
