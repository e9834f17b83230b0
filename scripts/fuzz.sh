#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS seconds.
# Usage: scripts/fuzz.sh SECONDS [TARGET...]
set -uo pipefail
seconds=${1:-10}; shift || true
if ! command -v clang++ >/dev/null; then echo "fuzz: clang++ not installed, skipped"; exit 0; fi
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVEL_FUZZ=ON -DVEL_TESTS=OFF -DVEL_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" -j2 || exit 1
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$root"/fuzz/*.cpp; do [ -e "$f" ] && targets+=("$(basename "$f" .cpp)"); done
fi
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"; mkdir -p "$corpus"
  dirs=("$corpus"); [ -d "$root/fuzz/seeds/$t" ] && dirs+=("$root/fuzz/seeds/$t")
  log="$build/$t.log"
  if "$build/bin/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$build/" "${dirs[@]}" >"$log" 2>&1; then
    echo "fuzz: $t ok, $(grep -a -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}') executions in ${seconds}s"
  else
    echo "fuzz: $t FAILED"; grep -a -E -A30 '==[0-9]+==ERROR|runtime error|deadly signal' "$log" | head -60
    status=1
  fi
done
exit $status
