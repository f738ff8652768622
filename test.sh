#!/bin/sh
# Builds the project twice (Release, and AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test of both builds. Window tests start their own Xvfb server.
set -eu
ROOT="$(cd "$(dirname "$0")" && pwd)"
JOBS="$(nproc)"

"$ROOT/scripts/install-deps.sh"

run_build() {
    name="$1"; shift
    dir="$ROOT/build/$name"
    echo "==== $name build ===="
    cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" --parallel "$JOBS"
    echo "==== $name tests ===="
    (cd "$dir" && ctest --output-on-failure --parallel "$JOBS" --timeout 600)
}

run_build release -DCMAKE_BUILD_TYPE=Release
run_build sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARRIK_SANITIZE=ON
echo "All tests passed."
