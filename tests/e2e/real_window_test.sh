#!/usr/bin/env bash
# The program's real window on an X server (Xvfb, 1920 x 1080) under a window manager (openbox), as a
# person meets it: the test disc's first screen has one 60 x 40 control that opens a second screen of
# another colour. A click just outside the control must leave the first screen, a click on it must
# open the second, and closing the window through the window manager must end the program with
# status 0. The screen is read from screenshots of the root window.
#
# usage: real_window_test.sh BIN-DIR SOURCE-DIR CASE
#   CASE: scale1, scale2, auto (the scale the program picks), fullscreen, resized (by the window
#   manager, smaller), grown (from scale 1 to a size that holds scale 2: the canvas moves to it and
#   the screen is drawn again), nodisplay (no X server at all; needs none of the programs below).
# Exit status 77 (a skip for ctest) when Xvfb, openbox, xdotool, wmctrl or ImageMagick is missing or
# the X server does not start.
set -u
bin=$1 source=$2 case=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/orva_window_XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "${KEEP_SHOTS:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
skip() { echo "SKIP: $*"; exit 77; }
fail() {
    echo "FAIL ($case): $*"
    for log in "$work"/*.log; do [ -f "$log" ] && sed "s|^|  $(basename "$log" .log): |" "$log"; done
    exit 1
}

# In a sanitizer build: the display's libraries (D-Bus, Mesa) keep memory to the end that they never
# free; leaks are the headless runs' to check.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# The control's hot spot on the disc, in media pixels.
control_x=290 control_y=220 control_w=60 control_h=40
"$bin/discgen" "$source/tests/e2e/window_disc" "$work/disc" >/dev/null || fail "discgen could not build the disc"
orva=("$bin/orva" --media "$work/disc" --home "$work/home")

if [ "$case" = nodisplay ]; then
    expect_refusal() {
        local said status
        said=$("$@" 2>&1); status=$?
        [ "$status" -eq 2 ] || fail "status $status, not 2, from: $* ($said)"
        grep -qF -e "$refusal" <<<"$said" || fail "no '$refusal' in: $said"
    }
    refusal='no display: neither DISPLAY nor WAYLAND_DISPLAY is set (use --headless --script FILE'
    expect_refusal env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 20 "${orva[@]}"
    refusal="no display: cannot open display ':7391'"
    expect_refusal env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:7391 timeout 20 "${orva[@]}"
    refusal='--headless needs --script FILE'
    expect_refusal timeout 20 "${orva[@]}" --headless
    echo "PASS ($case)"
    exit 0
fi

for program in Xvfb openbox xdotool xwininfo xprop wmctrl import convert; do
    command -v "$program" >/dev/null || skip "$program is not installed (scripts/setup.sh installs it)"
done
. "$source/tests/support/x_display.sh"
start_x_display "$work" 1920x1080x24 || skip "$x_failure"
pids+=("$x_server")
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
# A window manager that cannot reach the display at its first try is started again, twice at most.
managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for _ in 1 2 3; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    manager=$!
    for _ in $(seq 200); do managed || ! kill -0 "$manager" 2>/dev/null && break; sleep 0.1; done
    managed && break
    kill "$manager" 2>/dev/null
    wait "$manager" 2>/dev/null
done
pids+=("$manager")
managed || fail "openbox did not take the screen"

case $case in
scale1 | grown) options=(--scale 1) ;;
scale2) options=(--scale 2) ;;
auto | resized) options=() ;;
fullscreen) options=(--fullscreen) ;;
*) fail "no case $case" ;;
esac
"${orva[@]}" "${options[@]}" >"$work/orva.log" 2>&1 &
program=$!
pids+=($program)
# Polled rather than `search --sync`, which gives up when a window it looks at goes away meanwhile;
# SDL may also replace its first window with another as its renderer starts.
find_window() { # the same window twice, 0.3 s apart
    local seen=
    window=
    for _ in $(seq 100); do
        seen=$window
        window=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null | head -n1)
        [ -n "$window" ] && [ "$window" = "$seen" ] && return 0
        sleep 0.3
    done
    fail "no window appeared and stayed"
}
find_window

# The client area's place on the screen. Not from `xdotool getwindowgeometry`: under a window
# manager it adds the frame's offset a second time, which looks like clicks landing low.
geometry() {
    local info
    info=$(xwininfo -id "$window" 2>/dev/null) || { find_window; info=$(xwininfo -id "$window" 2>/dev/null); }
    eval "$(awk '/Absolute upper-left X/ {print "left=" $4} /Absolute upper-left Y/ {print "top=" $4}
        /Width:/ {print "width=" $2} /Height:/ {print "height=" $2}' <<<"$info")"
}
left=0 top=0 width=0 height=0
settle_to() { # waits until the client area is WIDTH x HEIGHT
    for _ in $(seq 100); do geometry; [ "$width" = "$1" ] && [ "$height" = "$2" ] && return 0; sleep 0.1; done
    fail "the window is ${width}x$height, not $1x$2"
}
case $case in
scale1) settle_to 640 480 ;;
scale2 | auto) settle_to 1280 960 ;;
fullscreen) settle_to 1920 1080 ;;
resized) xdotool windowsize "$window" 1000 700 && settle_to 1000 700 ;;
grown) settle_to 640 480 && xdotool windowsize "$window" 1300 1000 && settle_to 1300 1000 ;;
esac
# The media area in it: the largest whole scale that fits, centred.
scale=$((width / 640 < height / 480 ? width / 640 : height / 480))
origin_x=$((left + (width - 640 * scale) / 2)) origin_y=$((top + (height - 480 * scale) / 2))
screen_x() { echo $((origin_x + $1 * scale)); }
screen_y() { echo $((origin_y + $1 * scale)); }
centre_x=$(screen_x $((control_x + control_w / 2))) centre_y=$(screen_y $((control_y + control_h / 2)))

shots=0
expect_screen() { # NAME COLOUR WHEN: waits up to 10 s for the colour at the control's centre
    local seen shot
    shots=$((shots + 1)) shot="$work/shot$shots.png"
    for _ in $(seq 50); do
        import -window root "$shot" 2>/dev/null
        seen=$(convert "$shot" -format "%[pixel:p{$centre_x,$centre_y}]" info: 2>/dev/null)
        [ "$seen" = "$2" ] && return 0
        sleep 0.2
    done
    fail "$3: the $1 screen is not shown (colour $seen at the control, $shot)"
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.5; }
# Red where the control is drawn on the first screen, green all over the second.
first='srgb(220,30,30)' second='srgb(30,160,60)'

expect_screen first "$first" "at start"
click "$(screen_x $((control_x - 3)))" "$centre_y"
expect_screen first "$first" "after a click 3 pixels left of the control"
click "$centre_x" "$(screen_y $((control_y - 3)))"
expect_screen first "$first" "after a click 3 pixels above the control"
click "$(screen_x $((control_x + control_w + 2)))" "$(screen_y $((control_y + control_h + 2)))"
expect_screen first "$first" "after a click just below and right of the control"
click "$centre_x" "$centre_y"
expect_screen second "$second" "after a click on the control's centre"

find_window
wmctrl -i -c "$window"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program still runs after the window manager closed its window"
wait "$program"
status=$?
[ "$status" -eq 0 ] || fail "status $status after the window manager closed the window"
echo "PASS ($case): ${width}x$height at scale $scale"
