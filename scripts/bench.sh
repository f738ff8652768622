#!/usr/bin/env bash
# Builds the benchmark program (Release) and runs every scene through the physics layer and as
# plain ODE calls, repeated and interleaved, then prints one table: scene, layer and plain steps
# per second, their ratio, how noisy the repetitions were, heap allocations per step, the layer
# on two threads, and (with --rss-steps) the growth of resident memory over that many steps.
#
#   scripts/bench.sh [--repetitions N] [--min-time SECONDS] [--filter REGEX] [--rss-steps N]
#                    [--rss-filter NAME] [--build-dir DIR] [--verbose]
#   scripts/bench.sh --instructions STEPS [--filter REGEX]
#   scripts/bench.sh --paired ROUNDS [--filter NAME]
#
# The full Google Benchmark output goes to bench.log in the build folder (--verbose shows it).
# --instructions counts the instructions of STEPS steps of both sides of every scene with
# valgrind's callgrind instead (slow, but the same on a busy machine as on an idle one) and
# prints their ratio.
# --paired builds both sides of every scene side by side and times them in turns, ROUNDS rounds
# of about 25 ms a side, and prints the median of the rounds' ratios by wall and by CPU time: a
# busy machine slows both stretches of a round alike, so whole runs agree to a few hundredths for
# most scenes, where the table's repetitions spread 30-60 %.
# The machine should be otherwise idle: wall times on a shared machine are only comparable as
# ratios within one run, which is why both sides of every scene run interleaved in one process.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
repetitions=5
min_time=0.5
filter=""
rss_steps=0
rss_filter=""
verbose=0
instructions=0
paired=0

while [ $# -gt 0 ]; do
  case "$1" in
    --repetitions) repetitions="$2"; shift 2 ;;
    --min-time) min_time="$2"; shift 2 ;;
    --filter) filter="$2"; shift 2 ;;
    --rss-steps) rss_steps="$2"; shift 2 ;;
    --rss-filter) rss_filter="$2"; shift 2 ;;
    --build-dir) build="$2"; shift 2 ;;
    --verbose) verbose=1; shift ;;
    --instructions) instructions="$2"; shift 2 ;;
    --paired) paired="$2"; shift 2 ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" > /dev/null
cmake --build "$build" --parallel 2 --target physics_bench varrik-data > /dev/null

cd "$build"

if [ "$instructions" -gt 0 ]; then
  command -v valgrind > /dev/null || { echo "bench.sh: --instructions needs valgrind" >&2; exit 1; }
  count() {  # instructions per step of one scene side
    out="$(mktemp)"
    valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect='*profiledSteps*' \
      ./bin/physics_bench --profile="$1:$instructions" > "$out" 2>&1 || true
    awk -v n="$instructions" '/Collected :/ { gsub(",", "", $4); printf "%.0f", $4 / n }' "$out"
    rm -f "$out"
  }
  printf '%-20s %16s %16s %7s\n' scene "layer instr/st" "plain instr/st" ratio
  ./bin/physics_bench --list_scenes | while read -r scene; do
    if [ -n "$filter" ] && ! echo "$scene" | grep -Eq "$filter"; then continue; fi
    layer="$(count "$scene/layer")"
    plain="$(count "$scene/plain")"
    ratio="$(awk -v a="$layer" -v b="$plain" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "-" }')"
    printf '%-20s %16s %16s %7s\n' "$scene" "$layer" "$plain" "$ratio"
  done
  exit 0
fi

if [ "$paired" -gt 0 ]; then
  # The engine's log lines of loading the scenes are left out.
  ./bin/physics_bench --paired="$paired" ${filter:+--rss_filter="$filter"} 2>&1 |
    grep -vE '^(Irrlicht Engine|Linux|Loaded|Needed|motor added)'
  exit 0
fi

args=(--benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true
      --benchmark_min_time="$min_time")
# The hour-long soak of the demo is a benchmark of its own (--benchmark_filter=Soak), not a scene.
if [ -n "$filter" ]; then args+=(--benchmark_filter="$filter"); else args+=(--benchmark_filter=-Soak); fi
if [ "$rss_steps" -gt 0 ]; then args+=(--rss_steps="$rss_steps"); fi
if [ -n "$rss_filter" ]; then args+=(--rss_filter="$rss_filter"); fi

log="$build/bench.log"
if [ "$verbose" -eq 1 ]; then
  ./bin/physics_bench "${args[@]}" 2>&1 | tee "$log"
else
  ./bin/physics_bench "${args[@]}" > "$log" 2>&1
  # The resident memory lines and the table.
  sed -n -e '/resident .* KiB before/p' -e '/^scene /,$p' "$log"
fi
