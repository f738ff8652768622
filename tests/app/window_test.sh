#!/bin/sh
# End-to-end test of the real program: the settings dialog and the game window on an X
# server of the test's own (Xvfb), driven with xdotool like a user would.
#
# usage: window_test.sh SCENARIO VARRIK XCLOSE BUILD_DIR
#   start-return   Return in the dialog opens the game window, which shows the environment
#                  box; closing it ends with 0
#   escape         Escape in the dialog ends with 0 and no game window
#   close-dialog   closing the dialog window ends with 0 and no game window
#   changed-start  toggling full screen twice and clicking Start saves the settings while
#                  the game runs, so they survive the game being killed
#   no-display     without an X server the program says so and ends with non-zero
#   debug-view     F3 shows the collision shapes: with the camera moved back until the car is
#                  in view, a screenshot with the view on differs from one with it off where
#                  the car is; the screenshot is kept as BUILD_DIR/debug-view.png
#
# The program runs in a temporary working folder laid out like the build folder: data/ holds
# links to the generated assets and a settings file of the test's own, so tests neither
# disturb each other nor the user's data/Settings.xml.
set -u

SCENARIO="$1"
VARRIK="$2"
XCLOSE="$3"
BUILD_DIR="$4"

# Polls are bounded: 0.1 s steps, this many of them (generous for the sanitizer build).
TRIES=300

fail() {
    echo "FAIL [$SCENARIO]: $*" >&2
    if [ -n "${WORK:-}" ]; then
        echo "--- program stdout:" >&2; cat "$WORK/out.txt" >&2 2>/dev/null
        echo "--- program stderr:" >&2; cat "$WORK/err.txt" >&2 2>/dev/null
    fi
    [ -n "${PID:-}" ] && kill -9 "$PID" 2>/dev/null
    exit 1
}

# --- outer part: prepare the working folder, then run the scenario under its own Xvfb ---
if [ "${WINDOW_TEST_INNER:-}" != 1 ]; then
    WORK="$(mktemp -d /tmp/varrik-window-XXXXXX)" || exit 1
    trap 'rm -rf "$WORK"' EXIT
    mkdir "$WORK/data"
    if [ -d "$BUILD_DIR/data" ]; then
        for f in "$BUILD_DIR"/data/*; do
            [ -e "$f" ] || continue
            [ "$(basename "$f")" = Settings.xml ] && continue
            ln -s "$f" "$WORK/data/"
        done
    fi

    if [ "$SCENARIO" = no-display ]; then
        (cd "$WORK" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$VARRIK" >out.txt 2>err.txt)
        rc=$?
        [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] || fail "exit code $rc, expected a failure without a display"
        grep -q "could not be opened" "$WORK/err.txt" || fail "no message that the dialog could not be opened"
        grep -q "creating device" "$WORK/out.txt" && fail "a game device was created"
        echo "PASS [$SCENARIO]"
        exit 0
    fi

    # A display number of its own (-a searches upwards from -n when taken), so tests can run
    # in parallel; the whole run is bounded even if the X server hangs. Without -noreset the
    # server resets whenever its last client disconnects (the dialog closing before the game
    # window opens, or a probe), and a program connecting during the reset cannot open the
    # display; a desktop never resets under a running program.
    export WINDOW_TEST_INNER=1 WORK
    timeout 240 xvfb-run -n "$((200 + $$ % 700))" -a -s "-screen 0 1280x1024x24 -noreset" \
        sh "$0" "$SCENARIO" "$VARRIK" "$XCLOSE" "$BUILD_DIR"
    rc=$?
    [ "$rc" -eq 124 ] && echo "FAIL [$SCENARIO]: timed out" >&2
    exit "$rc"
fi

# --- inner part: runs with DISPLAY set to the test's Xvfb ---
cd "$WORK" || exit 1

# Waits until a window with exactly this name exists and prints its id.
wait_window() {
    i=0
    while [ "$i" -lt "$TRIES" ]; do
        id="$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)"
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        kill -0 "$PID" 2>/dev/null || return 1
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# Waits until the program has ended and sets RC to its exit code.
wait_exit() {
    i=0
    while kill -0 "$PID" 2>/dev/null; do
        [ "$i" -ge "$TRIES" ] && fail "the program did not end"
        sleep 0.1
        i=$((i + 1))
    done
    wait "$PID"
    RC=$?
    PID=""
}

window_exists() {
    [ -n "$(xdotool search --name "^$1\$" 2>/dev/null)" ]
}

expect_size() {
    size="$(xdotool getwindowgeometry "$1" | sed -n 's/^ *Geometry: *//p')"
    [ "$size" = "$2" ] || fail "window $1 is $size, expected $2"
}

