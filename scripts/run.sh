#!/usr/bin/env bash
# Builds the demo disc and runs the title on it. With no display, runs headless with a short script
# and leaves a screenshot behind.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
"$build/bin/discgen" "$root/disc/demo" "$build/disc-demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: a headless run of the demo, its first screen saved as $build/demo.png"
  printf 'wait 500\nshot %s\nquit\n' "$(cd "$build" && pwd)/demo.png" > "$build/demo.script"
  exec "$build/bin/orva" --media "$build/disc-demo" --home "$build/home" --script "$build/demo.script"
fi
exec "$build/bin/orva" --media "$build/disc-demo" --home "$build/home"
