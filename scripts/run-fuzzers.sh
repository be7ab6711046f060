#!/bin/bash
# SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the libFuzzer harnesses of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ (kiosk tree below
# build-fuzz/kioskroot, never /etc/tavrix), and runs each over its seed corpus:
#
#   bash scripts/run-fuzzers.sh                    every harness for 60 seconds
#   bash scripts/run-fuzzers.sh --time SECONDS [HARNESS...]
#   bash scripts/run-fuzzers.sh --runs N [HARNESS...]
#
# New inputs that widen coverage go to build-fuzz/corpus/HARNESS, next to the
# seeds of fuzz/corpus/HARNESS, which are never written to. A failure leaves
# its input in build-fuzz/artifacts/ and ends the script with status 1; put
# it into fuzz/corpus/HARNESS once the fault is fixed.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

limit=(-max_total_time=60)
while [ $# -gt 0 ]; do
    case $1 in
        --time) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        -*) echo "usage: $0 [--time SECONDS | --runs N] [HARNESS...]" >&2; exit 64 ;;
        *) break ;;
    esac
done
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    harnesses=(profilereaderfuzzer actionargumentsfuzzer collectorlogfuzzer bundlereaderfuzzer)
fi

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
        -DORLA_SYSTEM_ROOT="$top/$build/kioskroot" \
        -DORLA_PASSWD_FILE="$top/$build/kioskroot/etc/passwd" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF \
        -DBUILD_BENCHMARKS=OFF \
        -DORLA_BUILD_FUZZERS=ON \
        -DECM_ENABLE_SANITIZERS='address;undefined' \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake --build "$build" -j "$(nproc)" --target "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt warns once for every unknown type id a decoded map names: hundreds of
# megabytes an hour from the argument harness, which say nothing a failure
# would not.
export QT_LOGGING_RULES="default.warning=false"
mkdir -p "$build/artifacts"
status=0
for harness in "${harnesses[@]}"; do
    corpus=$build/corpus/$harness
    mkdir -p "$corpus"
    echo "run-fuzzers: $harness ${limit[*]}"
    # Inputs stay small: the decoders this reaches are Qt's, whose limits on
    # sizes and nesting are out of our hands (see README, security notes).
    # Qt reserving for a list that claims two billion entries takes most of
    # a second on an idle machine and ten on a loaded one: the time-out is
    # for hangs, not for that.
    if ! "$build/bin/$harness" "${limit[@]}" -max_len=4096 -malloc_limit_mb=65536 -timeout=60 \
        -artifact_prefix="$build/artifacts/$harness-" -print_final_stats=1 \
        "$corpus" "fuzz/corpus/$harness"; then
        echo "run-fuzzers: $harness failed; its input is in $build/artifacts/" >&2
        status=1
    fi
done
exit $status
