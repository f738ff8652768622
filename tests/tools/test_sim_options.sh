#!/bin/sh
# The headless runner's command line: refused command lines end with exit code 2, a reason on
# standard error and nothing on standard output; --help lists every option; the options that are
# given change the run as they say.
set -u
SIM="$1"
BUILD_DIR="$2"
WORK="$(mktemp -d /tmp/varrik-sim-options-XXXXXX)" || exit 1
trap 'rm -rf "$WORK"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs the runner with the given arguments in the build folder; sets $rc, and leaves its output
# in $WORK/out and $WORK/err.
run() {
    (cd "$BUILD_DIR" && env -u DISPLAY timeout 120 "$SIM" "$@" >"$WORK/out" 2>"$WORK/err")
    rc=$?
}

# One refused command line per row (the arguments as the shell would split them).
while IFS= read -r row; do
    [ -z "$row" ] && continue
    eval "set -- $row"
    run "$@"
    [ "$rc" -eq 2 ] || fail "[$row] exit code $rc, expected 2"
    [ -s "$WORK/err" ] || fail "[$row] no reason on standard error"
    [ -s "$WORK/out" ] && fail "[$row] standard output is not empty: $(head -n 3 "$WORK/out")"
    # The reason is the parser's message, not a crash report.
    grep -q -i "sanitizer\|runtime error\|terminate" "$WORK/err" && fail "[$row] $(head -n 3 "$WORK/err")"
done <<'EOF'
--fps 0
--fps -60
--fps abc
--fps 1.5
--fps 99999999999
--fps 1000001
--fps ''
--fps=0
--fps
--seconds -1
--seconds nan
--seconds NaN
--seconds inf
--seconds -inf
--seconds 1e300
--seconds 5000000
--seconds 0x10
--seconds abc
--seconds 2s
--seconds
--every abc
--every 0
--every -6
--every 2147483648
--every
--bogus
-x
extra
--seconds 1 extra
--seconds 1 --seconds 2
--scene a.irr --save b.irr
--dir /nonexistent/varrik-folder
--record
--replay
--replay /nonexistent/varrik-run.rec
--replay /dev/null
--replay /dev/null --record run.rec
--replay /dev/null --save b.irr
--replay /dev/null --seconds 1
--replay /dev/null --fps 30
--replay /dev/null --every 2
EOF

# Help: exit 0, every option listed on standard output, nothing on standard error.
run --help
[ "$rc" -eq 0 ] || fail "--help ended with exit code $rc"
[ -s "$WORK/err" ] && fail "--help wrote to standard error: $(head -n 3 "$WORK/err")"
for option in --help --seconds --fps --every --scene --save --record --replay --dir --hash; do
    grep -q -- "$option" "$WORK/out" || fail "--help does not list $option"
done
run -h
[ "$rc" -eq 0 ] && grep -q -- "--seconds" "$WORK/out" || fail "-h does not show the help"

# Standard output carries the CSV alone: the header, rows of numbers, the summary.
csv_only() {
    awk 'NR == 1 && /^time,/ { next } /^[0-9.,-]+$/ { next } /^summary: / { next } { bad = 1; print } END { exit bad }' \
        "$WORK/out" >&2
}

# A short run of the demo scene: 1 s at 60 frames per second, every 30th frame: t = 0, 0.5, 1.
run --seconds 1 --every 30
[ "$rc" -eq 0 ] || fail "a good short run ended with exit code $rc: $(tail -n 3 "$WORK/err")"
[ "$(grep -c '^[0-9]' "$WORK/out")" -eq 3 ] || fail "expected 3 rows, got: $(cat "$WORK/out")"
grep -q '^summary: 1.00 s simulated in 60 frames; chassis moved ' "$WORK/out" || fail "no summary of 60 frames"
csv_only || fail "standard output holds more than the CSV"

# Numbers with leading zeros are decimal, and the last frame is printed even off the K-th.
run --seconds 0.5 --fps 010 --every 3
[ "$rc" -eq 0 ] || fail "--fps 010 ended with exit code $rc"
grep -q 'simulated in 5 frames' "$WORK/out" || fail "--fps 010 is not 10 frames per second: $(tail -n 1 "$WORK/out")"
[ "$(grep -c '^[0-9]' "$WORK/out")" -eq 3 ] || fail "expected rows at frames 0, 3 and 5: $(cat "$WORK/out")"

