#!/usr/bin/env bash
# Times the benchmark programs of bench/scripts under `zentra run` and under lua5.4, checks that
# both print the same checksum, and prints the median time of each side, the ratio
# ZentraScript/Lua per program and the geometric mean of the ratios.
#
#   bench/compare.sh [-n RUNS] [-z ZENTRA] [PROGRAM...]
#
# Times are CPU seconds (user + system) of each process, so that other work on the machine
# disturbs them less than wall-clock time; the medians are over RUNS runs (default 5).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
runs=5
zentra=""
while getopts "n:z:" opt; do
  case $opt in
    n) runs=$OPTARG ;;
    z) zentra=$OPTARG ;;
    *) echo "usage: $0 [-n RUNS] [-z ZENTRA] [PROGRAM...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ -z "$zentra" ]; then
  for candidate in "$here/../build/zentra" "$here"/../build-*/zentra; do
    if [ -x "$candidate" ]; then zentra=$candidate; break; fi
  done
fi
if [ -z "$zentra" ] || [ ! -x "$zentra" ]; then
  echo "compare.sh: no zentra binary found; build the zentra target or pass -z PATH" >&2
  exit 2
fi
command -v lua5.4 >/dev/null || { echo "compare.sh: lua5.4 is not installed" >&2; exit 2; }

programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(fib loop float strings objects arrays coroutines closures mathcalls colors)

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# run_once OUTFILE COMMAND...: runs the command, leaves its output in OUTFILE, prints CPU seconds.
run_once() {
  local out=$1
  shift
  /usr/bin/time -f "%U %S" -o "$tmp/time" "$@" >"$out"
  awk '{ printf "%.3f\n", $1 + $2 }' "$tmp/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf "%-12s %12s %10s %10s %8s\n" program checksum zentra lua ratio
failed=0
ratios=()
for p in "${programs[@]}"; do
  : >"$tmp/z" ; : >"$tmp/l"
  for ((i = 0; i < runs; i++)); do
    run_once "$tmp/zout" "$zentra" run "$here/scripts/$p.zc" >>"$tmp/z"
    run_once "$tmp/lout" lua5.4 "$here/scripts/$p.lua" >>"$tmp/l"
    if ! cmp -s "$tmp/zout" "$tmp/lout"; then
      echo "compare.sh: $p: checksums differ: zentra '$(tr -d '\n' <"$tmp/zout")', lua '$(tr -d '\n' <"$tmp/lout")'" >&2
      failed=1
    fi
  done
  z=$(median <"$tmp/z")
  l=$(median <"$tmp/l")
  ratio=$(awk -v z="$z" -v l="$l" 'BEGIN { printf "%.2f", (l > 0 ? z / l : 0) }')
  ratios+=("$ratio")
  printf "%-12s %12s %9ss %9ss %8s\n" "$p" "$(tr -d '\n' <"$tmp/lout")" "$z" "$l" "$ratio"
done
printf "%s\n" "${ratios[@]}" | awk '$1 > 0 { s += log($1); n++ } END { if (n) printf "geometric mean ratio: %.2f\n", exp(s / n) }'
exit $failed
