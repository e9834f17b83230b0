#!/usr/bin/env bash
# Builds the demo disc from its sources: scripts/build_disc.sh BUILD-DIRECTORY [OUTPUT-DIRECTORY]
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${2:-"$build/disc-demo"}
mkdir -p "$out"
"$build/bin/discgen" "$root/disc/demo/media.tbl" "$out"
for f in "$root"/disc/demo/*.frm "$root"/disc/demo/*.tbl "$root"/disc/demo/*.lst; do
  [ -e "$f" ] || continue
  case "$(basename "$f")" in
    media.tbl) ;;
    global.tbl) "$build/bin/vel" compile "$f" "$out/global.vel" ;;
    *) cp "$f" "$out/" ;;
  esac
done
echo "demo disc: $out"
