#!/usr/bin/env bash
# Measures tarvik-diff on two generated boards (tarvik_netgen --nets) of NETS
# nets each, the second after EDITS random edits, in every form: the time the
# comparison takes beyond the decoders (wall and processor time, as -v reports
# them; best of 3), the whole run, and tarvik-convert on the same two files,
# which is the decoding alone. Then the peak memory for boards of a quarter, a
# half and all of NETS, to show it grows in proportion.
# Usage: bench/tarvik_diff_bench.sh [BUILD_DIR] [NETS] [EDITS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
nets=${2:-1000000}
edits=${3:-10000}
if [ ! -f "$build/build.ninja" ]; then
  preset=default
  [ "$build" = build-release ] && preset=release
  cmake --preset "$preset" >/dev/null
fi
cmake --build "$build" --target tarvik-diff tarvik-convert tarvik_netgen >/dev/null
bin=$build/bin
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Runs tarvik-diff -v OLD NEW three times; prints the best of each figure:
# "beyond_wall beyond_cpu total_wall peak_MB report_lines".
diff_best_of_3() {
  local best="" TIMEFORMAT='%R'
  for _ in 1 2 3; do
    local total
    total=$( { time "$bin/tarvik-diff" -v "$1" "$2" >"$dir/report" 2>"$dir/err" || true; } 2>&1 )
    local line
    line=$(sed -n 's/.*: \([0-9.]*\) s beyond the decoders (processor time \([0-9.]*\) s), peak memory \([0-9]*\) MB/\1 \2 \3/p' "$dir/err")
    best=$(echo "$line $total $(wc -l <"$dir/report")" | awk -v best="$best" '{
      split(best, b, " ")
      if (best == "") { print $1, $2, $4, $3, $5; next }
      printf "%s %s %s %s %s\n", ($1 < b[1] ? $1 : b[1]), ($2 < b[2] ? $2 : b[2]), ($4 < b[3] ? $4 : b[3]), ($3 < b[4] ? $3 : b[4]), $5 }')
  done
  echo "$best"
}

# Best wall time of 3 runs of "$@".
best_wall() {
  local best="" TIMEFORMAT='%R'
  for _ in 1 2 3; do
    local t
    t=$( { time "$@" >/dev/null 2>/dev/null; } 2>&1 )
    best=$(awk -v t="$t" -v best="$best" 'BEGIN { print (best == "" || t < best) ? t : best }')
  done
  echo "$best"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; $nets nets, $edits edits"
printf '%-8s %7s %9s %8s %12s %12s %12s %12s %8s\n' form MB nets changes "convert x2" "diff total" "beyond wall" "beyond CPU" "peak MB"
for form in accel orcad pcad45 cha; do
  ext=net
  [ "$form" = cha ] && ext=cha
  "$bin/tarvik_netgen" "$form" --nets "$nets" >"$dir/old.$ext"
  "$bin/tarvik_netgen" "$form" --nets "$nets" --edits "$edits" >"$dir/new.$ext"
  cat "$dir/old.$ext" "$dir/new.$ext" >/dev/null
  bytes=$(stat -c %s "$dir/old.$ext")
  if [ "$form" = cha ]; then
    convert=0
  else
    convert=$(awk -v a="$(best_wall "$bin/tarvik-convert" "$dir/old.$ext")" \
                  -v b="$(best_wall "$bin/tarvik-convert" "$dir/new.$ext")" 'BEGIN { print a + b }')
  fi
  for pair in "old new" "old old"; do
    read -r a b <<<"$pair"
    read -r bw bc tw peak lines <<<"$(diff_best_of_3 "$dir/$a.$ext" "$dir/$b.$ext")"
    label=$form
    [ "$b" = old ] && label="$form="
    awk -v f="$label" -v mb="$bytes" -v n="$nets" -v l="$lines" -v c="$convert" -v tw="$tw" -v bw="$bw" -v bc="$bc" -v p="$peak" \
      'BEGIN { printf "%-8s %7.1f %9d %8d %12.3f %12.3f %12.3f %12.3f %8d\n", f, mb / 1e6, n, l, c, tw, bw, bc, p }'
  done
  rm -f "$dir/old.$ext" "$dir/new.$ext"
done
echo "(form=: a board compared with itself; changes: lines of the report)"

echo
echo "peak memory, chain lists with $edits edits:"
printf '%9s %9s %12s\n' nets "peak MB" "bytes/net"
for part in 4 2 1; do
  n=$((nets / part))
  "$bin/tarvik_netgen" cha --nets "$n" >"$dir/old.cha"
  "$bin/tarvik_netgen" cha --nets "$n" --edits "$edits" >"$dir/new.cha"
  read -r _ _ _ peak _ <<<"$(diff_best_of_3 "$dir/old.cha" "$dir/new.cha")"
  awk -v n="$n" -v p="$peak" 'BEGIN { printf "%9d %9d %12.0f\n", n, p, p * 1048576 / n }'
done