expect_device_block() {
    block="$(printf '\n\tcreating device with settings:\n\ndriver: 0\nresolution: (%s, %s)\n32 bits per pixel\nfullscreen: NO' "$1" "$2")"
    case "$(cat out.txt)" in
        *"$block"*) ;;
        *) fail "the console does not show the device settings for $1 x $2" ;;
    esac
}

expect_no_game() {
    grep -q "creating device" out.txt && fail "a game device was created"
    window_exists "Varrik Game" && fail "a game window exists"
    return 0
}

# Prints the red, green and blue values (0 to 255) of a window's pixel.
window_pixel() {
    import -window "$1" shot.png 2>/dev/null &&
        convert shot.png -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

# The debug view draws the shapes of simulated bodies in pure green. Prints how many pixels of
# a screenshot have that colour and, after them, the box around them (WxH+X+Y).
green_pixels() {
    convert "$1" -fuzz 12% -fill black +opaque "rgb(0,255,0)" -fill white -opaque "rgb(0,255,0)" \
        -colorspace gray green.png &&
        convert green.png -format "%[fx:int(mean*w*h+0.5)] %@" info:
}

# The lowest row of a region WxH+X+Y.
bottom_of() {
    echo "$1" | awk -F'[x+]' '{ print $2 + $4 - 1 }'
}

# The settings file as text (the engine writes it in wide characters).
settings_text() {
    iconv -f UTF-32 -t UTF-8 data/Settings.xml 2>/dev/null || cat data/Settings.xml
}

# Known settings: the first driver, the first mode (the second one when changing), windowed.
MODE=0
[ "$SCENARIO" = changed-start ] && MODE=1
cat >data/Settings.xml <<XML
<?xml version="1.0"?>
<settings>
<resolution value="$MODE"/>
<fullscreen value="0"/>
<driver value="0"/>
</settings>
XML
cp data/Settings.xml settings.orig

# A plain red backdrop texture, so that a look at the game window shows the environment box.
if [ "$SCENARIO" = start-return ]; then
    rm -f data/sphere1.jpg
    convert -size 64x64 xc:red data/sphere1.jpg || fail "could not make the test texture"
fi

i=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
    [ "$i" -ge "$TRIES" ] && fail "the X server did not come up"
    sleep 0.1
    i=$((i + 1))
done

"$VARRIK" >out.txt 2>err.txt &
PID=$!

DIALOG="$(wait_window "Graphics Settings")" || fail "the settings dialog did not appear"
expect_size "$DIALOG" 200x160

case "$SCENARIO" in
    start-return)
        xdotool key --window "$DIALOG" Return
        GAME="$(wait_window "Varrik Game")" || fail "the game window did not appear"
        expect_size "$GAME" 640x480
        window_exists "Graphics Settings" && fail "the dialog is still open"
        expect_device_block 640 480
        cmp -s data/Settings.xml settings.orig || fail "the settings file was rewritten without a change"
        # The box surrounds the camera: the middle of the window shows its texture, not the
        # grey the frame is cleared to.
        i=0
        until [ "$i" -ge "$TRIES" ]; do
            set -- $(window_pixel "$GAME" 320 240)
            [ "$#" -eq 3 ] && [ "$1" -gt 200 ] && [ "$2" -lt 60 ] && [ "$3" -lt 60 ] && break
            sleep 0.1
            i=$((i + 1))
        done
        [ "$i" -lt "$TRIES" ] || fail "the game window does not show the environment box (middle pixel: $*)"
        "$XCLOSE" "$GAME" || fail "could not close the game window"
        wait_exit
        [ "$RC" -eq 0 ] || fail "exit code $RC after closing the game window"
        ;;

    drive)
        # The demo scene is built and simulated while the game window renders.
        xdotool key --window "$DIALOG" Return
        GAME="$(wait_window "Varrik Game")" || fail "the game window did not appear"
        # Let the car land and drive for a while; the program must keep running.
        sleep 4
        kill -0 "$PID" 2>/dev/null || fail "the program ended while the car was driving"
        "$XCLOSE" "$GAME" || fail "could not close the game window"
        wait_exit
        [ "$RC" -eq 0 ] || fail "exit code $RC after closing the game window"
        # The console is a file here, so the program's lines arrive when it ends.
        [ "$(grep -c '^motor added ("" / -1)$' out.txt)" -eq 4 ] ||
            fail "the console does not show the four wheel motors of the car"
        grep -q "missing" out.txt && fail "the data folder is incomplete"
        grep -q "not created" out.txt && fail "a joint of the car was not created"
        grep -q "ODE" err.txt && fail "the dynamics library complained"
        ;;

    debug-view)
        xdotool key --window "$DIALOG" Return
        GAME="$(wait_window "Varrik Game")" || fail "the game window did not appear"
        # The view on; the camera backs away (arrow down) in short moves until the car, which
        # starts below it, is in view with its shapes.
        xdotool key --window "$GAME" F3
        i=0
        until [ "$i" -ge 60 ]; do
            xdotool keydown --window "$GAME" Down
            sleep 0.15
            xdotool keyup --window "$GAME" Down
            sleep 0.2
            # Whole: many green pixels, none on the window's lower edge.
            import -window "$GAME" on.png 2>/dev/null && set -- $(green_pixels on.png) &&
                [ "$#" -eq 2 ] && [ "$1" -gt 400 ] && [ "$(bottom_of "$2")" -lt 470 ] && break
            kill -0 "$PID" 2>/dev/null || fail "the program ended"
            i=$((i + 1))
        done
        [ "$i" -lt 60 ] || fail "the shapes of the car never came into view ($*)"
        REGION="$2"
        cp on.png "$BUILD_DIR/debug-view.png" 2>/dev/null
        # The view off again: no shape is drawn, and the car's region looks different.
        xdotool key --window "$GAME" F3
        i=0
        until [ "$i" -ge "$TRIES" ]; do
            import -window "$GAME" off.png 2>/dev/null && set -- $(green_pixels off.png) &&
                [ "$1" -lt 5 ] && break
            sleep 0.1
            i=$((i + 1))
        done
        [ "$i" -lt "$TRIES" ] || fail "the shapes are still drawn after the second F3 ($*)"
        differing="$(compare -metric AE -fuzz 5% "on.png[$REGION]" "off.png[$REGION]" null: 2>&1)"
        size="$(echo "$REGION" | sed 's/+.*//')"
        area=$(( ${size%x*} * ${size#*x} ))
        [ "${differing%%.*}" -gt $((area / 20)) ] 2>/dev/null ||
            fail "with the view on and off the car's region $REGION differs in $differing of $area pixels"
        kill -0 "$PID" 2>/dev/null || fail "the program ended"
        "$XCLOSE" "$GAME" || fail "could not close the game window"
        wait_exit
        [ "$RC" -eq 0 ] || fail "exit code $RC after closing the game window"
        ;;

    escape)
        xdotool key --window "$DIALOG" Escape
        wait_exit
        [ "$RC" -eq 0 ] || fail "exit code $RC after Escape"
        expect_no_game
        cmp -s data/Settings.xml settings.orig || fail "the settings file was rewritten"
        ;;

    close-dialog)
        "$XCLOSE" "$DIALOG" || fail "could not close the dialog window"
        wait_exit
        [ "$RC" -eq 0 ] || fail "exit code $RC after closing the dialog"
        expect_no_game
        cmp -s data/Settings.xml settings.orig || fail "the settings file was rewritten"
        ;;

    changed-start)
        # Full screen on and off again: a change, with the same choice as before.
        xdotool mousemove --window "$DIALOG" 87 95 click 1
        xdotool mousemove --window "$DIALOG" 87 95 click 1
        xdotool mousemove --window "$DIALOG" 40 147 click 1
        GAME="$(wait_window "Varrik Game")" || fail "the game window did not appear after Start"
        expect_size "$GAME" 800x600
        expect_device_block 800 600
        kill -9 "$PID"
        wait "$PID" 2>/dev/null
        PID=""
        text="$(settings_text)"
        case "$text" in
            *'<resolution value="1" />'*'<fullscreen value="0" />'*'<driver value="0" />'*'<active num="7" active="1" />'*'<count num="3" cnt="0" />'*) ;;
            *) fail "the settings were not saved while the game ran; the file holds: $text" ;;
        esac
        ;;

    *)
        fail "unknown scenario"
        ;;
esac

echo "PASS [$SCENARIO]"
exit 0
