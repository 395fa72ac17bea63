#!/usr/bin/env bash
# Measures tarvik-convert on ~100 MB net lists of each form, writing the chain
# list with -o to a file, with `wc -l` on the same file beside it as the limit
# (MB/s, best of 3 runs, file in the page cache); then a sparse 1 GiB file of
# zero bytes without a line feed, which every form refuses; then the window
# program's time to show 100,000 decoded nets (Qt, offscreen).
# Usage: bench/tarvik_bench.sh [BUILD_DIR] [MEGABYTES]   (default: the Release build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
mb=${2:-100}
if [ ! -f "$build/build.ninja" ]; then
  if [ "$build" = build-release ]; then cmake --preset release >/dev/null; else cmake --preset default >/dev/null; fi
fi
cmake --build "$build" --target tarvik-convert tarvik_netgen >/dev/null
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Best of 3 runs of "$@": prints "wall cpu" in seconds (cpu = user + system),
# the run with the least wall time. CPU time stays meaningful on a busy machine.
best_of_3() {
  local best="" TIMEFORMAT='%R %U %S'
  for _ in 1 2 3; do
    local t
    t=$( { time "$@" >/dev/null 2>/dev/null || true; } 2>&1 )
    best=$(echo "$t" | awk -v best="$best" '{ w = $1; c = $2 + $3
      split(best, b, " "); if (best == "" || w < b[1]) print w, c; else print best }')
  done
  echo "$best"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-8s %7s %9s %10s %14s %13s %12s\n' form MB nets wall_s "convert MB/s" "(by CPU s)" "wc -l MB/s"
for form in accel orcad pcad45; do
  f="$dir/$form.net"
  "$build/bin/tarvik_netgen" "$form" "$mb" >"$f"
  bytes=$(stat -c %s "$f")
  cat "$f" >/dev/null
  nets=$("$build/bin/tarvik-convert" -v "$f" 2>&1 >/dev/null | sed -n 's/.*: \([0-9]*\) lines/\1/p')
  read -r tc cc <<<"$(best_of_3 "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha")"
  read -r tw cw <<<"$(best_of_3 wc -l "$f")"
  awk -v f="$form" -v b="$bytes" -v n="$nets" -v tc="$tc" -v cc="$cc" -v tw="$tw" \
    'BEGIN { printf "%-8s %7.1f %9d %10.3f %14.0f %13.0f %12.0f\n", f, b / 1e6, n, tc, b / 1e6 / tc, b / 1e6 / cc, b / 1e6 / tw }'
  rm -f "$f" "$dir/out.cha"
done

# A 1 GiB file of zero bytes without a line feed: refused (exit 1) in bounded memory.
f="$dir/zeros.net"
truncate -s 1G "$f"
read -r tc cc <<<"$(best_of_3 "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha")"
read -r tw cw <<<"$(best_of_3 wc -l "$f")"
/usr/bin/time -f %M -o "$dir/rss" "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha" >/dev/null 2>&1 || true
rss=$(tail -1 "$dir/rss")
awk -v tc="$tc" -v tw="$tw" -v rss="$rss" \
  'BEGIN { printf "zeros   1073.7 (refused) %10.3f %14.0f %13s %12.0f   (wc -l %.3f s, peak %s KB)\n", tc, 1073.7 / tc, "", 1073.7 / tw, tw, rss }'
rm -f "$f"

if cmake --build "$build" --target tarvik_window_bench >/dev/null 2>&1; then
  QT_QPA_PLATFORM=offscreen "$build/bin/tarvik_window_bench" 2>/dev/null | grep -E 'ShowChainList|Benchmark'
fi
