#!/usr/bin/env bash
# Runs the title on the sample disc the build made (build/disc), which the program finds beside
# itself without being told. With no display, runs headless with a short script (the intro plays
# through, the brand video ends) and leaves a screenshot of the main screen behind.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  here=$(cd "$build" && pwd)
  echo "No display: a headless run of the title, its main screen saved as $build/title.png"
  printf 'wait 8000\nshot %s\nquit\n' "$here/title.png" > "$build/title.script"
  exec "$build/bin/orva" --home "$build/home" --script "$build/title.script"
fi
exec "$build/bin/orva" --home "$build/home"
