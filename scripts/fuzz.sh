#!/bin/sh
# Fuzzes the layer's inputs: builds the fuzz targets of tests/fuzz with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) into build/fuzz and runs each for SECONDS seconds,
# one after the other, printing one line per target:
#
#   fuzz_scene_file: 412345 runs, 0 crashes
#
# and exiting with 1 when a target crashed, aborted, leaked, ran out of memory or took longer than
# the time-out on one input. The report, the input that broke the target and the log are named
# then; run the target on that input (build/fuzz/bin/<target> <input>) to see it again.
#
# Usage: scripts/fuzz.sh SECONDS [TARGET...]     (all targets when none is named)
#
# FUZZ_SEED=N starts each target from its seed corpus alone (what earlier runs found is left out)
# with libFuzzer's seed N, and FUZZ_RUNS=N ends each target after that many inputs at the latest:
# a run to compare with another. (The same seed does not promise the same inputs: the dynamics
# library's broad phase orders pairs by address.)
set -eu
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$ROOT/build/fuzz"
# fuzz_calls_in_pass is left out while tests/fuzz/open/ holds an input that aborts it.
ALL="fuzz_events fuzz_settings fuzz_surface_definitions fuzz_scene_file fuzz_device_calls fuzz_record_file fuzz_scene_nodes fuzz_joint_loops fuzz_broad_phase"

if [ $# -lt 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
fi
SECONDS_EACH="$1"
shift
TARGETS="${*:-$ALL}"

# Only the layer, the settings and the targets are built; ccache speeds a rebuild when present.
LAUNCHER=""
command -v ccache >/dev/null 2>&1 && LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARRIK_FUZZ=ON \
    -DVARRIK_BUILD_TESTS=OFF -DVARRIK_BUILD_BENCHMARKS=OFF $LAUNCHER >/dev/null
# shellcheck disable=SC2086
cmake --build "$BUILD" --parallel "$(nproc)" --target $TARGETS >"$BUILD/build.log" 2>&1 || {
    tail -n 30 "$BUILD/build.log" >&2
    echo "the fuzz targets did not build (log: $BUILD/build.log)" >&2
    exit 1
}

failed=0
for target in $TARGETS; do
    work="$BUILD/corpus/$target"
    repeat=""
    if [ -n "${FUZZ_SEED:-}" ]; then
        work="$BUILD/corpus-seeded/$target"
        rm -rf "$work"
        repeat="-seed=$FUZZ_SEED"
        [ -n "${FUZZ_RUNS:-}" ] && repeat="$repeat -runs=$FUZZ_RUNS"
    fi
    artifacts="$BUILD/artifacts/$target"
    log="$BUILD/logs/$target.log"
    mkdir -p "$work" "$artifacts" "$BUILD/logs"
    # Messages are at most 4096 bytes; a little more tests the refusal of longer ones.
    extra=""
    [ "$target" = fuzz_events ] && extra="-max_len=4200"
    [ -f "$ROOT/tests/fuzz/$target.dict" ] && extra="$extra -dict=$ROOT/tests/fuzz/$target.dict"
    set +e
    # The dynamics library's exact solver asks for memory for the square of an island's contact
    # rows in one block (2.4 GB for a scene file of some sixty boxes in a few overlapping bodies),
    # most of which it never touches: a single block may be large, what is used may not.
    # shellcheck disable=SC2086
    "$BUILD/bin/$target" -max_total_time="$SECONDS_EACH" -timeout=25 -rss_limit_mb=2048 \
        -malloc_limit_mb=16384 -close_fd_mask=1 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" $extra $repeat "$work" "$ROOT/tests/fuzz/corpus/$target" \
        >"$log" 2>&1
    rc=$?
    set -e
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    crashes=0
    [ "$rc" -eq 0 ] || crashes=1
    echo "$target: ${runs:-0} runs, $crashes crashes"
    if [ "$rc" -ne 0 ]; then
        failed=1
        kind="$(grep -m 1 -o 'ERROR: [A-Za-z]*: [a-z -]*\|ODE INTERNAL ERROR.*\|fuzz check failed.*' "$log" || true)"
        input="$(sed -n "s/.*Test unit written to //p" "$log" | tail -n 1)"
        echo "  ${kind:-the target ended with exit code $rc}" >&2
        [ -n "$input" ] && echo "  input: $input" >&2
        echo "  log: $log" >&2
    fi
done
exit "$failed"
