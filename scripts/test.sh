#!/usr/bin/env bash
# Installs what is missing, then, each stage timed: checks the formatting and the fuzz seeds,
# builds everything with warnings as errors and runs every test, builds and runs the tests again
# under the address and undefined-behaviour sanitizers, and builds the fuzz targets with clang
# and runs each for 20 seconds from a copy of its corpus.
# Usage: scripts/test.sh [build-dir]   (default: build; the sanitizer and fuzz trees are
# <build-dir>-asan and <build-dir>-fuzz)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
jobs=$(nproc)
fuzz_seconds=${PELMOR_FUZZ_SECONDS:-20}
start=$(date +%s)
timings=()

stage() {  # stage NAME COMMAND...: runs one stage and notes its time
    local name=$1 t0
    shift
    echo "pelmor: stage $name"
    t0=$(date +%s)
    "$@"
    timings+=("$(printf '%-10s %5d s' "$name" $(( $(date +%s) - t0 )))")
    echo "pelmor: stage $name took $(( $(date +%s) - t0 )) s"
}

check_format() {
    local files
    mapfile -t files < <(cd "$root" && find src tests bench fuzz -name '*.cpp' -o -name '*.h')
    (cd "$root" && clang-format --dry-run --Werror "${files[@]}")
    # A seed that names a folder of the machine that made it would differ on every machine.
    if grep -rlE '/(work|tmp|home|root)/' "$root/fuzz/corpus"; then
        echo "pelmor: the fuzz seeds above hold a local path (remake them: fuzz/make_corpus.sh)" >&2
        return 1
    fi
}

build_and_test() {  # build_and_test DIR CMAKE-ARGS...
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" --parallel "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure --parallel "$jobs" \
        --timeout 600 | tee "$dir/ctest.log"
}

run_fuzzers() {
    local dir=$build-fuzz targets=() name work
    for src in "$root"/fuzz/*.cpp; do
        name=$(basename "$src" .cpp)
        targets+=("fuzz_$name")
    done
    CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPELMOR_FUZZ=ON -DPELMOR_SANITIZE=address,undefined -DPELMOR_BUILD_TESTS=OFF \
        -DPELMOR_BUILD_BENCH=OFF
    cmake --build "$dir" --parallel "$jobs" --target "${targets[@]}"
    for target in "${targets[@]}"; do
        name=${target#fuzz_}
        # The fuzzer adds what it finds to its first folder: a copy, so the seeds stay as they are.
        work=$(mktemp -d)
        cp -r "$root/fuzz/corpus/$name" "$work/corpus"
        echo "pelmor: $target for $fuzz_seconds s"
        if ! (cd "$work" && "$dir/fuzz/$target" -max_total_time="$fuzz_seconds" \
            -artifact_prefix="$work/" corpus > "$work/log" 2>&1); then
            cat "$work/log"
            echo "pelmor: $target failed; its input is kept in $work" >&2
            return 1
        fi
        tail -n 2 "$work/log"
        rm -rf "$work"
    done
}

stage bootstrap bash "$root/scripts/bootstrap.sh"
stage format check_format
stage build+test build_and_test "$build" -DPELMOR_WERROR=ON ${PELMOR_CMAKE_ARGS:-}
stage asan build_and_test "$build-asan" -DPELMOR_SANITIZE=address,undefined -DPELMOR_BUILD_BENCH=OFF
stage fuzz run_fuzzers

echo "pelmor: stage times"
printf '  %s\n' "${timings[@]}"
echo "pelmor: build and tests took $(( $(date +%s) - start )) s"
# The closing line of the normal test run, last, for whoever reads the log from its end.
grep -E 'tests passed|tests failed' "$build/ctest.log" | tail -n 1
