#!/usr/bin/env bash
# Runs the title on the sample disc the build made (build/disc), which the program finds beside
# itself without being told. With no display, runs headless with a short script and leaves
# screenshots of the intro and the main screen behind.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  here=$(cd "$build" && pwd)
  echo "No display: a headless run of the title, its intro and main screen saved as $build/title-intro.png and $build/title.png"
  printf 'wait 1500\nshot %s\nkey Escape\nwait 1500\nshot %s\nquit\n' "$here/title-intro.png" "$here/title.png" > "$build/title.script"
  exec "$build/bin/orva" --home "$build/home" --script "$build/title.script"
fi
exec "$build/bin/orva" --home "$build/home"
