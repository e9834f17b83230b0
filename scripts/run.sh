#!/usr/bin/env bash
# Runs the title on the sample disc; until the title program exists, shows the data tool at work on
# the sample disc's sources.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$build/bin/orva" ]; then
  exec "$build/bin/orva" --media "$build/disc"
fi
echo "The title program is not built yet; the sample disc's data as the data tool reads it:"
for f in "$root"/disc/sample/*; do
  echo "== $(basename "$f")"
  "$build/bin/vel" print "$f"
done
