#!/bin/sh
# The runner's state hash end to end: "state hash: " and 16 hex digits after the run; two runs of
# the demo print the same hash, a run at another frame rate or from a nudged start another; a
# scene file's run hashes too.
set -u
SIM="$1"
BUILD_DIR="$2"
WORK="$(mktemp -d /tmp/varrik-sim-hash-XXXXXX)" || exit 1
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs the runner with --hash and the given arguments; prints the hash, or nothing.
hash_of() {
    (cd "$BUILD_DIR" && env -u DISPLAY timeout 300 "$SIM" --hash --every 100000 "$@" >"$WORK/out" 2>"$WORK/err") ||
        { fail "[$*] exit code $?: $(tail -n 3 "$WORK/err")"; return; }
    line="$(tail -n 1 "$WORK/out")"
    echo "$line" | grep -q '^state hash: [0-9a-f]\{16\}$' || { fail "[$*] last line is \"$line\""; return; }
    echo "$line" | cut -d' ' -f3
}

first="$(hash_of --seconds 20)"
second="$(hash_of --seconds 20)"
[ -n "$first" ] && [ "$first" = "$second" ] || fail "two demo runs hash differently: $first, $second"
# The summary still comes before the hash.
grep -q '^summary: ' "$WORK/out" || fail "no summary before the hash"
other_rate="$(hash_of --seconds 20 --fps 50)"
[ -n "$other_rate" ] && [ "$other_rate" != "$first" ] || fail "50 frames per second hash like 60: $other_rate"

# The demo saved to a file, run from it twice, and once from a start nudged by a ten-millionth.
(cd "$BUILD_DIR" && env -u DISPLAY timeout 300 "$SIM" --seconds 0 --save "$WORK/demo.irr" >/dev/null 2>&1) ||
    fail "the demo scene was not saved"
scene="$(hash_of --seconds 5 --scene "$WORK/demo.irr")"
scene_again="$(hash_of --seconds 5 --scene "$WORK/demo.irr")"
[ -n "$scene" ] && [ "$scene" = "$scene_again" ] || fail "two runs of the scene file hash differently"
# The engine writes scene files in wide characters; as UTF-8 the file reads the same. The chassis
# is the first body of the file: its "Position" gets one more decimal.
iconv -f UTF-32 -t UTF-8 "$WORK/demo.irr" >"$WORK/demo8.irr" || fail "the scene file could not be converted"
awk '/type="CRurIvaBody"/ { body = 1 } body && !done && /name="Position"/ { sub(/value="[-0-9.]*/, "&1"); done = 1 } { print }' \
    "$WORK/demo8.irr" >"$WORK/nudged.irr"
cmp -s "$WORK/demo8.irr" "$WORK/nudged.irr" && fail "the nudged scene file is the same as the saved one"
converted="$(hash_of --seconds 5 --scene "$WORK/demo8.irr")"
[ "$converted" = "$scene" ] || fail "the scene file as UTF-8 hashes differently: $converted, $scene"
nudged="$(hash_of --seconds 5 --scene "$WORK/nudged.irr")"
[ -n "$nudged" ] && [ "$nudged" != "$scene" ] || fail "a nudged start hashes like the saved one: $nudged"

if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed"
    exit 1
fi
echo "PASS"
