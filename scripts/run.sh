#!/usr/bin/env bash
# Runs the title on the sample disc; until the title program exists, shows the data tool at work on it.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$build/bin/orva" ]; then
  exec "$build/bin/orva" --media "$build/disc"
fi
echo "The title program is not built yet; here is the sample data as the data tool reads it:"
for f in "$root"/disc/*.tbl "$root"/disc/*.lst; do
  [ -e "$f" ] || continue
  echo "== $(basename "$f")"
  "$build/bin/vel" print "$f"
done
