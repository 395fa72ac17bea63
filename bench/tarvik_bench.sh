#!/usr/bin/env bash
# Measures tarvik-convert on ~100 MB net lists of each form, with `wc -l` on the
# same file beside it as the limit (MB/s, best of 3 runs, file in the page cache),
# then the window program's time to show 100,000 decoded nets (Qt, offscreen).
# Usage: bench/tarvik_bench.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mb=${2:-100}
[ -f "$build/build.ninja" ] || cmake --preset default >/dev/null
cmake --build "$build" --target tarvik-convert tarvik_netgen >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

best_of_3() {  # prints the best wall time in seconds of "$@"
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    best=$(awk -v a="$t0" -v b="$t1" -v best="$best" 'BEGIN { t = b - a; if (best == "" || t < best) best = t; print best }')
  done
  echo "$best"
}

printf '%-8s %10s %10s %12s %12s %12s\n' form MB nets convert_s "convert MB/s" "wc -l MB/s"
for form in accel orcad pcad45; do
  f="$dir/$form.net"
  "$build/bin/tarvik_netgen" "$form" "$mb" >"$f"
  bytes=$(stat -c %s "$f")
  cat "$f" >/dev/null
  nets=$("$build/bin/tarvik-convert" -v "$f" 2>&1 >/dev/null | sed -n 's/.*: \([0-9]*\) lines/\1/p')
  tc=$(best_of_3 "$build/bin/tarvik-convert" "$f")
  tw=$(best_of_3 wc -l "$f")
  awk -v f="$form" -v b="$bytes" -v n="$nets" -v tc="$tc" -v tw="$tw" \
    'BEGIN { printf "%-8s %10.1f %10d %12.3f %12.0f %12.0f\n", f, b / 1e6, n, tc, b / 1e6 / tc, b / 1e6 / tw }'
done

if cmake --build "$build" --target tarvik_window_bench >/dev/null 2>&1; then
  QT_QPA_PLATFORM=offscreen "$build/bin/tarvik_window_bench" 2>/dev/null | grep -E 'ShowChainList|Benchmark'
fi
