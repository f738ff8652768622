#!/bin/sh
# Builds the demo (Release) and starts it in its working folder.
set -eu
ROOT="$(cd "$(dirname "$0")" && pwd)"
BUILD="$ROOT/build/release"

"$ROOT/scripts/install-deps.sh"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG
The Varrik demo opens a settings dialog and a 3D game window, so it needs a
graphical desktop, and none was found (DISPLAY is not set).

To watch the same car drive without a window, run the headless simulator:
    cd "$BUILD" && ./bin/varrik-sim --seconds 20
It simulates the demo scene on the engine's null driver and prints the
chassis position, rotation and speed as CSV.
MSG
    exit 2
fi

cd "$BUILD"
exec ./bin/varrik "$@"
