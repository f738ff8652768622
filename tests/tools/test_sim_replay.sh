#!/bin/sh
# Record and replay: a run recorded with --record and replayed with --replay prints the same CSV,
# line for line, for the demo scene and for a scene file; a recording that is cut off, of another
# version, garbage, or made from another scene ends with a reason on standard error, exit code 2
# and nothing on standard output.
set -u
SIM="$1"
BUILD_DIR="$2"
WORK="$(mktemp -d /tmp/varrik-sim-replay-XXXXXX)" || exit 1
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs the runner with the given arguments in the build folder; sets $rc, and leaves its output
# in $WORK/out and $WORK/err.
run() {
    (cd "$BUILD_DIR" && env -u DISPLAY timeout 300 "$SIM" "$@" >"$WORK/out" 2>"$WORK/err")
    rc=$?
}

# --- The demo scene: recorded, then replayed without stepping.
run --seconds 20 --every 7 --record "$WORK/demo.rec" --save "$WORK/demo.irr"
[ "$rc" -eq 0 ] || fail "the recorded run ended with exit code $rc: $(tail -n 3 "$WORK/err")"
cp "$WORK/out" "$WORK/recorded.csv"
[ "$(grep -c '^[0-9]' "$WORK/recorded.csv")" -eq 173 ] || fail "the recorded run printed $(grep -c '^[0-9]' "$WORK/recorded.csv") rows"
# Recording changes nothing the run prints.
run --seconds 20 --every 7
cmp -s "$WORK/out" "$WORK/recorded.csv" || fail "recording changed the run's CSV: $(diff "$WORK/out" "$WORK/recorded.csv" | head -n 4)"

run --replay "$WORK/demo.rec"
[ "$rc" -eq 0 ] || fail "the replay ended with exit code $rc: $(tail -n 3 "$WORK/err")"
cmp -s "$WORK/out" "$WORK/recorded.csv" ||
    fail "the replay's CSV differs from the recorded run's: $(diff "$WORK/recorded.csv" "$WORK/out" | head -n 6)"

# --- A scene file: recorded and replayed with the same --scene.
run --scene "$WORK/demo.irr" --seconds 5 --fps 50 --every 3 --record "$WORK/scene.rec"
[ "$rc" -eq 0 ] || fail "the recorded scene file run ended with exit code $rc"
cp "$WORK/out" "$WORK/scene.csv"
run --scene "$WORK/demo.irr" --replay "$WORK/scene.rec"
[ "$rc" -eq 0 ] || fail "the scene file replay ended with exit code $rc: $(tail -n 3 "$WORK/err")"
cmp -s "$WORK/out" "$WORK/scene.csv" ||
    fail "the scene file replay's CSV differs: $(diff "$WORK/scene.csv" "$WORK/out" | head -n 6)"

# --- Recordings that cannot be replayed: a reason, exit code 2, no CSV, no crash.
# Expects the refusal of a replay with the given arguments, its reason matching a pattern.
refused() {
    pattern="$1"
    shift
    run "$@"
    [ "$rc" -eq 2 ] || fail "[$*] exit code $rc, expected 2"
    [ -s "$WORK/out" ] && fail "[$*] standard output is not empty: $(head -n 2 "$WORK/out")"
    grep -q "$pattern" "$WORK/err" || fail "[$*] the reason is not \"$pattern\": $(head -n 3 "$WORK/err")"
    grep -q -i "sanitizer\|runtime error\|terminate\|ODE" "$WORK/err" && fail "[$*] $(head -n 3 "$WORK/err")"
}

size=$(wc -c <"$WORK/demo.rec")
for cut in 3 12 27 28 40 1000 $((size / 2)) $((size - 5)) $((size - 1)); do
    head -c "$cut" "$WORK/demo.rec" >"$WORK/cut.rec"
    case "$cut" in
        3) refused "is not a varrik-sim recording" --replay "$WORK/cut.rec" ;;
        12) refused "is cut off in its header" --replay "$WORK/cut.rec" ;;
        *) refused "is cut off" --replay "$WORK/cut.rec" ;;
    esac
done
# Another version: the version number follows the eight letters.
{ head -c 8 "$WORK/demo.rec"; printf '\002\000'; tail -c +11 "$WORK/demo.rec"; } >"$WORK/v2.rec"
refused "format version 2" --replay "$WORK/v2.rec"
# Garbage: random bytes, and random bytes behind a good header.
head -c 20000 /dev/urandom >"$WORK/garbage.rec"
refused "is not a varrik-sim recording" --replay "$WORK/garbage.rec"
{ head -c 27 "$WORK/demo.rec"; head -c 20000 /dev/urandom; } >"$WORK/garbage2.rec"
refused "is damaged\|is cut off" --replay "$WORK/garbage2.rec"
# Bytes after the end.
{ cat "$WORK/demo.rec"; printf 'F'; } >"$WORK/long.rec"
refused "follow its end" --replay "$WORK/long.rec"
# A hash of a replay would describe bodies the replay never steps.
refused "excludes\|--hash" --replay "$WORK/demo.rec" --hash
# The wrong kind of scene, either way.
refused "made from a scene file" --replay "$WORK/scene.rec"
refused "made from the demo scene" --scene "$WORK/demo.irr" --replay "$WORK/demo.rec"
# A recording made by hand that moves a body the demo does not have (id 99999): header (version
# 1, the demo, 60 frames per second, every 6th, 0 seconds), frame 0 with one body-moved message of
# 7 bytes (code 7, the body's id, no flags), and the end after one frame.
{
    printf 'VARRIKRC\001\000\000\074\000\000\000\006\000\000\000\000\000\000\000\000\000\000\000'
    printf 'F\000\000\000\000\001\000\000\000\007\000\007\000\237\206\001\000\000'
    printf 'E\001\000\000\000'
} >"$WORK/stranger.rec"
refused "moves body 99999 in frame 0, which this scene does not have" --replay "$WORK/stranger.rec"

# A recording that cannot be written is a failure of the run (exit 1), said on standard error.
run --seconds 1 --record "$WORK/no-such-folder/run.rec"
[ "$rc" -eq 1 ] || fail "an unwritable recording ended with exit code $rc"
grep -q 'could not write the recording' "$WORK/err" || fail "an unwritable recording was not reported"

if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed"
    exit 1
fi
echo "PASS"
