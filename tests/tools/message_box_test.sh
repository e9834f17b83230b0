#!/bin/sh
# The title's error box on a display of the test's own (Xvfb): a message of 200 000 characters makes a
# box that fits the screen while the whole text still reaches standard error once, and SIGTERM, SIGINT
# or SIGKILL sent while the box is up end the program, leaving no box process behind.
# Skipped (status 77) where Xvfb cannot start.
set -u
build=$1
command -v Xvfb >/dev/null || { echo "skipped: no Xvfb"; exit 77; }
dir=$(mktemp -d)
. "$(dirname "$0")/../support/x_display.sh"
x_server=
trap 'kill $x_server 2>/dev/null; rm -rf "$dir"' EXIT
start_x_display "$dir" 1024x768x24 || { echo "skipped: $x_failure"; exit 77; }
export XDG_RUNTIME_DIR="$dir"  # lock files of the killed copies stay in here
fail() { echo "$*"; kill -KILL "$program" ${box:-} 2>/dev/null; exit 1; }
# Gone, or a zombie; read once, since the process may vanish between two looks.
ended() { stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0; echo "$stat" | grep -q '^[0-9]* ([^)]*) Z'; }

# A picture whose name is 200 000 characters long, and missing resources made fatal: the error box.
long=$(head -c 200000 /dev/zero | tr '\0' x)
mkdir "$dir/disc"
cp "$build/disc-demo/global.vel" "$dir/disc/"
printf '(form ("Name" "Inicio") ("Background Image" "%s.bmp"))' "$long" >"$dir/disc/startup.frm"
for signal in TERM INT KILL; do
  "$build/bin/orva" "$dir/disc" --home "$dir/home" --set ResourceFatal=1 2>"$dir/said" &
  program=$!
  box=
  for _ in $(seq 100); do
    box=$(cat "/proc/$program/task/$program/children" 2>/dev/null)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || fail "no box appeared"
  if [ $signal = TERM ]; then
    if command -v xwininfo >/dev/null; then
      sleep 0.5
      width=$(xwininfo -root -tree | sed -n 's/.*"ERROR": ()  \([0-9]*\)x.*/\1/p')
      [ -n "$width" ] && [ "$width" -le 1024 ] || fail "the box is ${width:-not} on screen, not within 1024 pixels"
    else
      echo "no xwininfo (x11-utils): the box's width is not measured"
    fi
    [ "$(grep -c 'Cannot load resource' "$dir/said")" = 1 ] && [ "$(awk '{ print length }' "$dir/said")" -gt 200000 ] ||
      fail "the whole text is not on standard error once: $(head -c 300 "$dir/said")"
  fi
  kill -$signal $program
  for _ in $(seq 50); do ended $program && ended $box && break; sleep 0.1; done
  ended $program || fail "SIGTERM-like signal $signal did not end the program while its box was up"
  ended $box || fail "the box outlived its program after $signal"
  wait $program 2>/dev/null
done
echo "the box fits the screen and ends with its program on SIGTERM, SIGINT and SIGKILL"
