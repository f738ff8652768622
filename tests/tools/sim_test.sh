#!/bin/sh
# The headless runner end to end: the demo scene drives without a window, its CSV and summary
# say so, and the scene it saves to a file drives the same way when run from that file.
set -u
SIM="$1"
BUILD_DIR="$2"
WORK="$(mktemp -d /tmp/varrik-sim-XXXXXX)" || exit 1
trap 'rm -rf "$WORK"' EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "--- output:" >&2
    tail -n 20 "$WORK/out.csv" >&2 2>/dev/null
    exit 1
}

# The runner needs no display.
(env -u DISPLAY timeout 300 "$SIM" --dir "$BUILD_DIR" --seconds 20 --every 60 --save "$WORK/demo.irr" \
    >"$WORK/out.csv" 2>"$WORK/err.txt") || fail "the demo run ended with exit code $?"

head -n 1 "$WORK/out.csv" | grep -q '^time,x,y,z,rot_x,rot_y,rot_z,speed$' || fail "no CSV header"
[ "$(grep -c '^[0-9]' "$WORK/out.csv")" -eq 21 ] || fail "expected one row per simulated second"
summary="$(grep '^summary:' "$WORK/out.csv")" || fail "no summary line"
echo "$summary" | grep -q "all values finite" || fail "not-a-number values: $summary"
# The chassis drives down the track toward -Z by well over 100 units in 20 s.
last_z="$(grep '^20.000,' "$WORK/out.csv" | cut -d, -f4)"
awk -v z="$last_z" 'BEGIN { exit !(z < -100) }' || fail "the car did not drive 100 units (z = $last_z)"

# The saved scene, simulated from the file: every body is printed; the chassis (the first) ends
# where the demo's did.
[ -s "$WORK/demo.irr" ] || fail "no scene file was saved"
(env -u DISPLAY timeout 300 "$SIM" --dir "$BUILD_DIR" --scene "$WORK/demo.irr" --seconds 20 --every 60 \
    >"$WORK/scene.csv" 2>"$WORK/scene_err.txt") || fail "the scene file run ended with exit code $?"
head -n 1 "$WORK/scene.csv" | grep -q '^time,body,' || fail "no CSV header for the scene file run"
# Standard output carries the CSV alone, whatever the engine and the physics layer print.
awk 'NR == 1 && /^time,/ { next } /^[0-9.,-]+$/ || /^[0-9.]+,[^,]*#[0-9]+,[0-9.,-]+$/ || /^summary: / { next } { exit 1 }' \
    "$WORK/scene.csv" || fail "the scene file run printed more than its CSV"
scene_z="$(grep '^20.000,body#0,' "$WORK/scene.csv" | cut -d, -f5)"
awk -v a="$last_z" -v b="$scene_z" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d < 1) }' ||
    fail "the scene file drove to z = $scene_z, the demo to z = $last_z"

echo "PASS"
