#!/usr/bin/env bash
# Runs the title on the sample disc the build made (build/disc-demo), which the program finds beside
# itself without being told. With no display, runs headless with a short script and leaves a
# screenshot behind.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: a headless run of the demo, its first screen saved as $build/demo.png"
  printf 'wait 500\nshot %s\nquit\n' "$(cd "$build" && pwd)/demo.png" > "$build/demo.script"
  exec "$build/bin/orva" --home "$build/home" --script "$build/demo.script"
fi
exec "$build/bin/orva" --home "$build/home"
