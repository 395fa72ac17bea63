#!/usr/bin/env bash
# Measures tarvik-convert on ~100 MB net lists of every form tarvik_netgen
# writes (tarvik_netgen --list-forms), writing the chain list with -o to a
# file, with `wc -l` on the same file beside it as the limit (MB/s, median of
# 5 runs, file in the page cache); a form this build does not read, or reads
# as another form (-v names the form read), is listed as such. Then a sparse
# 1 GiB file of zero bytes without a line feed, which every form refuses; then the window program's time to show 100,000 decoded
# nets (Qt, offscreen). Ends with the forms' rows as a Markdown table.
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

# Median of 5 runs of "$@" by wall time: prints "wall cpu" in seconds of that
# run (cpu = user + system). CPU time stays meaningful on a busy machine.
median_of_5() {
  local TIMEFORMAT='%R %U %S' runs=""
  for _ in 1 2 3 4 5; do
    local t
    t=$( { time "$@" >/dev/null 2>/dev/null || true; } 2>&1 )
    runs+=$(echo "$t" | awk '{ printf "%s %.3f\n", $1, $2 + $3 }')$'\n'
  done
  printf '%s' "$runs" | sort -n | sed -n 3p
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-13s %7s %9s %10s %14s %13s %12s\n' form MB nets wall_s "convert MB/s" "(by CPU s)" "wc -l MB/s"
table="| form | MB | nets | tarvik-convert | (by processor time) | \`wc -l\` |"$'\n'"|---|---|---|---|---|---|"$'\n'
while IFS=$'\t' read -r form readby; do
  f="$dir/board.net"
  "$build/bin/tarvik_netgen" "$form" "$mb" >"$f"
  bytes=$(stat -c %s "$f")
  cat "$f" >/dev/null
  if ! verbose=$("$build/bin/tarvik-convert" -v "$f" -o "$dir/out.cha" 2>&1 >/dev/null); then
    printf '%-13s %7.1f   not read by this build: %s\n' "$form" "$(echo "$bytes / 1000000" | bc -l)" "${verbose%%$'\n'*}"
    table+="| $form | — | — | not read by this build | | |"$'\n'
    rm -f "$f" "$dir/out.cha"
    continue
  fi
  if ! grep -qiF -- "${readby:-$form}" <<<"$verbose"; then  # -v names the form read
    printf '%-13s %7.1f   read as another form: %s\n' "$form" "$(echo "$bytes / 1000000" | bc -l)" "${verbose%%$'\n'*}"
    table+="| $form | — | — | read as another form | | |"$'\n'
    rm -f "$f" "$dir/out.cha"
    continue
  fi
  nets=$(echo "$verbose" | sed -n 's/.*: \([0-9]*\) lines.*/\1/p' | tail -1)
  read -r tc cc <<<"$(median_of_5 "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha")"
  read -r tw cw <<<"$(median_of_5 wc -l "$f")"
  row=$(awk -v f="$form" -v b="$bytes" -v n="${nets:-0}" -v tc="$tc" -v cc="$cc" -v tw="$tw" \
    'BEGIN { printf "%-13s %7.1f %9d %10.3f %14.0f %13.0f %12.0f\n", f, b / 1e6, n, tc, b / 1e6 / tc, b / 1e6 / cc, b / 1e6 / tw }')
  echo "$row"
  table+=$(echo "$row" | awk -v f="$form" '{ n = split(f, w, " "); printf "| %s | %.0f | %d | %d MB/s | %d MB/s | %d MB/s |", f, $(n+1), $(n+2), $(n+4), $(n+5), $(n+6) }')$'\n'
  rm -f "$f" "$dir/out.cha"
done < <("$build/bin/tarvik_netgen" --list-forms)

# A 1 GiB file of zero bytes without a line feed: refused (exit 1) in bounded memory.
f="$dir/zeros.net"
truncate -s 1G "$f"
read -r tc cc <<<"$(median_of_5 "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha")"
read -r tw cw <<<"$(median_of_5 wc -l "$f")"
/usr/bin/time -f %M -o "$dir/rss" "$build/bin/tarvik-convert" "$f" -o "$dir/out.cha" >/dev/null 2>&1 || true
rss=$(tail -1 "$dir/rss")
awk -v tc="$tc" -v tw="$tw" -v rss="$rss" \
  'BEGIN { printf "zeros         1073.7 (refused) %10.3f %14.0f %13s %12.0f   (wc -l %.3f s, peak %s KB)\n", tc, 1073.7 / tc, "", 1073.7 / tw, tw, rss }'
rm -f "$f"

if cmake --build "$build" --target tarvik_window_bench >/dev/null 2>&1; then
  QT_QPA_PLATFORM=offscreen "$build/bin/tarvik_window_bench" 2>/dev/null | grep -E 'ShowChainList|Benchmark'
fi
echo
printf '%s' "$table"