# Zero seconds is a run of frame 0 alone; the = form reads like the spaced one.
run --seconds=0
[ "$rc" -eq 0 ] || fail "--seconds=0 ended with exit code $rc"
[ "$(grep -c '^[0-9]' "$WORK/out")" -eq 1 ] || fail "--seconds 0 printed more than frame 0"

# --dir names the folder that holds data/, wherever the runner is started.
(cd "$WORK" && env -u DISPLAY timeout 120 "$SIM" --dir "$BUILD_DIR" --seconds 1 --every 60 \
    >"$WORK/out" 2>"$WORK/err")
rc=$?
[ "$rc" -eq 0 ] || fail "--dir ended with exit code $rc"
grep -q 'all values finite' "$WORK/out" || fail "--dir run: $(tail -n 1 "$WORK/out")"
grep -q 'is missing' "$WORK/err" && fail "--dir run did not find the data folder: $(grep 'is missing' "$WORK/err")"

# A scene that cannot be saved or loaded is a failure (exit 1), said on standard error, with no CSV.
run --seconds 1 --save "$WORK/no-such-folder/demo.irr"
[ "$rc" -eq 1 ] || fail "an unsaved scene ended with exit code $rc"
grep -q 'could not save the scene' "$WORK/err" || fail "an unsaved scene was not reported"
[ -s "$WORK/out" ] && fail "an unsaved scene still printed: $(head -n 2 "$WORK/out")"
run --scene "$WORK/no-such-scene.irr"
[ "$rc" -eq 1 ] || fail "a missing scene file ended with exit code $rc"
grep -q 'could not load the scene file' "$WORK/err" || fail "a missing scene file was not reported"
[ -s "$WORK/out" ] && fail "a missing scene file still printed: $(head -n 2 "$WORK/out")"

# A folder or a pipe named as the scene file is refused as a scene that cannot be loaded (opening
# a pipe would wait for a writer).
mkfifo "$WORK/pipe.irr"
for other in "$WORK" "$WORK/pipe.irr"; do
    run --scene "$other"
    [ "$rc" -eq 1 ] || fail "$other as the scene file ended with exit code $rc"
    grep -q 'could not load the scene file' "$WORK/err" || fail "$other as the scene file was not reported"
done

# A save or a recording that does not fit on the disk (a file size limit of 4 blocks stands for a
# full one; its signal ignored, the writes fail) ends with exit code 1 and leaves the older file
# of that name as it was, with nothing beside it; so does a CSV that does not reach standard
# output.
limited() {
    (cd "$BUILD_DIR" && trap '' XFSZ && ulimit -f 4 &&
        env -u DISPLAY timeout 120 "$SIM" "$@" >"$WORK/out" 2>"$WORK/err")
    rc=$?
}
mkdir "$WORK/full"
for row in "--seconds 0 --save $WORK/full/old" "--seconds 1 --every 60 --record $WORK/full/old"; do
    echo "older file" >"$WORK/full/old"
    eval "limited $row"
    [ "$rc" -eq 1 ] || fail "[$row] on a full disk ended with exit code $rc"
    grep -q 'could not \(save\|write\)' "$WORK/err" || fail "[$row] on a full disk was not reported"
    [ "$(cat "$WORK/full/old")" = "older file" ] || fail "[$row] on a full disk changed the older file"
    [ "$(ls "$WORK/full")" = "old" ] || fail "[$row] left files behind: $(ls "$WORK/full")"
done
(cd "$BUILD_DIR" && env -u DISPLAY timeout 120 "$SIM" --seconds 1 >/dev/full 2>"$WORK/err")
rc=$?
[ "$rc" -eq 1 ] || fail "a CSV to a full standard output ended with exit code $rc"
grep -q 'could not write the CSV' "$WORK/err" || fail "a CSV to a full standard output was not reported"

if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed"
    exit 1
fi
echo "PASS"
